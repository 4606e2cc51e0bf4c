// ZSelDir: the program's own directory chooser.
#pragma once

#include <windows.h>

#include "platform/text.h"

// Lets the user pick a folder, starting at folder; the dialog is owned by owner and
// uses font (none: the dialog font) for its path fields. Returns the chosen folder
// (a drive root as two characters, such as C:), or folder unchanged after Cancel.
Text ChooseDirectory(HWND owner, const Text& folder, HFONT font);
