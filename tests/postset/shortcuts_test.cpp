// Shell links written by the program and read back through the shell-link object:
// target, description and working directory, the folder notification, and the
// Programs and desktop variants over scratch folders.
#include <gtest/gtest.h>
#include <windows.h>

#include <shlobj.h>

#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "postset/shortcuts.h"
#include "postset/special_folders.h"
#include "postset_fixtures.h"

namespace fs = std::filesystem;

namespace postset_test {
namespace {

struct Notification {
  LONG event;
  UINT flags;
  std::string item1;
  const void* item2;
};
std::vector<Notification> notifications;

void WINAPI RecordChangeNotify(LONG event, UINT flags, const void* item1, const void* item2) {
  notifications.push_back({event, flags, item1 != nullptr ? static_cast<const char*>(item1) : "", item2});
}

class ShortcutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    notifications.clear();
    SystemCalls().change_notify = RecordChangeNotify;
  }
  void TearDown() override {
    ProgramsFolder() = saved_programs_;
    DesktopFolder() = saved_desktop_;
  }

  void ExpectOneNotificationFor(const std::string& folder) {
    ASSERT_EQ(notifications.size(), 1u);
    EXPECT_EQ(notifications[0].event, SHCNE_UPDATEDIR);
    EXPECT_EQ(notifications[0].flags, static_cast<UINT>(SHCNF_PATHA));
    EXPECT_EQ(notifications[0].item1, folder);
    EXPECT_EQ(notifications[0].item2, nullptr);
  }

  ScratchFolder scratch_;
  SystemCallsGuard calls_;
  Text saved_programs_ = ProgramsFolder();
  Text saved_desktop_ = DesktopFolder();
};

TEST_F(ShortcutTest, LinkStartsTheTargetInItsFolder) {
  const std::string& s = scratch_.path();
  struct Case {
    std::string target;
    std::string name;
    std::string working_directory;
  };
  const Case cases[] = {
      {s + "\\App\\Tesivo.exe", "Orvanel", s + "\\App"},
      {s + "\\My Apps\\Tesivo.exe", "Two words", s + "\\My Apps"},
      {"C:\\tsvpostset.exe", "Drive root", "C:\\"},  // the root keeps its backslash
      {s + "\\App\\", "Trailing backslash", s + "\\App"},
      {"C:\\", "Only a root", "C:\\"},
      {"Tesivo.exe", "No folder", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target);
    notifications.clear();
    EXPECT_TRUE(CreateShortcut(c.target.c_str(), s.c_str(), c.name.c_str(), false));
    const auto link = ReadLink(s + "\\" + c.name + ".lnk");
    ASSERT_TRUE(link);
    // A target without a folder is resolved by the link object itself.
    if (c.target.find('\\') != std::string::npos) {
      EXPECT_EQ(link->target, c.target);
    }
    EXPECT_EQ(link->description, c.name);
    EXPECT_EQ(link->working_directory, c.working_directory);
    EXPECT_TRUE(notifications.empty());
  }
}

TEST_F(ShortcutTest, AnExistingLinkIsReplaced) {
  const std::string& s = scratch_.path();
  ASSERT_TRUE(CreateShortcut((s + "\\Old\\old.exe").c_str(), s.c_str(), "Orvanel", false));
  ASSERT_TRUE(CreateShortcut((s + "\\New\\new.exe").c_str(), s.c_str(), "Orvanel", false));
  const auto link = ReadLink(s + "\\Orvanel.lnk");
  ASSERT_TRUE(link);
  EXPECT_EQ(link->target, s + "\\New\\new.exe");
  EXPECT_EQ(link->working_directory, s + "\\New");
}

TEST_F(ShortcutTest, TheFolderIsNotifiedWhenAskedEvenIfTheSaveFails) {
  const std::string present = scratch_.path();
  const std::string missing = scratch_.path() + "\\missing";
  const struct {
    const std::string& folder;
    bool notify;
    bool expected;
  } cases[] = {
      {present, true, true},
      {present, false, true},
      {missing, true, false},
      {missing, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.folder + (c.notify ? ", notify" : ", quiet"));
    notifications.clear();
    EXPECT_EQ(CreateShortcut("C:\\App\\Tesivo.exe", c.folder.c_str(), "Orvanel", c.notify), c.expected);
    EXPECT_EQ(FileExists(c.folder + "\\Orvanel.lnk"), c.expected);
    if (c.notify) {
      ExpectOneNotificationFor(c.folder);
    } else {
      EXPECT_TRUE(notifications.empty());
    }
  }
  EXPECT_FALSE(fs::exists(missing)) << "no folder is created";
}

TEST_F(ShortcutTest, ALinkNameBeyondThePathLimitIsNotSavedShortened) {
  const std::string& s = scratch_.path();
  // folder, backslash, name, ".lnk": 259 characters fit with the terminator.
  const size_t fitting_name = MAX_PATH - 1 - s.size() - 1 - 4;
  for (size_t extra : {0, 1, 40}) {
    SCOPED_TRACE(extra);
    const std::string name(fitting_name + extra, 'n');
    EXPECT_EQ(CreateShortcut("C:\\App\\Tesivo.exe", s.c_str(), name.c_str(), false), extra == 0);
    const std::vector<std::string> expected_files =
        extra == 0 ? std::vector<std::string>{name + ".lnk"} : std::vector<std::string>{};
    EXPECT_EQ(FolderEntries(s), expected_files);
    fs::remove_all(s);
    fs::create_directories(s);
  }
}

TEST_F(ShortcutTest, ProgramsAndDesktopLinksGoToTheirFolders) {
  const std::string programs = scratch_.path() + "\\Programs";
  const std::string desktop = scratch_.path() + "\\Desktop";
  fs::create_directories(programs + "\\Orvanel Tools");
  fs::create_directories(desktop);
  ProgramsFolder() = programs.c_str();
  DesktopFolder() = desktop.c_str();
  const char target[] = "C:\\Apps\\Tesivo.exe";

  EXPECT_TRUE(CreateProgramsShortcut("", "Orvanel", target));
  ExpectOneNotificationFor(programs);
  ASSERT_TRUE(ReadLink(programs + "\\Orvanel.lnk"));
  EXPECT_EQ(ReadLink(programs + "\\Orvanel.lnk")->target, target);

  notifications.clear();
  EXPECT_TRUE(CreateProgramsShortcut("Orvanel Tools", "Orvanel", target));
  ExpectOneNotificationFor(programs + "\\Orvanel Tools");
  EXPECT_TRUE(ReadLink(programs + "\\Orvanel Tools\\Orvanel.lnk"));

  notifications.clear();
  EXPECT_FALSE(CreateProgramsShortcut("Missing", "Orvanel", target)) << "the sub-folder is not created";
  ExpectOneNotificationFor(programs + "\\Missing");

  notifications.clear();
  EXPECT_TRUE(CreateDesktopShortcut("Orvanel", target));
  EXPECT_TRUE(notifications.empty()) << "the desktop is not notified";
  ASSERT_TRUE(ReadLink(desktop + "\\Orvanel.lnk"));
  EXPECT_EQ(ReadLink(desktop + "\\Orvanel.lnk")->working_directory, "C:\\Apps");
}

TEST_F(ShortcutTest, WithoutTheFolderThereIsNoLink) {
  ProgramsFolder() = "";
  DesktopFolder() = "";
  EXPECT_FALSE(CreateProgramsShortcut("", "Orvanel", "C:\\Apps\\Tesivo.exe"));
  EXPECT_FALSE(CreateProgramsShortcut("Sub", "Orvanel", "C:\\Apps\\Tesivo.exe"));
  EXPECT_FALSE(CreateDesktopShortcut("Orvanel", "C:\\Apps\\Tesivo.exe"));
  EXPECT_TRUE(notifications.empty());
  // A relative folder would have put the link into the current folder.
  EXPECT_FALSE(FileExists("Orvanel.lnk"));
  EXPECT_FALSE(FileExists("\\Orvanel.lnk"));
}

}  // namespace
}  // namespace postset_test
