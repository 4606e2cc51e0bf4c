// The chooser's two lists on a machine with a drive of every type: the drive box
// with the drives in letter order, their labels and remote names and the icon of
// their type; the change to a drive's root, and a drive without a medium, which
// leaves the box on the previous drive without a word; and the folder list's
// drawing, pixel by pixel, with screenshots for a person to look at.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <cstdlib>

#include "chooser_case.h"
#include "wine_drives.h"

namespace fs = std::filesystem;

namespace chooser_test {
namespace {

HICON OwnIcon(int id) {
  return static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON, 0, 0, LR_SHARED));
}

class ChooserDrivesTest : public ChooserCase {
 protected:
  void SetUp() override {
    ChooserCase::SetUp();
    MakeTree({"floppy\\", "fixed\\Data\\", "fixed\\Games\\", "ram\\"});
    std::ofstream(Root("fixed\\.windows-label")) << "TSVDATA";
    share_ = DosDevicesFolder() + "\\unc\\tsvserver\\share";
    fs::create_directories(share_);
    ASSERT_TRUE(drives_.Define('A', DRIVE_REMOVABLE, UnixPathOnC(Root("floppy"))));
    ASSERT_TRUE(drives_.Define('K', DRIVE_CDROM, UnixPathOnC(Root("no disc"))));  // no medium
    ASSERT_TRUE(drives_.Define('M', DRIVE_FIXED, UnixPathOnC(Root("fixed"))));
    ASSERT_TRUE(drives_.Define('N', DRIVE_REMOTE, "unc/tsvserver/share"));
    ASSERT_TRUE(drives_.Define('R', DRIVE_RAMDISK, UnixPathOnC(Root("ram"))));
  }
  void TearDown() override {
    drives_.RemoveAll();
    std::error_code ignored;
    fs::remove_all(DosDevicesFolder() + "\\unc\\tsvserver", ignored);
    // An empty unc folder left behind would make "\\\" a path that exists.
    fs::remove(DosDevicesFolder() + "\\unc", ignored);
    ChooserCase::TearDown();
  }

  int DriveIndex(HWND dialog, char letter) {
    const std::vector<std::string> items = ui::ItemTexts(dialog, kDrives);
    for (size_t i = 0; i < items.size(); ++i) {
      if (!items[i].empty() && items[i][0] == letter) return static_cast<int>(i);
    }
    return -1;
  }

  // Waits until the drive box shows entry index and the path field path.
  void ExpectDrive(HWND dialog, int index, const std::string& path) {
    for (int i = 0; i < 40 && (ui::SelectedItem(dialog, kDrives) != index || ui::ControlText(dialog, kPath) != path);
         ++i) {
      ui::Sleep(50);
    }
    EXPECT_EQ(ui::SelectedItem(dialog, kDrives), index);
    EXPECT_EQ(ui::ControlText(dialog, kPath), path);
  }

  std::string share_;
  WineDrives drives_;
};

TEST_F(ChooserDrivesTest, ListsTheDrivesInLetterOrderWithTheirNamesAndTypeIcons) {
  ChooserRun run(Root());
  ASSERT_NE(run.dialog(), nullptr);
  const std::vector<std::string> items = ui::ItemTexts(run.dialog(), kDrives);

  const std::map<char, std::pair<std::string, int>> ours = {
      {'A', {"A: ", IDI_FLOPPY_DRIVE}},  // removable drives are not asked for a label
      {'K', {"K: ", IDI_DISC_DRIVE}},
      {'M', {"M: TSVDATA", IDI_HARD_DISK}},
      {'N', {"N: \\\\tsvserver\\share", IDI_NETWORK_DRIVE}},
      {'R', {"R: ", IDI_RAM_DISK}},
  };
  std::string letters;
  for (size_t i = 0; i < items.size(); ++i) {
    SCOPED_TRACE(items[i]);
    ASSERT_GE(items[i].size(), 3u);
    EXPECT_EQ(items[i].substr(1, 2), ": ");
    const char letter = items[i][0];
    letters += letter;
    const HICON icon = reinterpret_cast<HICON>(ui::ItemData(run.dialog(), kDrives, static_cast<int>(i)));
    const auto mine = ours.find(letter);
    if (mine != ours.end()) {
      EXPECT_EQ(items[i], mine->second.first);
      EXPECT_EQ(icon, OwnIcon(mine->second.second));
    } else {
      // The prefix's own drives (C: and Z:) are fixed disks.
      const char root[] = {letter, ':', '\\', '\0'};
      EXPECT_EQ(GetDriveTypeA(root), static_cast<UINT>(DRIVE_FIXED));
      EXPECT_EQ(icon, OwnIcon(IDI_HARD_DISK));
    }
  }
  EXPECT_NE(letters.find("ACKMNRZ"), std::string::npos) << letters;
  EXPECT_TRUE(std::is_sorted(letters.begin(), letters.end())) << letters;
  EXPECT_EQ(ui::SelectedItem(run.dialog(), kDrives), DriveIndex(run.dialog(), 'C'));  // the start folder's drive

  ui::Press(run.dialog(), kCancel);
  EXPECT_EQ(run.Result(), Root());
}

TEST_F(ChooserDrivesTest, ADriveChangeOpensItsRootAndADriveWithoutMediumIsIgnored) {
  ChooserRun run(Root());
  ASSERT_NE(run.dialog(), nullptr);
  const HWND dialog = run.dialog();
  const int m = DriveIndex(dialog, 'M');

  ASSERT_TRUE(ui::SelectItem(dialog, kDrives, m));
  ExpectDrive(dialog, m, "M:\\");
  const std::vector<std::string> folders = ui::ItemTexts(dialog, kFolders);
  ASSERT_FALSE(folders.empty());
  EXPECT_EQ(folders[0], "M:\\");
  EXPECT_EQ(std::set<std::string>(folders.begin() + 1, folders.end()), (std::set<std::string>{"Data", "Games"}));

  // The disc drive has no medium: back to M:, no message, the folder list unchanged.
  ASSERT_TRUE(ui::SelectItem(dialog, kDrives, DriveIndex(dialog, 'K')));
  ui::Sleep(300);
  ExpectDrive(dialog, m, "M:\\");
  EXPECT_TRUE(ui::OpenMessageBoxes(GetCurrentProcessId()).empty());
  EXPECT_EQ(ui::ItemTexts(dialog, kFolders), folders);

  // From the keyboard: Home picks the first drive, the empty floppy, which is usable.
  ASSERT_TRUE(ui::Activate(dialog));
  ASSERT_TRUE(ui::FocusControl(dialog, kDrives));
  ASSERT_TRUE(ui::SendKeys("Home"));
  ExpectDrive(dialog, DriveIndex(dialog, 'A'), "A:\\");
  EXPECT_EQ(ui::ItemTexts(dialog, kFolders), (std::vector<std::string>{"A:\\"}));

  // A pick from the dropped list that is cancelled puts the current drive back.
  ASSERT_TRUE(ui::SendKeys("F4"));
  ui::Sleep(200);
  ASSERT_TRUE(ui::SendKeys("End"));
  ui::Sleep(100);
  ASSERT_TRUE(ui::SendKeys("Escape"));
  ExpectDrive(dialog, DriveIndex(dialog, 'A'), "A:\\");
  EXPECT_FALSE(run.Finished());

  // OK on the drive root gives it as two characters.
  ui::Press(dialog, kOk);
  EXPECT_EQ(run.Result(), "A:");
}


// The pixels of a w x h block of window's client area at x, y.
std::vector<COLORREF> Capture(HWND window, int x, int y, int w, int h) {
  const HDC window_dc = GetDC(window);
  const HDC memory = CreateCompatibleDC(window_dc);
  const HBITMAP bitmap = CreateCompatibleBitmap(window_dc, w, h);
  const HGDIOBJ previous = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, w, h, window_dc, x, y, SRCCOPY);
  std::vector<COLORREF> pixels;
  for (int row = 0; row < h; ++row) {
    for (int column = 0; column < w; ++column) pixels.push_back(GetPixel(memory, column, row));
  }
  SelectObject(memory, previous);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(window, window_dc);
  return pixels;
}

// The pixels icon gives when drawn at its own size over background.
std::vector<COLORREF> Rendered(HWND window, HICON icon, COLORREF background) {
  const HDC window_dc = GetDC(window);
  const HDC memory = CreateCompatibleDC(window_dc);
  const HBITMAP bitmap = CreateCompatibleBitmap(window_dc, 16, 16);
  const HGDIOBJ previous = SelectObject(memory, bitmap);
  const HBRUSH brush = CreateSolidBrush(background);
  const RECT all = {0, 0, 16, 16};
  FillRect(memory, &all, brush);
  DeleteObject(brush);
  DrawIconEx(memory, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL);
  std::vector<COLORREF> pixels;
  for (int row = 0; row < 16; ++row) {
    for (int column = 0; column < 16; ++column) pixels.push_back(GetPixel(memory, column, row));
  }
  SelectObject(memory, previous);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(window, window_dc);
  return pixels;
}

void SaveScreenshot(const char* name) {
  const char* folder = std::getenv("TSV_SCREENSHOT_DIR");
  if (folder == nullptr) return;
  EXPECT_TRUE(ui::Screenshot(std::string(folder) + "/" + name)) << name;
}

// Every visible entry of the folder list shows the icon for its place (parent levels
// open, the current folder shaded, subfolders closed) at its indent, over the
// highlight colour for the entry highlighted and the window colour for the others.
void ExpectFolderEntriesDrawn(HWND dialog, int highlighted) {
  const HWND list = GetDlgItem(dialog, kFolders);
  const int current = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0)) - 3;  // two subfolders follow it
  RECT client{};
  GetClientRect(list, &client);
  const int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
  int checked = 0;
  for (int i = 0; i < count; ++i) {
    RECT item{};
    SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    if (item.top < client.top || item.bottom > client.bottom) continue;
    SCOPED_TRACE("entry " + std::to_string(i));
    const int id = i < current ? IDI_OPEN_FOLDER : i == current ? IDI_CURRENT_FOLDER : IDI_CLOSED_FOLDER;
    const COLORREF background = GetSysColor(i == highlighted ? COLOR_HIGHLIGHT : COLOR_WINDOW);
    const int indent = static_cast<int>(SendMessageA(list, LB_GETITEMDATA, static_cast<WPARAM>(i), 0));
    EXPECT_EQ(indent, 6 * std::min(i, current + 1));
    EXPECT_EQ(Capture(list, item.left + 2 + indent, item.top, 16, 16), Rendered(list, OwnIcon(id), background));
    // The far end of the entry, past any text, shows the background alone.
    EXPECT_EQ(Capture(list, item.right - 2, item.top + 1, 1, 1), std::vector<COLORREF>{background});
    ++checked;
  }
  EXPECT_GE(checked, current + 1);
}

TEST_F(ChooserDrivesTest, DrawsIndentedIconsAndHighlightsOnlyTheFocusedSelection) {
  MakeTree({"Apps\\Tool\\Sub1\\", "Apps\\Tool\\Sub2\\"});
  ChooserRun run(Root("Apps\\Tool"));
  ASSERT_NE(run.dialog(), nullptr);
  const HWND dialog = run.dialog();
  ASSERT_TRUE(ui::Activate(dialog));
  const int current = ui::SelectedItem(dialog, kFolders);
  ASSERT_EQ(current, static_cast<int>(LevelsOf(Root("Apps\\Tool")).size()) - 1);

  // A subfolder selected in the focused list is highlighted.
  ASSERT_TRUE(ui::SelectItem(dialog, kFolders, current + 2));
  ASSERT_TRUE(ui::FocusControl(dialog, kFolders));
  ui::Sleep(300);
  ExpectFolderEntriesDrawn(dialog, current + 2);
  SaveScreenshot("chooser-folder-list.png");

  // With the focus elsewhere the selection is drawn in normal colours.
  ASSERT_TRUE(ui::FocusControl(dialog, kPath));
  ui::Sleep(300);
  ExpectFolderEntriesDrawn(dialog, -1);

  // The drive box dropped down and scrolled to its top, for the screenshot of the
  // drive icons; Escape leaves it on the current drive.
  ASSERT_TRUE(ui::FocusControl(dialog, kDrives));
  const int drive = ui::SelectedItem(dialog, kDrives);
  ASSERT_TRUE(ui::SendKeys("F4"));
  ui::Sleep(300);
  ASSERT_TRUE(ui::SendKeys("Home"));
  ui::Sleep(300);
  SaveScreenshot("chooser-drive-box.png");
  ASSERT_TRUE(ui::SendKeys("Escape"));
  ExpectDrive(dialog, drive, Root("Apps\\Tool"));
  EXPECT_FALSE(run.Finished());

  ui::Press(dialog, kCancel);
  EXPECT_EQ(run.Result(), Root("Apps\\Tool"));
}

}  // namespace
}  // namespace chooser_test
