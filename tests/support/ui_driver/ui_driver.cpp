#include "ui_driver.h"

#include <chrono>
#include <fstream>
#include <thread>

namespace ui {
namespace {

constexpr UINT kMessageTimeoutMs = 2000;
constexpr int kPollMs = 50;
constexpr int kMessageBoxTextId = 0xFFFF;

// Polls until found() gives a value or the time runs out.
template <typename Find>
auto PollFor(int timeout_ms, Find found) -> decltype(found()) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    auto result = found();
    if (result || std::chrono::steady_clock::now() >= deadline) return result;
    std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
  }
}

// Enumeration callback collecting every window into the vector at list.
BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> children;
  EnumChildWindows(parent, CollectWindow, reinterpret_cast<LPARAM>(&children));
  return children;
}

std::string WithoutAmpersands(std::string text) {
  std::string plain;
  for (char c : text) {
    if (c != '&') plain += c;
  }
  return plain;
}

}  // namespace

Process Launch(const std::string& command_line, const std::string& working_folder) {
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  std::vector<char> command(command_line.begin(), command_line.end());
  command.push_back('\0');
  Process process;
  if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                     working_folder.empty() ? nullptr : working_folder.c_str(), &startup, &info)) {
    CloseHandle(info.hThread);
    process.handle = info.hProcess;
    process.pid = info.dwProcessId;
  }
  return process;
}

long WaitForExit(Process& process, int timeout_ms) {
  if (process.handle == nullptr) return -1;
  if (WaitForSingleObject(process.handle, static_cast<DWORD>(timeout_ms)) != WAIT_OBJECT_0) return -1;
  DWORD code = 0;
  GetExitCodeProcess(process.handle, &code);
  CloseHandle(process.handle);
  process.handle = nullptr;
  return static_cast<long>(code);
}

void Kill(Process& process) {
  if (process.handle == nullptr) return;
  TerminateProcess(process.handle, 1);
  WaitForSingleObject(process.handle, 5000);
  CloseHandle(process.handle);
  process.handle = nullptr;
}

WindowInfo Describe(HWND window) {
  WindowInfo info;
  info.hwnd = window;
  char class_name[256] = {};
  GetClassNameA(window, class_name, sizeof(class_name));
  info.class_name = class_name;
  info.title = WindowText(window);
  GetWindowThreadProcessId(window, &info.pid);
  info.visible = IsWindowVisible(window) != FALSE;
  info.enabled = IsWindowEnabled(window) != FALSE;
  GetWindowRect(window, &info.rect);
  info.owner = GetWindow(window, GW_OWNER);
  return info;
}

std::vector<WindowInfo> TopLevelWindows(DWORD pid) {
  std::vector<HWND> windows;
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
  std::vector<WindowInfo> found;
  for (HWND window : windows) {
    if (!IsWindowVisible(window)) continue;
    WindowInfo info = Describe(window);
    if (pid == 0 || info.pid == pid) found.push_back(info);
  }
  return found;
}

HWND FindWindowByTitle(const std::string& title, const std::string& class_name, DWORD pid) {
  for (const WindowInfo& info : TopLevelWindows(pid)) {
    if (info.title == title && (class_name.empty() || info.class_name == class_name)) return info.hwnd;
  }
  return nullptr;
}

HWND WaitForWindow(const std::string& title, const std::string& class_name, DWORD pid, int timeout_ms) {
  return PollFor(timeout_ms, [&] { return FindWindowByTitle(title, class_name, pid); });
}

bool WaitUntilGone(HWND window, int timeout_ms) {
  return PollFor(timeout_ms, [&] { return !IsWindow(window) || !IsWindowVisible(window); });
}

std::string WindowText(HWND window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &length)) return "";
  std::string text(length + 1, '\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                           kMessageTimeoutMs, &copied)) {
    return "";
  }
  text.resize(copied);
  return text;
}

std::string ControlText(HWND dialog, int control_id) {
  const HWND control = GetDlgItem(dialog, control_id);
  return control != nullptr ? WindowText(control) : std::string();
}

bool SetControlText(HWND dialog, int control_id, const std::string& text) {
  const HWND control = GetDlgItem(dialog, control_id);
  DWORD_PTR result = 0;
  return control != nullptr && SendMessageTimeoutA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                                                    SMTO_ABORTIFHUNG, kMessageTimeoutMs, &result) != 0;
}

bool Press(HWND dialog, int control_id) {
  const HWND button = GetDlgItem(dialog, control_id);
  if (button == nullptr) return false;
  return PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(control_id, BN_CLICKED), reinterpret_cast<LPARAM>(button)) != 0;
}

bool Close(HWND window) { return PostMessageA(window, WM_CLOSE, 0, 0) != 0; }

bool IsMessageBox(HWND window) {
  char class_name[64] = {};
  GetClassNameA(window, class_name, sizeof(class_name));
  return std::string(class_name) == "#32770" && GetDlgItem(window, kMessageBoxTextId) != nullptr;
}

std::optional<MessageBoxInfo> ReadMessageBox(HWND window) {
  if (!IsWindow(window) || !IsMessageBox(window)) return std::nullopt;
  MessageBoxInfo box;
  box.hwnd = window;
  box.caption = WindowText(window);
  box.text = ControlText(window, kMessageBoxTextId);
  // The default push button carries BS_DEFPUSHBUTTON; DM_GETDEFID is not reliable
  // across systems (wine answers IDOK for a Yes/No box).
  for (HWND child : Children(window)) {
    char class_name[64] = {};
    GetClassNameA(child, class_name, sizeof(class_name));
    if (std::string(class_name) != "Button" || !IsWindowVisible(child)) continue;
    const std::string text = WindowText(child);
    box.buttons.push_back(text);
    if ((GetWindowLongA(child, GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON) box.default_button = text;
  }
  return box;
}

std::vector<MessageBoxInfo> OpenMessageBoxes(DWORD pid) {
  std::vector<MessageBoxInfo> boxes;
  for (const WindowInfo& info : TopLevelWindows(pid)) {
    if (auto box = ReadMessageBox(info.hwnd)) boxes.push_back(*box);
  }
  return boxes;
}

std::optional<MessageBoxInfo> WaitForMessageBox(DWORD pid, int timeout_ms) {
  return PollFor(timeout_ms, [&]() -> std::optional<MessageBoxInfo> {
    auto boxes = OpenMessageBoxes(pid);
    if (boxes.empty()) return std::nullopt;
    return boxes.front();
  });
}

bool Answer(const MessageBoxInfo& box, const std::string& button) {
  for (HWND child : Children(box.hwnd)) {
    if (IsWindowVisible(child) && WithoutAmpersands(WindowText(child)) == button) {
      return Press(box.hwnd, GetDlgCtrlID(child));
    }
  }
  return false;
}

bool Activate(HWND window) {
  SetForegroundWindow(window);
  return PollFor(2000, [&] { return GetForegroundWindow() == window; });
}

int RunUnix(const std::string& command_line, int timeout_ms) {
  // Wine starts Unix programs but gives back no waitable handle for them, so the
  // command runs under sh, which leaves its exit status in a file we poll for.
  static int runs = 0;
  const std::string status_file =
      "/tmp/uidriver-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++runs) + ".status";
  const std::string status_path = WindowsPath(status_file);
  DeleteFileA(status_path.c_str());
  // Wine reports a started Unix program as a success but fills in no process: the
  // handle is null and the ids are not ones to rely on (Launch's pid may be 0).
  std::string command = "/bin/sh -c \"" + command_line + "; echo $? >" + status_file + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    return -1;
  }
  const bool finished = PollFor(timeout_ms, [&] {
    std::ifstream in(status_path);
    int code = -1;
    return static_cast<bool>(in >> code);
  });
  int code = -1;
  if (finished) std::ifstream(status_path) >> code;
  DeleteFileA(status_path.c_str());
  return code;
}

bool SendKeys(const std::string& keys) { return RunUnix("/usr/bin/xdotool key " + keys) == 0; }

bool Screenshot(const std::string& unix_png_path) {
  return RunUnix("/usr/bin/import -window root " + unix_png_path, 30000) == 0;
}

std::string WindowsPath(const std::string& unix_path) {
  std::string path = "Z:" + unix_path;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

void Sleep(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

namespace {

bool IsComboBox(HWND control) {
  char class_name[64] = {};
  GetClassNameA(control, class_name, sizeof(class_name));
  return lstrcmpiA(class_name, "ComboBox") == 0;
}

// The message numbers of one kind of control: list box or combo box.
struct ItemMessages {
  UINT count, text_length, text, selection, data, select;
};
constexpr ItemMessages kListBoxMessages = {LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT, LB_GETCURSEL, LB_GETITEMDATA,
                                           LB_SETCURSEL};
constexpr ItemMessages kComboBoxMessages = {CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT, CB_GETCURSEL, CB_GETITEMDATA,
                                            CB_SETCURSEL};

const ItemMessages& MessagesFor(HWND control) { return IsComboBox(control) ? kComboBoxMessages : kListBoxMessages; }

LRESULT SendWithTimeout(HWND window, UINT message, WPARAM w_param, LPARAM l_param) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(window, message, w_param, l_param, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &result)) return -1;
  return static_cast<LRESULT>(result);
}

}  // namespace

std::vector<std::string> ItemTexts(HWND dialog, int control_id) {
  std::vector<std::string> texts;
  const HWND control = GetDlgItem(dialog, control_id);
  if (control == nullptr) return texts;
  const ItemMessages& m = MessagesFor(control);
  const LRESULT count = SendWithTimeout(control, m.count, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    // Read as UTF-16 and converted here: wine hands the ANSI text of another process's
    // entry back in UTF-16 bytes.
    DWORD_PTR length = 0;
    SendMessageTimeoutW(control, m.text_length, static_cast<WPARAM>(i), 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &length);
    std::wstring wide(static_cast<size_t>(length) + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(control, m.text, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(wide.data()),
                        SMTO_ABORTIFHUNG, kMessageTimeoutMs, &copied);
    wide.resize(static_cast<LONG_PTR>(copied) > 0 ? static_cast<size_t>(copied) : 0);
    std::string text(wide.size() * 2 + 1, '\0');
    const int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), text.data(),
                                          static_cast<int>(text.size()), nullptr, nullptr);
    text.resize(bytes > 0 ? static_cast<size_t>(bytes) : 0);
    texts.push_back(text);
  }
  return texts;
}

int SelectedItem(HWND dialog, int control_id) {
  const HWND control = GetDlgItem(dialog, control_id);
  if (control == nullptr) return -1;
  return static_cast<int>(SendWithTimeout(control, MessagesFor(control).selection, 0, 0));
}

LONG_PTR ItemData(HWND dialog, int control_id, int index) {
  const HWND control = GetDlgItem(dialog, control_id);
  if (control == nullptr) return -1;
  return SendWithTimeout(control, MessagesFor(control).data, static_cast<WPARAM>(index), 0);
}

bool SelectItem(HWND dialog, int control_id, int index) {
  const HWND control = GetDlgItem(dialog, control_id);
  if (control == nullptr) return false;
  if (SendWithTimeout(control, MessagesFor(control).select, static_cast<WPARAM>(index), 0) != index) return false;
  const LPARAM from = reinterpret_cast<LPARAM>(control);
  if (IsComboBox(control)) {
    return PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(control_id, CBN_SELENDOK), from) &&
           PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(control_id, CBN_SELCHANGE), from);
  }
  return PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(control_id, LBN_SELCHANGE), from) != 0;
}

bool DoubleClickItem(HWND dialog, int control_id, int index) {
  const HWND list = GetDlgItem(dialog, control_id);
  if (list == nullptr || IsComboBox(list)) return false;
  RECT client{};
  GetClientRect(list, &client);
  RECT item{};
  if (SendWithTimeout(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)) == LB_ERR) {
    return false;
  }
  if (item.top < client.top || item.bottom > client.bottom) {
    SendWithTimeout(list, LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
    SendWithTimeout(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
  }
  POINT middle = {(item.left + item.right) / 2, (item.top + item.bottom) / 2};
  ClientToScreen(list, &middle);
  return ClickAt(middle.x, middle.y, 2);
}

HWND FocusedWindow(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

bool FocusControl(HWND dialog, int control_id) {
  const HWND control = GetDlgItem(dialog, control_id);
  if (control == nullptr) return false;
  PostMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
  return PollFor(2000, [&] { return FocusedWindow(dialog) == control; });
}

bool ClickAt(int x, int y, int count) {
  return RunUnix("/usr/bin/xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) + " click --repeat " +
                 std::to_string(count) + " --delay 80 1") == 0;
}

}  // namespace ui
