#include "setup/setup_sequence.h"

#include <windows.h>

#include "archive/payload_locator.h"
#include "postset/privilege_probes.h"
#include "postset/registration.h"
#include "resources/resource_ids.h"
#include "setup/driver_state.h"
#include "setup/main_window.h"
#include "setup/progress_window.h"
#include "setup/texts.h"
#include "setup/welcome_dialog.h"

namespace {

// 1 only when the user pressed Install and the destination folder exists; a dialog
// that could not be made counts as a refusal.
bool UserConfirmedDestination() {
  return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_WELCOME), Driver().main_window,
                         WelcomeDialogProc, 0) == 1;
}

// Asked after the welcome dialog, so the destination folder exists by then.
bool UserAcceptsMissingRights() {
  if (IsAdminByRegistry()) return true;
  return MessageBoxA(Driver().main_window, kNoAdminRights, kMessageCaption,
                     MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2) == IDYES;
}

// Unpacking and registration get the folder without its one trailing backslash:
// the drive root C:\ becomes C:.
void DropTrailingBackslash(Text& folder) {
  if (!folder.empty() && folder.back() == '\\') folder.PopBack();
}

void Install() {
  SetupDriverState& driver = Driver();
  OpenProgressWindow();
  DropTrailingBackslash(driver.destination_folder);
  bool ok = UnpackPayload(driver.destination_folder.c_str(), PumpMessages);
  if (ok) ok = RegisterApplication(driver.destination_folder.c_str(), driver.main_window, PumpMessages);
  // The progress window goes first, so the failure message stands alone.
  CloseProgressWindow();
  if (!ok) MessageBoxA(driver.main_window, kSetupCorrupted, kMessageCaption, MB_OK | MB_ICONHAND);
}

}  // namespace

void RunSetup() {
  SetupDriverState& driver = Driver();
  driver.main_window = CreateMainWindow(kSetupTitle);  // without it, dialogs have no owner
  ResolveDefaultDestination();
  if (UserConfirmedDestination() && UserAcceptsMissingRights()) Install();
  if (driver.welcome_font != nullptr) DeleteObject(driver.welcome_font);
  SendMessageA(driver.main_window, WM_CLOSE, 0, 0);
}
