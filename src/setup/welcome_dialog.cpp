#include "setup/welcome_dialog.h"

#include "postset/global.h"
#include "resources/resource_ids.h"
#include "seldir/zseldir.h"
#include "setup/destination.h"
#include "setup/driver_state.h"
#include "setup/texts.h"

namespace {

constexpr char kCurrentVersionKey[] = "Software\\Microsoft\\Windows\\CurrentVersion";
constexpr DWORD kPathBufferSize = 260;
constexpr LONG kWelcomeFontHeight = -11;  // a character height of 11 pixels
// The metrics record as every Windows version knows it, without the padded-border
// field that Vista added: older systems reject the larger size.
constexpr UINT kNonClientMetricsSize = 340;
static_assert(sizeof(NONCLIENTMETRICSA) >= kNonClientMetricsSize, "metrics record too small");

// Reads "ProgramFilesDir"; "C:" on any failure, a value too long for the buffer too.
Text ProgramFilesPrefix() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kCurrentVersionKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return Text("C:");
  }
  char buffer[kPathBufferSize] = {};
  DWORD size = kPathBufferSize;
  const LONG status =
      RegQueryValueExA(key, "ProgramFilesDir", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(key);
  // The returned size counts the terminating zero. An empty value (size 0 or 1)
  // yields an empty prefix rather than a read before the buffer.
  if (status != ERROR_SUCCESS) return Text("C:");
  return Text(buffer, size > 0 ? size - 1 : 0);
}

// The message-box font of the system, 11 pixels high; none if it cannot be made.
HFONT CreateWelcomeFont() {
  NONCLIENTMETRICSA metrics{};
  metrics.cbSize = kNonClientMetricsSize;
  if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, kNonClientMetricsSize, &metrics, 0)) return nullptr;
  metrics.lfMessageFont.lfHeight = kWelcomeFontHeight;
  return CreateFontIndirectA(&metrics.lfMessageFont);
}

void ShowDestination(HWND dialog) {
  SetDlgItemTextA(dialog, IDC_DESTINATION, Driver().destination_folder.c_str());
}

void OnInitDialog(HWND dialog) {
  SetupDriverState& driver = Driver();
  driver.current_dialog = dialog;
  SetWindowTextA(dialog, kSetupTitle);
  driver.welcome_font = CreateWelcomeFont();
  if (driver.welcome_font != nullptr) {
    SendDlgItemMessageA(dialog, IDC_DESTINATION, WM_SETFONT, reinterpret_cast<WPARAM>(driver.welcome_font), 0);
  }
  SetDlgItemTextA(dialog, IDC_WELCOME_TEXT, kWelcomeText);
  driver.destination_folder = DefaultDestination();
  ShowDestination(dialog);
}

bool ConfirmLowDiskSpace(HWND dialog) {
  const Text question = Text(kLowDiskSpaceStart) + kRequiredMegabytesText + kLowDiskSpaceEnd;
  return MessageBoxA(dialog, question.c_str(), kMessageCaption, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void OnInstall(HWND dialog) {
  const Text& destination = Driver().destination_folder;
  if (!(FreeSpaceMegabytes(destination) >= kRequiredMegabytes) && !ConfirmLowDiskSpace(dialog)) return;
  if (!CreateDestinationFolder(destination).empty()) {
    EndDialog(dialog, 1);
    return;
  }
  const Text message = Text(kCannotCreateFolder) + destination;
  MessageBoxA(dialog, message.c_str(), kMessageCaption, MB_OK | MB_ICONHAND);
}

void OnBrowse() {
  SetupDriverState& driver = Driver();
  driver.destination_folder =
      ChooseDirectory(driver.current_dialog, driver.destination_folder, driver.welcome_font);
  // The chooser gives a drive root as D:, the destination shows it as D:\.
  if (driver.destination_folder.size() == 2) driver.destination_folder += '\\';
  ShowDestination(driver.current_dialog);
}

// Shows the read-only welcome text without a selection. Posted, so that it comes
// after the edit control has selected everything on getting the focus.
void OnWelcomeTextFocused(HWND edit) { PostMessageA(edit, EM_SETSEL, 0, 0); }

void OnCommand(HWND dialog, WPARAM w_param, LPARAM l_param) {
  switch (LOWORD(w_param)) {
    case IDC_INSTALL:
      OnInstall(dialog);
      break;
    case IDC_CANCEL_SETUP:
      ConfirmExit(dialog);
      break;
    case IDC_BROWSE:
      OnBrowse();
      break;
    case IDC_WELCOME_TEXT:
      if (HIWORD(w_param) == EN_SETFOCUS) OnWelcomeTextFocused(reinterpret_cast<HWND>(l_param));
      break;
    default:
      break;  // IDCANCEL from Escape among them: the dialog stays as it is
  }
}

}  // namespace

void ResolveDefaultDestination() {
  Text& destination = DefaultDestination();
  destination = ProgramFilesPrefix() + destination;
}

void ConfirmExit(HWND dialog) {
  if (MessageBoxA(dialog, kExitQuestion, kExitCaption, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES) {
    EndDialog(dialog, 0);
  }
}

INT_PTR CALLBACK WelcomeDialogProc(HWND dialog, UINT message, WPARAM w_param, LPARAM l_param) {
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog(dialog);
      return TRUE;
    case WM_COMMAND:
      OnCommand(dialog, w_param, l_param);
      return TRUE;
    case WM_CLOSE:
      EndDialog(dialog, 0);
      return TRUE;
    default:
      return FALSE;
  }
}
