// The backdrop, the progress window and the message pump: the window side of the run.
#pragma once

#include <windows.h>

// The full-screen navy backdrop (class TsvInstWnd), disabled and without caption;
// none when its class or window cannot be made.
HWND CreateMainWindow(const char* title);

// Procedure of the progress window (template 300): the dialog manager's defaults.
INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM w_param, LPARAM l_param);

// Dispatches what is queued without waiting, offering it to the current dialog
// first; destroy also closes the current dialog (the progress window).
void PumpMessages(bool destroy);
