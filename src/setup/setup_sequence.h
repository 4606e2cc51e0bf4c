// The whole run, from the backdrop to the last message.
#pragma once

// Shows the welcome dialog over the backdrop and, once the user confirmed the
// destination, unpacks and registers the application there. Reports a failure with
// one message; returns when everything it made is released.
void RunSetup();
