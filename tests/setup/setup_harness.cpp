#include "setup_harness.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

namespace fs = std::filesystem;

namespace setup_test {
namespace {
constexpr char kCurrentVersionKey[] = "Software\\Microsoft\\Windows\\CurrentVersion";
}  // namespace

std::string PathFromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool FolderExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

CurrentVersionValue::CurrentVersionValue(const char* name) : name_(name) {
  char buffer[1024];
  DWORD size = sizeof(buffer);
  if (RegGetValueA(HKEY_LOCAL_MACHINE, kCurrentVersionKey, name, RRF_RT_REG_SZ, nullptr, buffer, &size) ==
      ERROR_SUCCESS) {
    original_ = std::string(buffer);
  }
}

CurrentVersionValue::~CurrentVersionValue() { Set(original_); }

void CurrentVersionValue::Set(const std::optional<std::string>& value) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kCurrentVersionKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
    ADD_FAILURE() << "cannot open HKLM\\" << kCurrentVersionKey << " for writing";
    return;
  }
  if (value) {
    RegSetValueExA(key, name_.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value->c_str()),
                   static_cast<DWORD>(value->size() + 1));
  } else {
    RegDeleteValueA(key, name_.c_str());
  }
  RegCloseKey(key);
}

ProgressWatcher::ProgressWatcher(DWORD pid) : pid_(pid), thread_([this] { Run(); }) {}

ProgressWatcher::~ProgressWatcher() {
  stop_ = true;
  thread_.join();
}

void ProgressWatcher::Run() {
  while (!stop_) {
    const HWND progress = FindWindowExA(nullptr, nullptr, "#32770", kProgressTitle);
    DWORD pid = 0;
    if (progress != nullptr && GetWindowThreadProcessId(progress, &pid) != 0 && pid == pid_) {
      window_seen_ = true;
      if (FindWindowExA(progress, nullptr, "TsvInstA32", nullptr) != nullptr) animation_seen_ = true;
    }
    std::this_thread::yield();
  }
}

void CurrentVersionValue::SetBytes(const std::string& bytes) {
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kCurrentVersionKey, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
  RegSetValueExA(key, name_.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(bytes.data()),
                 static_cast<DWORD>(bytes.size()));
  RegCloseKey(key);
}

void SetupCase::SetUp() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "." + info->name();
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  case_folder_ = "C:\\tsvtest\\" + name;
  std::error_code ignored;
  fs::remove_all(case_folder_, ignored);
  fs::create_directories(case_folder_);
  program_files_ = case_folder_ + "\\Program Files";
  destination_ = program_files_ + "\\Brastel\\Tesivo";
  program_files_dir_.Set(program_files_);
}

void SetupCase::TearDown() {
  if (setup_.handle != nullptr) {
    ADD_FAILURE() << "the setup was still running; ended it";
    for (const ui::WindowInfo& w : ui::TopLevelWindows(setup_.pid)) {
      std::printf("  open window: class=%s title=%s\n", w.class_name.c_str(), w.title.c_str());
    }
    ui::Kill(setup_);
  }
  std::error_code ignored;
  fs::remove_all(case_folder_, ignored);
}

void SetupCase::Start(const std::string& setup_file) {
  ASSERT_FALSE(setup_file.empty());
  const std::string copy = case_folder_ + "\\setup.exe";
  const bool windows_path = setup_file.size() > 1 && setup_file[1] == ':';
  const std::string source = windows_path ? setup_file : ui::WindowsPath(setup_file);
  ASSERT_TRUE(CopyFileA(source.c_str(), copy.c_str(), FALSE)) << setup_file;
  setup_ = ui::Launch("\"" + copy + "\"", case_folder_);
  ASSERT_NE(setup_.pid, 0u);
}

HWND SetupCase::StartAtWelcome(const std::string& setup_file) {
  Start(setup_file);
  if (setup_.pid == 0) return nullptr;
  const HWND welcome = ui::WaitForWindow(kTitle, "#32770", setup_.pid);
  EXPECT_NE(welcome, nullptr) << "no welcome dialog";
  return welcome;
}

std::optional<ui::MessageBoxInfo> SetupCase::NextMessage(int timeout_ms) {
  std::set<HWND> known;
  for (const SeenMessage& m : seen_) known.insert(m.box.hwnd);
  auto box = ui::WaitForMessageBox(setup_.pid, timeout_ms);
  // A box already answered may linger for a moment; wait for a new one.
  const auto deadline = GetTickCount64() + static_cast<ULONGLONG>(timeout_ms);
  while (box && known.count(box->hwnd) != 0 && GetTickCount64() < deadline) {
    ui::Sleep(50);
    box.reset();
    for (const ui::MessageBoxInfo& open : ui::OpenMessageBoxes(setup_.pid)) {
      if (known.count(open.hwnd) == 0) box = open;
    }
  }
  if (!box || known.count(box->hwnd) != 0) return std::nullopt;
  seen_.push_back({*box, ui::FindWindowByTitle(kProgressTitle, "", setup_.pid) != nullptr});
  return box;
}

long SetupCase::FinishRun(const std::string& answer, int timeout_ms) {
  const auto deadline = GetTickCount64() + static_cast<ULONGLONG>(timeout_ms);
  std::set<HWND> answered;
  while (GetTickCount64() < deadline) {
    if (WaitForSingleObject(setup_.handle, 50) == WAIT_OBJECT_0) return ui::WaitForExit(setup_, 0);
    for (const ui::MessageBoxInfo& box : ui::OpenMessageBoxes(setup_.pid)) {
      if (answered.count(box.hwnd) != 0) continue;
      bool known = false;
      for (const SeenMessage& m : seen_) known = known || m.box.hwnd == box.hwnd;
      if (!known) seen_.push_back({box, ui::FindWindowByTitle(kProgressTitle, "", setup_.pid) != nullptr});
      ui::Answer(box, answer);
      answered.insert(box.hwnd);
    }
  }
  return -1;
}

}  // namespace setup_test
