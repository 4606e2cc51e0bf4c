#include "postset/system_calls.h"

#include "postset/shell_functions.h"

namespace {

// The shell's change notification, when shell32 could be had.
void WINAPI NotifyShell(LONG event, UINT flags, const void* item1, const void* item2) {
  if (const ShellFunctions* shell = LoadShellFunctions()) shell->change_notify(event, flags, item1, item2);
}

PostSetSystemCalls system_calls = {GetVersionExA,  OpenSCManagerA, RegCreateKeyExA,     RegOpenKeyExA,
                                   RegSetValueExA, NotifyShell,    SetForegroundWindow, MessageBoxA};

}  // namespace

PostSetSystemCalls& SystemCalls() { return system_calls; }
