// Registration of the installed application with the shell: shortcuts, uninstall
// entry, shell-extension entries, the ini file and the success message.
#pragma once

#include <windows.h>

// The message pump the long steps call; true also closes the progress window.
using PumpMessagesProc = void (*)(bool destroy);

// Registers the application installed in destination_folder (no trailing
// backslash); owner owns the success message. True on completion.
bool RegisterApplication(const char* destination_folder, HWND owner, PumpMessagesProc pump);
