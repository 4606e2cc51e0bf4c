// UI driver: finds the windows of a program under test and reads and presses their
// controls through the Win32 API, from another process of the same (wine) session.
// Real key presses and screenshots go to the X display through xdotool and
// ImageMagick's import, which a Windows program under wine can start directly.
//
// Library use (C++, Windows builds; link tsv_ui_driver):
//
//   ui::Process setup = ui::Launch("Z:\\build\\setup.exe", "Z:\\tmp\\run");
//   HWND welcome = ui::WaitForWindow("Orvanel 3.01 Setup", "#32770", setup.pid);
//   ui::ControlText(welcome, 206);             // text of a control
//   ui::Press(welcome, 202);                    // as if the button were clicked
//   ui::MessageBoxInfo box = ui::WaitForMessageBox(setup.pid);
//   box.caption, box.text, box.buttons ("&Yes", "&No"), box.default_button ("&No")
//   ui::Answer(box, "No");                      // by button text, '&' ignored
//   ui::WaitForExit(setup);                     // exit code, or -1 on time-out
//
// Every wait takes a time-out in milliseconds and returns an empty result (nullptr,
// nullopt, false) when it runs out; the callers' assertions then fail with a message
// instead of hanging. The command-line front end is described in README.md.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace ui {

constexpr int kDefaultTimeoutMs = 15000;

struct Process {
  HANDLE handle = nullptr;
  DWORD pid = 0;
};

// Starts command_line (a Windows command line) in working_folder; pid 0 on failure.
Process Launch(const std::string& command_line, const std::string& working_folder = "");
// Waits for the process to end; its exit code, or -1 after the time-out.
long WaitForExit(Process& process, int timeout_ms = kDefaultTimeoutMs);
// Ends a process that is still running (clean-up after a failed case).
void Kill(Process& process);

struct WindowInfo {
  HWND hwnd = nullptr;
  std::string class_name;
  std::string title;
  DWORD pid = 0;
  bool visible = false;
  bool enabled = false;
  RECT rect{};
  HWND owner = nullptr;
};

WindowInfo Describe(HWND window);
// Visible top-level windows, of one process when pid is not 0.
std::vector<WindowInfo> TopLevelWindows(DWORD pid = 0);
// A visible top-level window with exactly this title (and class, when not empty).
HWND FindWindowByTitle(const std::string& title, const std::string& class_name = "", DWORD pid = 0);
HWND WaitForWindow(const std::string& title, const std::string& class_name = "", DWORD pid = 0,
                   int timeout_ms = kDefaultTimeoutMs);
// True once window is no longer a visible window.
bool WaitUntilGone(HWND window, int timeout_ms = kDefaultTimeoutMs);

std::string WindowText(HWND window);
std::string ControlText(HWND dialog, int control_id);
// Sets a control's text, as typing into it would.
bool SetControlText(HWND dialog, int control_id, const std::string& text);
// Presses button control_id of dialog: the dialog gets the command a click sends.
// Posted, so a modal loop the press opens does not block the driver.
bool Press(HWND dialog, int control_id);
// Asks the window to close, as the system menu or Alt+F4 would (posted WM_CLOSE).
bool Close(HWND window);

struct MessageBoxInfo {
  HWND hwnd = nullptr;
  std::string caption;
  std::string text;
  std::vector<std::string> buttons;  // texts in tab order, e.g. "&Yes", "&No"
  std::string default_button;        // text of the default push button
};

// A message box is a dialog of the system class with the text control 0xFFFF.
bool IsMessageBox(HWND window);
std::optional<MessageBoxInfo> ReadMessageBox(HWND window);
std::optional<MessageBoxInfo> WaitForMessageBox(DWORD pid = 0, int timeout_ms = kDefaultTimeoutMs);
// The message boxes open now (of pid, when not 0).
std::vector<MessageBoxInfo> OpenMessageBoxes(DWORD pid = 0);
// Presses the button whose text, without '&', equals button ("Yes", "No", "OK").
bool Answer(const MessageBoxInfo& box, const std::string& button);

// Makes window the foreground window, so that real keys reach it.
bool Activate(HWND window);
// Runs "xdotool key KEYS..." on the session's display (e.g. "Escape", "Return").
bool SendKeys(const std::string& keys);
// Saves the whole virtual screen as a PNG (ImageMagick "import -window root").
bool Screenshot(const std::string& unix_png_path);
// Runs a Unix command line (through /bin/sh; no double quotes in it) and returns its
// exit status, or -1 when it could not start or did not finish in time.
int RunUnix(const std::string& command_line, int timeout_ms = kDefaultTimeoutMs);

// Windows path of a Unix path through the Z: drive of the prefix (Z:\ is /).
std::string WindowsPath(const std::string& unix_path);

void Sleep(int milliseconds);

// List boxes and combo boxes, of this process or another: entries are read with the
// controls' own messages, which the system copies across processes.

// The entries of list box or combo box control_id, in order.
std::vector<std::string> ItemTexts(HWND dialog, int control_id);
// Index of the selected entry of a list box or combo box, or -1.
int SelectedItem(HWND dialog, int control_id);
// The item data of an entry (LB_GETITEMDATA, CB_GETITEMDATA).
LONG_PTR ItemData(HWND dialog, int control_id, int index);
// Selects entry index and tells the dialog what the control tells it after a user's
// pick: LBN_SELCHANGE for a list box, CBN_SELENDOK then CBN_SELCHANGE for a combo
// box. Posted, like Press.
bool SelectItem(HWND dialog, int control_id, int index);
// Double-clicks entry index of a list box with the real mouse, scrolling the entry
// into view first; the control itself sends LBN_DBLCLK.
bool DoubleClickItem(HWND dialog, int control_id, int index);
// Moves the keyboard focus to control_id as Tab would (WM_NEXTDLGCTL); true once the
// control has it.
bool FocusControl(HWND dialog, int control_id);
// The window with the keyboard focus in the thread of window, or nullptr.
HWND FocusedWindow(HWND window);
// Presses the left mouse button count times at screen position x, y (xdotool).
bool ClickAt(int x, int y, int count = 1);

}  // namespace ui
