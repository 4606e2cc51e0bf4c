#include "chooser_case.h"

#include <filesystem>
#include <fstream>

#include "seldir/zseldir.h"

namespace fs = std::filesystem;

namespace chooser_test {

ChooserRun::ChooserRun(std::string initial, HFONT font)
    : call_(std::make_shared<Call>(Call{std::move(initial), font, {}})) {
  thread_ = CreateThread(nullptr, 0, Run, new std::shared_ptr<Call>(call_), 0, nullptr);
  if (thread_ == nullptr) {
    ADD_FAILURE() << "cannot start the chooser's thread";
    return;
  }
  dialog_ = ui::WaitForWindow(kChooserTitle, "#32770", GetCurrentProcessId(), 30000);
  EXPECT_NE(dialog_, nullptr) << "no chooser for \"" << call_->initial << "\"";
}

ChooserRun::~ChooserRun() {
  if (thread_ == nullptr) return;
  if (!Finished()) {
    ADD_FAILURE() << "the chooser was still open; closed it";
    for (const ui::MessageBoxInfo& box : ui::OpenMessageBoxes(GetCurrentProcessId())) ui::Answer(box, "OK");
    for (const ui::MessageBoxInfo& box : ui::OpenMessageBoxes(GetCurrentProcessId())) ui::Answer(box, "No");
    if (dialog_ != nullptr) ui::Close(dialog_);
    WaitForSingleObject(thread_, 5000);
  }
  CloseHandle(thread_);
}

DWORD WINAPI ChooserRun::Run(void* shared_call) {
  const std::unique_ptr<std::shared_ptr<Call>> call(static_cast<std::shared_ptr<Call>*>(shared_call));
  const Text chosen = ChooseDirectory(nullptr, Text((*call)->initial.c_str()), (*call)->font);
  (*call)->result.assign(chosen.c_str(), chosen.size());
  return 0;
}

bool ChooserRun::Finished() const { return WaitForSingleObject(thread_, 0) == WAIT_OBJECT_0; }

std::optional<std::string> ChooserRun::Result(int timeout_ms) {
  if (thread_ == nullptr || WaitForSingleObject(thread_, static_cast<DWORD>(timeout_ms)) != WAIT_OBJECT_0) {
    return std::nullopt;
  }
  return call_->result;
}

void ChooserCase::SetUp() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "." + info->name();
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  root_ = "C:\\tsvtest\\seldir\\" + name;
  std::error_code ignored;
  fs::remove_all(root_, ignored);
  fs::create_directories(root_);
  char directory[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, directory);
  previous_directory_ = directory;
  SetCurrentDirectoryA(root_.c_str());
}

void ChooserCase::TearDown() {
  for (const ui::MessageBoxInfo& box : ui::OpenMessageBoxes(GetCurrentProcessId())) {
    ADD_FAILURE() << "message box left open: " << box.text;
  }
  SetCurrentDirectoryA(previous_directory_.c_str());
  std::error_code ignored;
  fs::remove_all(root_, ignored);
}

void ChooserCase::MakeTree(const std::vector<std::string>& entries) {
  for (const std::string& entry : entries) {
    if (!entry.empty() && entry.back() == '\\') {
      fs::create_directories(Root(entry.substr(0, entry.size() - 1)));
    } else {
      std::ofstream(Root(entry)) << "file";
    }
  }
}

void ChooserCase::ExpectStaysOpen(const ChooserRun& run, const std::string& path) {
  ui::Sleep(200);
  EXPECT_FALSE(run.Finished());
  EXPECT_TRUE(IsWindowVisible(run.dialog()));
  EXPECT_EQ(ui::ControlText(run.dialog(), kPath), path);
  EXPECT_TRUE(ui::OpenMessageBoxes(GetCurrentProcessId()).empty());
}

std::optional<ui::MessageBoxInfo> ChooserCase::NextMessage() {
  return ui::WaitForMessageBox(GetCurrentProcessId(), 5000);
}

std::string MessageIcon(const ui::MessageBoxInfo& box) {
  // The icon sits in a static control with SS_ICON; the system's icons are shared, so
  // within one process the handles compare equal.
  HICON icon = nullptr;
  for (HWND child = GetWindow(box.hwnd, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    char class_name[32] = {};
    GetClassNameA(child, class_name, sizeof(class_name));
    if (lstrcmpiA(class_name, "Static") == 0 && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
      icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
    }
  }
  if (icon == nullptr) return "none";
  if (icon == LoadIconA(nullptr, IDI_EXCLAMATION)) return "exclamation";
  if (icon == LoadIconA(nullptr, IDI_QUESTION)) return "question";
  if (icon == LoadIconA(nullptr, IDI_HAND)) return "hand";
  if (icon == LoadIconA(nullptr, IDI_ASTERISK)) return "asterisk";
  return "other";
}

std::vector<std::string> LevelsOf(const std::string& path) {
  std::vector<std::string> levels;
  size_t start = path.find('\\');
  levels.push_back(path.substr(0, start + 1));
  while (start != std::string::npos && start + 1 < path.size()) {
    const size_t next = path.find('\\', start + 1);
    levels.push_back(path.substr(start + 1, next == std::string::npos ? std::string::npos : next - start - 1));
    start = next;
  }
  return levels;
}

}  // namespace chooser_test
