// The chooser as the setup program opens it from the welcome dialog's Browse button:
// owned by the welcome dialog, starting in the nearest existing
// folder of the destination; the folder it returns is shown (a drive root with its
// backslash) and is where Install puts the files. Cancel and the close box change
// nothing.
#include <filesystem>

#include "resources/chooser_ids.h"
#include "setup/setup_harness.h"

namespace fs = std::filesystem;

namespace setup_test {
namespace {

constexpr char kChooserTitle[] = "Choose Directory";

class BrowseTest : public SetupCase {
 protected:
  void TearDown() override {
    // Installed read-only files would keep the case folder from being removed.
    for (const auto& entry : fs::recursive_directory_iterator(case_folder_, fs::directory_options::skip_permission_denied)) {
      SetFileAttributesA(entry.path().string().c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    SetupCase::TearDown();
  }

  // Presses Browse and waits for the chooser.
  HWND OpenChooser(HWND welcome) {
    ui::Press(welcome, kBrowse);
    const HWND chooser = ui::WaitForWindow(kChooserTitle, "#32770", setup_.pid);
    EXPECT_NE(chooser, nullptr) << "no chooser";
    return chooser;
  }

  // Leaves the chooser by pressing button (or by its close box, for 0) and checks
  // what the welcome dialog shows afterwards.
  void LeaveChooser(HWND welcome, HWND chooser, int button, const std::string& shown) {
    if (button == 0) {
      ui::Close(chooser);
    } else {
      ui::Press(chooser, button);
    }
    ASSERT_TRUE(ui::WaitUntilGone(chooser));
    EXPECT_EQ(ui::ControlText(welcome, kDestination), shown);
  }
};

TEST_F(BrowseTest, CancelAndTheCloseBoxKeepTheDestinationAndADriveRootGetsItsBackslash) {
  const HWND welcome = StartAtWelcome(PathFromEnvironment("TSV_SETUP_STUB"));
  ASSERT_NE(welcome, nullptr);
  for (int button : {IDC_CHOOSER_CANCEL, 0}) {
    SCOPED_TRACE(button);
    const HWND chooser = OpenChooser(welcome);
    ASSERT_NE(chooser, nullptr);
    ASSERT_TRUE(ui::SetControlText(chooser, IDC_PATH_FIELD, "C:\\"));  // typed, then thrown away
    LeaveChooser(welcome, chooser, button, destination_);
  }

  HWND chooser = OpenChooser(welcome);
  ASSERT_NE(chooser, nullptr);
  ASSERT_TRUE(ui::SetControlText(chooser, IDC_PATH_FIELD, "C:\\"));
  LeaveChooser(welcome, chooser, IDC_CHOOSER_OK, "C:\\");  // the chooser gives C:

  // The next Browse starts at that root.
  chooser = OpenChooser(welcome);
  ASSERT_NE(chooser, nullptr);
  EXPECT_EQ(ui::ControlText(chooser, IDC_PATH_FIELD), "C:\\");
  LeaveChooser(welcome, chooser, IDC_CHOOSER_CANCEL, "C:\\");

  ui::Close(welcome);
  EXPECT_EQ(FinishRun(), 0);
  EXPECT_TRUE(seen_.empty());
}

TEST_F(BrowseTest, TheChosenFolderIsShownAndInstalledTo) {
  const std::string sample = PathFromEnvironment("TSV_SAMPLE_SETUP");
  const std::string payload = ui::WindowsPath(PathFromEnvironment("TSV_SAMPLE_PAYLOAD"));
  const HWND welcome = StartAtWelcome(sample);
  ASSERT_NE(welcome, nullptr);
  const HWND chooser = OpenChooser(welcome);
  ASSERT_NE(chooser, nullptr);
  EXPECT_EQ(GetWindow(chooser, GW_OWNER), welcome);
  // Nothing of the proposed destination exists yet: the chooser opens in the case
  // folder, three levels up, and lists it (read from the setup's process).
  ASSERT_FALSE(fs::exists(program_files_));
  EXPECT_EQ(ui::ControlText(chooser, IDC_PATH_FIELD), case_folder_);
  const std::vector<std::string> entries = ui::ItemTexts(chooser, IDC_FOLDER_LIST);
  ASSERT_EQ(entries.size(), 3u);  // C:\, tsvtest and the case folder, which has no subfolders
  EXPECT_EQ(entries[0], "C:\\");
  EXPECT_EQ(entries[1], "tsvtest");

  const std::string chosen = case_folder_ + "\\Chosen\\Tesivo";
  ASSERT_TRUE(ui::SetControlText(chooser, IDC_PATH_FIELD, chosen + "\\"));
  ui::Press(chooser, IDC_CHOOSER_OK);
  const auto question = NextMessage();
  ASSERT_TRUE(question);
  EXPECT_EQ(question->caption, "Setup");
  EXPECT_EQ(question->text, "The directory:\r\r" + chosen + "\r\rdoes not exist. Do you want the directory to be created?");
  ui::Answer(*question, "Yes");
  ASSERT_TRUE(ui::WaitUntilGone(chooser));
  EXPECT_EQ(ui::ControlText(welcome, kDestination), chosen);
  EXPECT_FALSE(fs::exists(chosen));  // created by Install, not by the chooser

  ui::Press(welcome, kInstall);
  EXPECT_EQ(FinishRun(), 0);
  for (const SeenMessage& m : seen_) EXPECT_NE(m.box.text, kCorruptedText);
  for (const char* name : {"Tesivo.exe", "Contmenu.dll", "Help\\Using Tessivo.txt"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(ReadFile(chosen + "\\" + name), ReadFile(payload + "\\" + name));
  }
  EXPECT_FALSE(fs::exists(destination_));
}

}  // namespace
}  // namespace setup_test
