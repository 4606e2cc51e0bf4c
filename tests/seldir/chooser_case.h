// Runs the directory chooser inside the test program: ChooseDirectory goes on a
// thread of its own, the test drives its dialog from the main thread with the UI
// driver, and reads back what ChooseDirectory returned. Each case gets a scratch
// folder tree under C:\tsvtest\seldir, removed afterwards.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "resources/chooser_ids.h"
#include "ui_driver.h"

namespace chooser_test {

constexpr char kChooserTitle[] = "Choose Directory";
constexpr int kPath = IDC_PATH_FIELD, kFolders = IDC_FOLDER_LIST, kDrives = IDC_DRIVE_BOX, kOk = IDC_CHOOSER_OK,
              kCancel = IDC_CHOOSER_CANCEL;

// One ChooseDirectory call on its own thread.
class ChooserRun {
 public:
  explicit ChooserRun(std::string initial, HFONT font = nullptr);
  ~ChooserRun();
  ChooserRun(const ChooserRun&) = delete;
  ChooserRun& operator=(const ChooserRun&) = delete;

  // The chooser's dialog (nullptr if it did not appear).
  HWND dialog() const { return dialog_; }
  // Waits for ChooseDirectory to return; its result, or nullopt if it is still open.
  std::optional<std::string> Result(int timeout_ms = 5000);
  bool Finished() const;

 private:
  // What the thread works on. It is shared, so that a chooser that will not close
  // cannot write into a finished case.
  struct Call {
    std::string initial;
    HFONT font = nullptr;
    std::string result;
  };
  static DWORD WINAPI Run(void* call);

  std::shared_ptr<Call> call_;
  HANDLE thread_ = nullptr;
  HWND dialog_ = nullptr;
};

class ChooserCase : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Makes folders (names ending in a backslash) and files below root_.
  void MakeTree(const std::vector<std::string>& entries);
  std::string Root(const std::string& below = "") const { return below.empty() ? root_ : root_ + "\\" + below; }

  // The chooser stays open and quiet: visible, showing path, no message box.
  void ExpectStaysOpen(const ChooserRun& run, const std::string& path);
  // Opens the message box the chooser shows next.
  std::optional<ui::MessageBoxInfo> NextMessage();

  std::string root_;  // C:\tsvtest\seldir\<case>
  std::string previous_directory_;
};

// Whether a message box shows the system's exclamation or question icon.
std::string MessageIcon(const ui::MessageBoxInfo& box);

// The levels of a path as the folder list shows them: C:\, then each folder name.
std::vector<std::string> LevelsOf(const std::string& path);

}  // namespace chooser_test
