/* Stand-in for the installed application: one window saying that it is installed.
   Built without the C runtime, so it stays a few kilobytes. */
#include <windows.h>

static const char kMessage[] = "Tessivo is installed.";

static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM w_param, LPARAM l_param) {
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    RECT client;
    HDC dc = BeginPaint(window, &paint);
    GetClientRect(window, &client);
    DrawTextA(dc, kMessage, -1, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    EndPaint(window, &paint);
    return 0;
  }
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, w_param, l_param);
}

void Start(void) {
  WNDCLASSA window_class = {0};
  MSG message;
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = GetModuleHandleA(NULL);
  window_class.hCursor = LoadCursorA(NULL, IDC_ARROW);
  window_class.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
  window_class.lpszClassName = "TesivoSample";
  RegisterClassA(&window_class);
  CreateWindowA("TesivoSample", "Tessivo", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, 320,
                120, NULL, NULL, window_class.hInstance, NULL);
  while (GetMessageA(&message, NULL, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  ExitProcess(0);
}
