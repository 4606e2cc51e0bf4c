// uidriver: the UI driver's command-line front end for scripts (see README.md).
// Runs its commands in order against the windows of the wine session it runs in and
// stops at the first that fails, with exit status 1.
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ui_driver.h"

namespace {

struct Session {
  int timeout_ms = ui::kDefaultTimeoutMs;
  HWND window = nullptr;
  std::optional<ui::MessageBoxInfo> box;
};

// Texts are printed and compared with C escapes, so a line break is \r or \n.
std::string Escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else if (c == '\\') out += "\\\\";
    else out += c;
  }
  return out;
}

std::string Unescape(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) { out += text[i]; continue; }
    const char next = text[++i];
    out += next == 'r' ? '\r' : next == 'n' ? '\n' : next;
  }
  return out;
}

bool Fail(const std::string& why) {
  std::fprintf(stderr, "uidriver: %s\n", why.c_str());
  return false;
}

bool NeedWindow(const Session& s) { return s.window != nullptr || Fail("no window chosen (wait-window first)"); }
bool NeedBox(const Session& s) { return s.box.has_value() || Fail("no message box chosen (wait-message first)"); }

void PrintBox(const ui::MessageBoxInfo& box) {
  std::string buttons;
  for (const std::string& b : box.buttons) buttons += (buttons.empty() ? "" : ",") + b;
  std::printf("message caption=%s\nmessage text=%s\nmessage buttons=%s\nmessage default=%s\n",
              Escape(box.caption).c_str(), Escape(box.text).c_str(), buttons.c_str(), box.default_button.c_str());
}

using Command = std::function<bool(Session&, const std::vector<std::string>&)>;
struct CommandSpec {
  size_t arguments;
  Command run;
};

const std::map<std::string, CommandSpec>& Commands() {
  static const std::map<std::string, CommandSpec> commands = {
      {"timeout", {1, [](Session& s, auto& a) { s.timeout_ms = std::atoi(a[0].c_str()); return true; }}},
      {"sleep", {1, [](Session&, auto& a) { ui::Sleep(std::atoi(a[0].c_str())); return true; }}},
      {"list", {0, [](Session&, auto&) {
         for (const ui::WindowInfo& w : ui::TopLevelWindows()) {
           std::printf("window class=%s title=%s pid=%lu enabled=%d\n", w.class_name.c_str(),
                       Escape(w.title).c_str(), w.pid, w.enabled ? 1 : 0);
         }
         return true;
       }}},
      {"wait-window", {1, [](Session& s, auto& a) {
         s.window = ui::WaitForWindow(Unescape(a[0]), "", 0, s.timeout_ms);
         return s.window != nullptr || Fail("no window titled \"" + a[0] + "\"");
       }}},
      {"wait-dialog", {1, [](Session& s, auto& a) {
         s.window = ui::WaitForWindow(Unescape(a[0]), "#32770", 0, s.timeout_ms);
         return s.window != nullptr || Fail("no dialog titled \"" + a[0] + "\"");
       }}},
      {"wait-gone", {0, [](Session& s, auto&) {
         return NeedWindow(s) && (ui::WaitUntilGone(s.window, s.timeout_ms) || Fail("window still there"));
       }}},
      {"print-title", {0, [](Session& s, auto&) {
         if (!NeedWindow(s)) return false;
         std::printf("title=%s\n", Escape(ui::WindowText(s.window)).c_str());
         return true;
       }}},
      {"print-text", {1, [](Session& s, auto& a) {
         if (!NeedWindow(s)) return false;
         std::printf("text %s=%s\n", a[0].c_str(), Escape(ui::ControlText(s.window, std::atoi(a[0].c_str()))).c_str());
         return true;
       }}},
      {"expect-text", {2, [](Session& s, auto& a) {
         if (!NeedWindow(s)) return false;
         const std::string actual = ui::ControlText(s.window, std::atoi(a[0].c_str()));
         return actual == Unescape(a[1]) || Fail("control " + a[0] + " shows \"" + Escape(actual) + "\"");
       }}},
      {"set-text", {2, [](Session& s, auto& a) {
         return NeedWindow(s) && ui::SetControlText(s.window, std::atoi(a[0].c_str()), Unescape(a[1]));
       }}},
      {"press", {1, [](Session& s, auto& a) {
         return NeedWindow(s) && (ui::Press(s.window, std::atoi(a[0].c_str())) || Fail("no control " + a[0]));
       }}},
      {"print-items", {1, [](Session& s, auto& a) {
         if (!NeedWindow(s)) return false;
         const int id = std::atoi(a[0].c_str());
         const std::vector<std::string> items = ui::ItemTexts(s.window, id);
         for (size_t i = 0; i < items.size(); ++i) {
           std::printf("item %s[%zu]=%s\n", a[0].c_str(), i, Escape(items[i]).c_str());
         }
         std::printf("selected %s=%d\n", a[0].c_str(), ui::SelectedItem(s.window, id));
         return true;
       }}},
      {"select", {2, [](Session& s, auto& a) {
         return NeedWindow(s) && (ui::SelectItem(s.window, std::atoi(a[0].c_str()), std::atoi(a[1].c_str())) ||
                                  Fail("cannot select entry " + a[1] + " of control " + a[0]));
       }}},
      {"double-click", {2, [](Session& s, auto& a) {
         return NeedWindow(s) && (ui::DoubleClickItem(s.window, std::atoi(a[0].c_str()), std::atoi(a[1].c_str())) ||
                                  Fail("cannot double-click entry " + a[1] + " of control " + a[0]));
       }}},
      {"focus", {1, [](Session& s, auto& a) {
         return NeedWindow(s) && (ui::FocusControl(s.window, std::atoi(a[0].c_str())) ||
                                  Fail("control " + a[0] + " did not get the focus"));
       }}},
      {"close", {0, [](Session& s, auto&) { return NeedWindow(s) && ui::Close(s.window); }}},
      {"activate", {0, [](Session& s, auto&) { return NeedWindow(s) && ui::Activate(s.window); }}},
      {"keys", {1, [](Session&, auto& a) { return ui::SendKeys(a[0]) || Fail("xdotool failed"); }}},
      {"screenshot", {1, [](Session&, auto& a) { return ui::Screenshot(a[0]) || Fail("import failed"); }}},
      {"wait-message", {0, [](Session& s, auto&) {
         s.box = ui::WaitForMessageBox(0, s.timeout_ms);
         if (!s.box) return Fail("no message box appeared");
         PrintBox(*s.box);
         return true;
       }}},
      {"expect-message", {2, [](Session& s, auto& a) {
         if (!NeedBox(s)) return false;
         return (s.box->caption == Unescape(a[0]) && s.box->text == Unescape(a[1])) ||
                Fail("message box is \"" + Escape(s.box->caption) + "\": \"" + Escape(s.box->text) + "\"");
       }}},
      {"answer", {1, [](Session& s, auto& a) {
         return NeedBox(s) && (ui::Answer(*s.box, a[0]) || Fail("no button " + a[0]));
       }}},
  };
  return commands;
}

int Usage() {
  std::fprintf(stderr, "usage: uidriver COMMAND [ARGS]... [COMMAND [ARGS]...]...  (see README.md)\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return Usage();
  Session session;
  for (size_t i = 0; i < args.size();) {
    const auto command = Commands().find(args[i]);
    if (command == Commands().end()) {
      std::fprintf(stderr, "uidriver: unknown command %s\n", args[i].c_str());
      return Usage();
    }
    if (i + 1 + command->second.arguments > args.size()) return Usage();
    std::vector<std::string> command_args(args.begin() + i + 1, args.begin() + i + 1 + command->second.arguments);
    if (!command->second.run(session, command_args)) return 1;
    std::fflush(stdout);
    i += 1 + command->second.arguments;
  }
  return 0;
}
