#include "setup/main_window.h"

#include "setup/driver_state.h"

namespace {
constexpr char kBackdropClass[] = "TsvInstWnd";
constexpr COLORREF kNavy = RGB(0, 0, 128);
}  // namespace

HWND CreateMainWindow(const char* title) {
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSEXA window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.style = CS_HREDRAW | CS_VREDRAW;
  window_class.lpfnWndProc = DefWindowProcA;  // the backdrop has no behaviour of its own
  window_class.hInstance = instance;
  window_class.hbrBackground = CreateSolidBrush(kNavy);  // lives as long as the process
  window_class.lpszClassName = kBackdropClass;
  if (RegisterClassExA(&window_class) == 0) return nullptr;

  // Disabled, so it never takes input; its title names it in the task list.
  return CreateWindowExA(0, kBackdropClass, title, WS_POPUP | WS_VISIBLE | WS_DISABLED | WS_CLIPCHILDREN, 0, 0,
                         GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, instance,
                         nullptr);
}

INT_PTR CALLBACK ProgressDialogProc(HWND /*dialog*/, UINT message, WPARAM /*w_param*/, LPARAM /*l_param*/) {
  return message == WM_INITDIALOG ? TRUE : FALSE;
}

void PumpMessages(bool destroy) {
  const HWND dialog = Driver().current_dialog;
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (IsWindow(dialog) && IsDialogMessageA(dialog, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  // The handle stays stored; once the window is gone this does nothing.
  if (destroy && dialog != nullptr) DestroyWindow(dialog);
}
