// The directory chooser as a user meets it, run in-process: where it starts, what
// its folder list shows, navigation by double-click and by Enter, what OK accepts,
// refuses and asks, and that Cancel and the close box give back the initial folder.
#include <filesystem>
#include <set>

#include "chooser_case.h"
#include "seldir/chooser_lists.h"

namespace fs = std::filesystem;

namespace chooser_test {
namespace {

const char kInvalidStart[] = "The specified directory:\r\r";
const char kInvalidEnd[] = "\r\ris invalid. Please, type a full path with drive letter.";
const char kCreateStart[] = "The directory:\r\r";
const char kCreateEnd[] = "\r\rdoes not exist. Do you want the directory to be created?";

class ChooserDialogTest : public ChooserCase {
 protected:
  void SetUp() override {
    ChooserCase::SetUp();
    MakeTree({"Apps\\Tool\\Sub1\\", "Apps\\Tool\\Sub2\\", "Apps\\Tool\\Hidden\\", "Apps\\Tool\\notes.txt",
              "Apps\\readme.txt", "Empty\\"});
    SetFileAttributesA(Root("Apps\\Tool\\Hidden").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY);
  }

  // The folder list shows folder: its levels, the last one selected, then exactly
  // the given subfolders (in any order), each with its indent.
  void ExpectFolderList(HWND dialog, const std::string& folder, const std::set<std::string>& subfolders) {
    const std::vector<std::string> levels = LevelsOf(folder);
    const std::vector<std::string> items = ui::ItemTexts(dialog, kFolders);
    ASSERT_EQ(items.size(), levels.size() + subfolders.size()) << folder;
    for (size_t i = 0; i < items.size(); ++i) {
      SCOPED_TRACE("entry " + std::to_string(i) + " " + items[i]);
      if (i < levels.size()) {
        EXPECT_EQ(items[i], levels[i]);
      }
      const size_t depth = i < levels.size() ? i : levels.size();
      EXPECT_EQ(ui::ItemData(dialog, kFolders, static_cast<int>(i)), static_cast<LONG_PTR>(6 * depth));
    }
    EXPECT_EQ(std::set<std::string>(items.begin() + levels.size(), items.end()), subfolders);
    EXPECT_EQ(ui::SelectedItem(dialog, kFolders), static_cast<int>(levels.size()) - 1);
  }

  // Accepts the path field with OK and returns what the chooser returned.
  std::optional<std::string> AcceptWithOk(ChooserRun& run) {
    ui::Press(run.dialog(), kOk);
    return run.Result();
  }
};

const std::set<std::string> kToolSubfolders = {"Sub1", "Sub2", "Hidden"};

TEST_F(ChooserDialogTest, StartsInTheNearestExistingFolderAndCancelGivesTheInitialFolderBack) {
  enum class Leave { kCancel, kCloseBox, kEscape };
  struct Case {
    std::string initial;
    std::string start;
    Leave leave;
  };
  const std::string tool = Root("Apps\\Tool");
  const Case cases[] = {
      {tool, tool, Leave::kCancel},
      {tool + "\\", tool, Leave::kCloseBox},
      {tool + "\\Missing\\Deeper", tool, Leave::kEscape},  // two levels below an existing folder
      {Root("Apps\\\\Tool\\\\Missing"), tool, Leave::kCancel},
      {Root("Apps\\..\\Empty"), Root("Empty"), Leave::kCancel},  // empty, but there
      {"C:\\", "C:\\", Leave::kCancel},
      {"", root_, Leave::kCloseBox},                         // the current directory
      {Root("Apps\\readme.txt\\x"), root_, Leave::kCancel},  // a file on the way up
      {"Q:\\Setup\\Tool", root_, Leave::kCancel},            // a drive that does not exist
  };
  ASSERT_EQ(GetDriveTypeA("Q:\\"), static_cast<UINT>(DRIVE_NO_ROOT_DIR));
  for (const Case& c : cases) {
    SCOPED_TRACE("initial \"" + c.initial + "\"");
    ChooserRun run(c.initial);
    ASSERT_NE(run.dialog(), nullptr);
    EXPECT_EQ(ui::WindowText(run.dialog()), kChooserTitle);
    EXPECT_EQ(ui::ControlText(run.dialog(), kPath), c.start);
    const std::vector<std::string> items = ui::ItemTexts(run.dialog(), kFolders);
    const std::vector<std::string> levels = LevelsOf(c.start);
    ASSERT_GE(items.size(), levels.size());
    EXPECT_EQ(std::vector<std::string>(items.begin(), items.begin() + levels.size()), levels);
    EXPECT_EQ(ui::FocusedWindow(run.dialog()), GetDlgItem(run.dialog(), kPath));

    switch (c.leave) {
      case Leave::kCancel:
        ui::Press(run.dialog(), kCancel);
        break;
      case Leave::kCloseBox:
        ui::Close(run.dialog());
        break;
      case Leave::kEscape:
        ASSERT_TRUE(ui::Activate(run.dialog()));
        ASSERT_TRUE(ui::SendKeys("Escape"));
        break;
    }
    EXPECT_EQ(run.Result(), c.initial);
  }
}

TEST_F(ChooserDialogTest, ListsTheLevelsThenTheSubfoldersButNoFiles) {
  {
    ChooserRun run(Root("Apps\\Tool"));
    ASSERT_NE(run.dialog(), nullptr);
    ExpectFolderList(run.dialog(), Root("Apps\\Tool"), kToolSubfolders);
    ui::Press(run.dialog(), kCancel);
    EXPECT_TRUE(run.Result());
  }
  {
    ChooserRun run(Root("Empty"));
    ASSERT_NE(run.dialog(), nullptr);
    ExpectFolderList(run.dialog(), Root("Empty"), {});
    ui::Press(run.dialog(), kCancel);
    EXPECT_TRUE(run.Result());
  }
  {
    // The root is one level; its subfolders are indented one step.
    ChooserRun run("C:\\");
    ASSERT_NE(run.dialog(), nullptr);
    const std::vector<std::string> items = ui::ItemTexts(run.dialog(), kFolders);
    ASSERT_GE(items.size(), 2u);
    EXPECT_EQ(items[0], "C:\\");
    EXPECT_EQ(ui::ItemData(run.dialog(), kFolders, 0), 0);
    EXPECT_EQ(ui::SelectedItem(run.dialog(), kFolders), 0);
    std::set<std::string> expected;
    for (const auto& entry : fs::directory_iterator("C:\\")) {
      if (entry.is_directory()) expected.insert(entry.path().filename().string());
    }
    EXPECT_EQ(std::set<std::string>(items.begin() + 1, items.end()), expected);
    for (size_t i = 1; i < items.size(); ++i) EXPECT_EQ(ui::ItemData(run.dialog(), kFolders, static_cast<int>(i)), 6);
    ui::Press(run.dialog(), kCancel);
    EXPECT_TRUE(run.Result());
  }
}

int IndexOf(HWND dialog, const std::string& item) {
  const std::vector<std::string> items = ui::ItemTexts(dialog, kFolders);
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i] == item) return static_cast<int>(i);
  }
  return -1;
}

// Double-clicks the entry named item and waits until the path field shows path.
void OpenByDoubleClick(HWND dialog, const std::string& item, const std::string& path) {
  SCOPED_TRACE("double-click " + item);
  const int index = IndexOf(dialog, item);
  ASSERT_GE(index, 0);
  ASSERT_TRUE(ui::DoubleClickItem(dialog, kFolders, index));
  for (int i = 0; i < 40 && ui::ControlText(dialog, kPath) != path; ++i) ui::Sleep(50);
  EXPECT_EQ(ui::ControlText(dialog, kPath), path);
}

TEST_F(ChooserDialogTest, DoubleClickOpensSubfoldersLevelsAndTheRoot) {
  const std::string tool = Root("Apps\\Tool");
  ChooserRun run(tool);
  ASSERT_NE(run.dialog(), nullptr);
  const HWND dialog = run.dialog();

  OpenByDoubleClick(dialog, "Sub1", tool + "\\Sub1");
  ExpectFolderList(dialog, tool + "\\Sub1", {});
  OpenByDoubleClick(dialog, "Apps", Root("Apps"));
  ExpectFolderList(dialog, Root("Apps"), {"Tool"});
  // The current folder itself: the same folder, listed afresh.
  MakeTree({"Apps\\New\\"});
  OpenByDoubleClick(dialog, "Apps", Root("Apps"));
  ExpectFolderList(dialog, Root("Apps"), {"Tool", "New"});
  OpenByDoubleClick(dialog, "C:\\", "C:\\");
  EXPECT_EQ(ui::SelectedItem(dialog, kFolders), 0);

  // The root comes back as two characters.
  EXPECT_EQ(AcceptWithOk(run), "C:");
}

TEST_F(ChooserDialogTest, EnterInTheFocusedFolderListOpensTheSelectedFolderFirst) {
  ChooserRun run(Root("Apps"));
  ASSERT_NE(run.dialog(), nullptr);
  const HWND dialog = run.dialog();
  ASSERT_TRUE(ui::Activate(dialog));
  ASSERT_TRUE(ui::SelectItem(dialog, kFolders, IndexOf(dialog, "Tool")));
  ASSERT_TRUE(ui::FocusControl(dialog, kFolders));

  ASSERT_TRUE(ui::SendKeys("Return"));
  ExpectStaysOpen(run, Root("Apps\\Tool"));
  ExpectFolderList(dialog, Root("Apps\\Tool"), kToolSubfolders);
  EXPECT_EQ(ui::FocusedWindow(dialog), GetDlgItem(dialog, kFolders));

  // The selection is the current folder now: the next Enter accepts it.
  ASSERT_TRUE(ui::SendKeys("Return"));
  EXPECT_EQ(run.Result(), Root("Apps\\Tool"));
}

TEST_F(ChooserDialogTest, OkReturnsTheFullPathWithoutATrailingBackslash) {
  const std::string tool = Root("Apps\\Tool");
  const std::string root_from_backslash = root_.substr(2);  // \tsvtest\seldir\...
  const std::pair<std::string, std::string> cases[] = {
      {"C:\\", "C:"},
      {tool + "\\", tool},
      {tool, tool},
      {Root("Apps\\Tool\\..\\Tool\\.\\Sub1"), tool + "\\Sub1"},
      {Root("Apps\\\\Tool"), tool},
      {root_from_backslash + "\\Apps", Root("Apps")},  // from the current drive's root
      {"C:Apps", Root("Apps")},                       // against the current directory of C:
      {"c:\\tsvtest", "c:\\tsvtest"},                 // as typed, not as stored
      // A file in place of the folder: the search fails otherwise than "missing",
      // so the path goes through, for the caller's checks.
      {Root("Apps\\readme.txt"), Root("Apps\\readme.txt")},
  };
  for (const auto& [typed, expected] : cases) {
    SCOPED_TRACE("typed \"" + typed + "\"");
    ChooserRun run(Root("Empty"));
    ASSERT_NE(run.dialog(), nullptr);
    ASSERT_TRUE(ui::SetControlText(run.dialog(), kPath, typed));
    EXPECT_EQ(AcceptWithOk(run), expected);
  }
}

TEST_F(ChooserDialogTest, EnterInThePathFieldAcceptsIt) {
  ChooserRun run(Root("Empty"));
  ASSERT_NE(run.dialog(), nullptr);
  ASSERT_TRUE(ui::SetControlText(run.dialog(), kPath, Root("Apps")));
  ASSERT_TRUE(ui::Activate(run.dialog()));
  ASSERT_EQ(ui::FocusedWindow(run.dialog()), GetDlgItem(run.dialog(), kPath));
  ASSERT_TRUE(ui::SendKeys("Return"));
  EXPECT_EQ(run.Result(), Root("Apps"));
}

TEST_F(ChooserDialogTest, RefusesTextThatIsNoFullPath) {
  const std::string too_long = "C:\\" + std::string(257, 'x');  // 260 characters
  // Short enough for the field, but too long a path once the current directory is
  // put in front: the system cannot expand it, and there is no folder to return.
  const std::string unexpandable = "C:" + std::string(257, 'y');
  const std::string texts[] = {"C:", "abc", "Setup", "", too_long, unexpandable};
  ChooserRun run(Root("Empty"));
  ASSERT_NE(run.dialog(), nullptr);
  for (const std::string& text : texts) {
    SCOPED_TRACE("typed \"" + text + "\"");
    ASSERT_TRUE(ui::SetControlText(run.dialog(), kPath, text));
    ui::Press(run.dialog(), kOk);
    const auto message = NextMessage();
    ASSERT_TRUE(message);
    EXPECT_EQ(message->caption, "Setup");
    EXPECT_EQ(message->text, kInvalidStart + text + kInvalidEnd);
    EXPECT_EQ(message->buttons, (std::vector<std::string>{"OK"}));
    EXPECT_EQ(MessageIcon(*message), "exclamation");
    EXPECT_EQ(GetWindow(message->hwnd, GW_OWNER), run.dialog());
    ui::Answer(*message, "OK");
    ASSERT_TRUE(ui::WaitUntilGone(message->hwnd));
    ExpectStaysOpen(run, text);
  }
  ui::Press(run.dialog(), kCancel);
  EXPECT_EQ(run.Result(), Root("Empty"));
}

TEST_F(ChooserDialogTest, AMissingFolderIsAcceptedOnlyWhenTheUserWantsItCreated) {
  const std::string typed = Root("Apps\\..\\New\\Deeper\\");
  const std::string folder = Root("New\\Deeper");
  ChooserRun run(Root("Empty"));
  ASSERT_NE(run.dialog(), nullptr);
  ASSERT_TRUE(ui::SetControlText(run.dialog(), kPath, typed));
  for (const char* answer : {"No", "Yes"}) {
    SCOPED_TRACE(answer);
    ui::Press(run.dialog(), kOk);
    const auto question = NextMessage();
    ASSERT_TRUE(question);
    EXPECT_EQ(question->caption, "Setup");
    EXPECT_EQ(question->text, kCreateStart + folder + kCreateEnd);  // expanded, no trailing backslash
    EXPECT_EQ(question->buttons, (std::vector<std::string>{"&Yes", "&No"}));
    EXPECT_EQ(MessageIcon(*question), "question");
    ui::Answer(*question, answer);
    ASSERT_TRUE(ui::WaitUntilGone(question->hwnd));
    if (std::string(answer) == "No") ExpectStaysOpen(run, typed);
  }
  EXPECT_EQ(run.Result(), folder);
  EXPECT_FALSE(fs::exists(Root("New")));  // the chooser only chooses
}

TEST_F(ChooserDialogTest, TheGivenFontGoesToThePathFieldAndTheFolderList) {
  const HFONT font = CreateFontA(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Tahoma");
  ASSERT_NE(font, nullptr);
  {
    ChooserRun run(Root("Apps"), font);
    ASSERT_NE(run.dialog(), nullptr);
    const auto font_of = [&](int id) {
      return reinterpret_cast<HFONT>(SendDlgItemMessageA(run.dialog(), id, WM_GETFONT, 0, 0));
    };
    EXPECT_EQ(font_of(kPath), font);
    EXPECT_EQ(font_of(kFolders), font);
    EXPECT_NE(font_of(kDrives), font);  // the drive box keeps the dialog's font
    ui::Press(run.dialog(), kCancel);
    EXPECT_TRUE(run.Result());
  }
  DeleteObject(font);
}

TEST_F(ChooserDialogTest, ExpandFullPathGivesFullPathsWithoutDoubledBackslashes) {
  const std::pair<std::string, std::string> cases[] = {
      {"Apps", Root("Apps")},
      {"Apps\\\\Tool\\", Root("Apps\\Tool\\")},
      {"..\\x", root_.substr(0, root_.rfind('\\')) + "\\x"},
      {"C:\\\\a\\\\\\b", "C:\\a\\b"},
      {"", ""},  // the system cannot expand it
  };
  for (const auto& [path, expected] : cases) {
    const Text full = ExpandFullPath(Text(path.c_str()));
    EXPECT_EQ(std::string(full.c_str(), full.size()), expected) << path;
  }
}

}  // namespace
}  // namespace chooser_test
