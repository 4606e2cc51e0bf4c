// Runs the setup program under test in a scratch folder of the wine prefix and
// watches its windows. Each case gets its own Program Files folder through the
// registry value the welcome dialog reads, so installs land in the case's folder
// and the prefix is left as it was found.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "ui_driver.h"

namespace setup_test {

constexpr char kTitle[] = "Orvanel 3.01 Setup";
constexpr char kProgressTitle[] = "Setup is placing files on your computer...";
constexpr char kMessageCaption[] = "Tessivo Setup";
constexpr char kCorruptedText[] =
    "Unable to extract data as the Setup file has been corrupted.\r\r"
    "Please download a correct copy from the Brastel Software home page at http://www.brastel.example/.";
constexpr int kInstall = 201, kCancel = 202, kBrowse = 203, kWelcomeTextId = 204, kDestination = 206;

// Unix path of a file named by an environment variable that CTest sets; empty if
// unset, so a case can skip.
std::string PathFromEnvironment(const char* name);

bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

// Sets a string value under HKLM\Software\Microsoft\Windows\CurrentVersion (or
// deletes it for nullopt) and puts back what was there when it goes.
class CurrentVersionValue {
 public:
  explicit CurrentVersionValue(const char* name);
  ~CurrentVersionValue();
  void Set(const std::optional<std::string>& value);
  // Stores exactly these bytes as a string value, without a terminating zero.
  void SetBytes(const std::string& bytes);

 private:
  std::string name_;
  std::optional<std::string> original_;
};

// What happened on screen while waiting: every message box seen, in order, and
// whether the progress window was on screen when it first appeared.
struct SeenMessage {
  ui::MessageBoxInfo box;
  bool progress_visible = false;
};

// Watches, from its own thread and as fast as it can, for the progress window of a
// process and the animation control in it: with a small payload that window lives
// only for a moment.
class ProgressWatcher {
 public:
  explicit ProgressWatcher(DWORD pid);
  ~ProgressWatcher();
  bool window_seen() const { return window_seen_; }
  bool animation_seen() const { return animation_seen_; }

 private:
  void Run();
  DWORD pid_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> window_seen_{false};
  std::atomic<bool> animation_seen_{false};
  std::thread thread_;
};

class SetupCase : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Copies the setup file (a Unix path, or a Windows one with its drive) into the
  // case folder and starts it there.
  void Start(const std::string& setup_file);
  // Starts the setup and waits for its welcome dialog.
  HWND StartAtWelcome(const std::string& setup_file);
  // Waits for the next message box of the setup, recording it in seen_.
  std::optional<ui::MessageBoxInfo> NextMessage(int timeout_ms = ui::kDefaultTimeoutMs);
  // Waits for the setup to end while recording any message box that shows up
  // (and answering it with answer, so the run cannot hang); its exit code.
  long FinishRun(const std::string& answer = "OK", int timeout_ms = 60000);

  std::string case_folder_;   // C:\tsvtest\<case>
  std::string program_files_;
  std::string destination_;   // what the welcome dialog proposes
  CurrentVersionValue program_files_dir_{"ProgramFilesDir"};
  ui::Process setup_;
  std::vector<SeenMessage> seen_;
};

}  // namespace setup_test
