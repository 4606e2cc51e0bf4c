// The welcome dialog (template 200): welcome text, destination folder, Install,
// Cancel and Browse. It ends with 1 when the destination folder exists, 0 when the
// user left.
#pragma once

#include <windows.h>

// Completes DefaultDestination with the Program Files folder the registry names,
// or with "C:" when the value cannot be read. Called once, before the dialog.
void ResolveDefaultDestination();

INT_PTR CALLBACK WelcomeDialogProc(HWND dialog, UINT message, WPARAM w_param, LPARAM l_param);

// The Cancel question; ends the dialog with 0 on Yes.
void ConfirmExit(HWND dialog);
