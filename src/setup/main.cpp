// Entry of the setup program: it takes no arguments and always ends with exit code 0.
#include <windows.h>

#include "archive/payload_locator.h"
#include "postset/special_folders.h"
#include "setup/setup_sequence.h"
#include "setup/system_library.h"

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*command_line*/, int /*show*/) {
  RestrictDllSearchToSystemFolder();
  // Start-up, in this order: the payload marker, then the special folders.
  InitPayloadMarker();
  InitSpecialFolders();
  RunSetup();
  return 0;
}
