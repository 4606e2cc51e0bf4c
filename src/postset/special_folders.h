// Where the shortcuts go: the Start menu's Programs folder and the desktop folder,
// looked up once at start-up and fixed for the rest of the run.
#pragma once

#include "platform/text.h"

// Looks up both folders. With administrator rights on an NT-family system the
// Programs folder is the all-users one; otherwise, and on the Windows 95 family,
// it is the current user's. The desktop is always the current user's.
void InitSpecialFolders();

// The special-folder number ProgramsFolder was looked up by: 2 (the current user's
// Programs folder) or 23 (the all-users one).
int ProgramsFolderCsidl();

// Full paths without a trailing backslash; empty when the folder was not found.
Text& ProgramsFolder();
Text& DesktopFolder();
