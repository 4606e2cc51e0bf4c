// Entry of the setup program: it takes no arguments and always ends with exit code 0.
//
// The program starts here directly, without the C runtime's start-up code (it is
// linked with -nostartfiles): that code (argument parsing, thread-local storage,
// exception and floating-point set-up) serves nothing the setup does, and its size
// does not fit in the program's. msvcrt.dll initialises itself as it loads; all that
// remains to do here is to run the constructors of the modules' state (__main).
#include <windows.h>

#include "archive/payload_locator.h"
#include "platform/system_library.h"
#include "postset/special_folders.h"
#include "setup/setup_sequence.h"

extern "C" void __main();  // runs the static constructors, once

// The constructors register the matching destructors through atexit. Without the
// start-up code there is no exit table to hold them (the runtime library's atexit is
// only an import slot the start-up code wraps), and none is needed: the program ends
// through ExitProcess, and the destructors only give back memory the system reclaims
// with the process.
extern "C" int atexit(void (*)()) { return 0; }

extern "C" void WINAPI SetupEntry() {
  RestrictDllSearchToSystemFolder();
  __main();
  // Start-up, in this order: the payload marker, then the special folders.
  InitPayloadMarker();
  InitSpecialFolders();
  RunSetup();
  ExitProcess(0);
}
