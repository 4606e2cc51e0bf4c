// Loading DLLs only from the system folder. A setup is typically run from a download
// folder, where anyone could have put a DLL named like a system one; the program
// image and its dynamic loads must never pick that up.
#pragma once

#include <windows.h>

// Where the system offers it (Windows 7 with KB2533623 and later), restricts every
// later LoadLibrary of the process to the system folder. Elsewhere it does nothing.
void RestrictDllSearchToSystemFolder();

// Loads name (such as "shell32.dll") by its full path in the system folder; none if
// that fails.
HMODULE LoadSystemLibrary(const char* name);
