/* Stand-in for the application's uninstaller: it says what it is and removes nothing. */
#include <windows.h>

void Start(void) {
  MessageBoxA(NULL, "This sample uninstaller removes nothing.", "Tessivo Uninstall", MB_OK | MB_ICONINFORMATION);
  ExitProcess(0);
}
