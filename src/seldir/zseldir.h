// ZSelDir: the program's own directory chooser, the modal dialog "Choose Directory"
// (template 100) in which the user types a path or walks drives and folders. It only
// chooses: creating the folder is the caller's job.
#pragma once

#include <windows.h>

#include "platform/text.h"

// Lets the user pick a folder, starting at folder; the dialog is owned by owner and
// uses font (none: the dialog font) for its path field and folder list. Returns the
// accepted folder as a full path without a trailing backslash (a drive root as two
// characters, such as C:), or folder unchanged after Cancel or the close box.
Text ChooseDirectory(HWND owner, const Text& folder, HFONT font);

// The chooser's dialog procedure; its creation parameter is the initial folder as a
// zero-terminated text.
INT_PTR CALLBACK ChooseDirectoryDlgProc(HWND dialog, UINT message, WPARAM w_param, LPARAM l_param);
