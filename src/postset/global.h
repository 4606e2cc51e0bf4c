// Global: the program's fixed texts, settled when the setup program is built.
//
// DefaultDestination is the one that changes: it starts as the folder below Program
// Files and is completed once at start-up with the drive and folder the registry
// names (ResolveDefaultDestination).
#pragma once

#include "platform/text.h"

// "\Brastel\Tesivo" until ResolveDefaultDestination puts the Program Files folder
// in front of it; it begins with its own backslash.
Text& DefaultDestination();

// Registry keys under HKEY_LOCAL_MACHINE.
extern const char kUninstallKey[];
extern const char kApprovedKey[];
extern const char kFindExtensionsKey[];

// Class identifier of the installed context-menu extension "Contmenu.dll", in the
// 38-character registry form (braces, lower-case hexadecimal digits).
extern const char kContextMenuClsid[];
