#include "setup/progress_window.h"

#include <windows.h>

#include "resources/resource_ids.h"
#include "setup/driver_state.h"
#include "setup/main_window.h"
#include "platform/system_library.h"

namespace {

constexpr char kAnimationClass[] = "TsvInstA32";
// ACS_CENTER | ACS_TRANSPARENT | ACS_AUTOPLAY: the clip centred on the dialog's own
// background, playing from the moment it is opened until the window goes.
constexpr DWORD kAnimationStyle = WS_CHILD | WS_VISIBLE | 0x0001 | 0x0002 | 0x0004;
constexpr UINT kAnimationOpen = WM_USER + 100;  // ACM_OPENA

using InitCommonControlsFunction = void(WINAPI*)();

// Registers the animation classes of comctl32, loaded from the system folder. The
// library stays loaded: the TsvInstA32 class copy runs its window procedure.
bool InitAnimationControls() {
  const HMODULE common_controls = LoadSystemLibrary("comctl32.dll");
  if (common_controls == nullptr) return false;
  const auto init_common_controls = reinterpret_cast<InitCommonControlsFunction>(
      reinterpret_cast<void (*)()>(GetProcAddress(common_controls, "InitCommonControls")));
  if (init_common_controls == nullptr) return false;
  init_common_controls();
  return true;
}

// SysAnimate32 copied under the instance of shell32: the control takes its clip
// from the module its class and window carry.
bool RegisterAnimationClass(SetupDriverState& driver) {
  if (!GetClassInfoA(nullptr, "SysAnimate32", &driver.animation_class)) return false;
  driver.animation_class.hInstance = driver.shell_library;
  driver.animation_class.lpszClassName = kAnimationClass;
  return RegisterClassA(&driver.animation_class) != 0;
}

}  // namespace

void OpenProgressWindow() {
  SetupDriverState& driver = Driver();
  driver.current_dialog = nullptr;  // it still named the closed welcome dialog
  driver.shell_library = LoadSystemLibrary("shell32.dll");
  if (driver.shell_library == nullptr) return;
  if (!InitAnimationControls()) return;
  if (!RegisterAnimationClass(driver)) return;

  driver.current_dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_PROGRESS),
                                             driver.main_window, ProgressDialogProc, 0);
  if (driver.current_dialog == nullptr) return;
  GetClientRect(driver.current_dialog, &driver.progress_client_rect);
  driver.animation_window = CreateWindowExA(0, kAnimationClass, "", kAnimationStyle, 0, 0,
                                            driver.progress_client_rect.right, driver.progress_client_rect.bottom,
                                            driver.current_dialog, nullptr, driver.shell_library, nullptr);
  if (driver.animation_window != nullptr) {
    SendMessageA(driver.animation_window, kAnimationOpen, 0, IDR_SHELL32_FILE_COPY_CLIP);
  }
}

void CloseProgressWindow() {
  SetupDriverState& driver = Driver();
  // Registration normally closed it already; the animation goes with it.
  if (IsWindow(driver.current_dialog)) DestroyWindow(driver.current_dialog);
  if (driver.shell_library != nullptr) FreeLibrary(driver.shell_library);
}
