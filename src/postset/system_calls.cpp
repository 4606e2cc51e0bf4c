#include "postset/system_calls.h"

#include <shlobj.h>

namespace {
PostSetSystemCalls system_calls = {GetVersionExA, OpenSCManagerA,        RegCreateKeyExA, RegOpenKeyExA,
                                   RegSetValueExA, SHChangeNotify,       SetForegroundWindow, MessageBoxA};
}  // namespace

PostSetSystemCalls& SystemCalls() { return system_calls; }
