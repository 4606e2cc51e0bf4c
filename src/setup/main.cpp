// Entry of the setup program: it takes no arguments and always ends with exit code 0.
#include <windows.h>

#include "archive/payload_locator.h"
#include "setup/setup_sequence.h"
#include "setup/system_library.h"

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*command_line*/, int /*show*/) {
  RestrictDllSearchToSystemFolder();
  // Start-up, in this order: the payload marker, then the special folders.
  InitPayloadMarker();
  // SPECIAL FOLDERS: InitSpecialFolders() is called here once the post-installation
  // code provides it (the Programs and desktop folders for the shortcuts).
  RunSetup();
  return 0;
}
