// The progress window (template 300) with the system's file-copy animation.
#pragma once

// Opens the progress window over the backdrop and starts the animation in it. Each
// step that fails leaves out the rest: without the animation class there is no
// progress window at all, which the installation does not need.
void OpenProgressWindow();

// Closes the progress window if it is still open, and unloads shell32.
void CloseProgressWindow();
