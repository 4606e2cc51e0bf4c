// The welcome dialog as a user meets it: texts, default destination, Cancel, Close,
// Escape, a folder that cannot be created and a drive that is nearly full. These
// cases need no payload: the bare setup program (TSV_SETUP_STUB) carries none, so
// an Install that gets past the dialog ends in the corrupted-file message.
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "setup_harness.h"
// After windows.h, which it needs.
#include <sddl.h>

namespace fs = std::filesystem;

namespace setup_test {
namespace {

const char kWelcomeText[] =
    "Welcome to Tessivo (TM) v3.01 Setup Program.\r\n"
    "This program will install Tessivo on your computer.\r\n"
    "\r\n"
    "Before  proceeding, we recommend that you close all applications you may be running.\r\n"
    "\r\n"
    "   Copyright (C) 1997-1999 Brastel Software.\r\n"
    "                 http://www.brastel.example/\r\n"
    "\r\n"
    "Tessivo is a trademark of Brastel Software. All rights reserved.\r\n";

const char kExitQuestion[] = "Setup is not complete yet. Are you sure you want to exit setup now?";
const char kLowSpaceQuestion[] =
    "There is not enough disk space on the destination drive (at least 1MB recommended). This may cause "
    "errors while installing or running Tessivo.\r\rWould you, nevertheless, wish to proceed now?";

class WelcomeTest : public SetupCase {
 protected:
  std::string stub_ = PathFromEnvironment("TSV_SETUP_STUB");

  // The dialog is still up, shows destination and no message box is open.
  void ExpectDialogStays(HWND welcome, const std::string& destination) {
    ui::Sleep(300);
    EXPECT_TRUE(IsWindowVisible(welcome));
    EXPECT_EQ(ui::ControlText(welcome, kDestination), destination);
    EXPECT_TRUE(ui::OpenMessageBoxes(setup_.pid).empty());
  }

  // Ends at the welcome dialog by closing it: no question, nothing left behind.
  void CloseAndExpectNothingInstalled(HWND welcome) {
    const size_t messages_before = seen_.size();
    ui::Close(welcome);
    EXPECT_EQ(FinishRun(), 0);
    EXPECT_EQ(seen_.size(), messages_before) << "unexpected message: " << seen_.back().box.text;
    EXPECT_FALSE(fs::exists(destination_));
  }
};

TEST_F(WelcomeTest, ShowsTheTextsOverTheBackdropAndTheDestinationFromTheRegistry) {
  struct Case {
    std::optional<std::string> program_files_dir;
    std::string expected_destination;
    bool raw = false;  // stored as these bytes alone, without a terminating zero
  };
  const Case cases[] = {
      {program_files_, destination_},
      {std::string("D:\\Programs"), "D:\\Programs\\Brastel\\Tesivo"},
      {std::nullopt, "C:\\Brastel\\Tesivo"},  // value missing
      // An empty value of zero bytes: nothing to put in front, and nothing read
      // before the buffer.
      {std::string(), "\\Brastel\\Tesivo", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected_destination);
    if (c.raw) {
      program_files_dir_.SetBytes(*c.program_files_dir);
    } else {
      program_files_dir_.Set(c.program_files_dir);
    }
    const HWND welcome = StartAtWelcome(stub_);
    ASSERT_NE(welcome, nullptr);
    EXPECT_EQ(ui::WindowText(welcome), kTitle);
    EXPECT_EQ(ui::ControlText(welcome, kWelcomeTextId), kWelcomeText);
    EXPECT_EQ(ui::ControlText(welcome, kDestination), c.expected_destination);
    EXPECT_EQ(ui::ControlText(welcome, 205), "Destination directory");

    // The navy backdrop: the dialog's owner, as large as the screen, taking no input.
    const ui::WindowInfo backdrop = ui::Describe(GetWindow(welcome, GW_OWNER));
    EXPECT_EQ(backdrop.class_name, "TsvInstWnd");
    EXPECT_EQ(backdrop.title, kTitle);
    EXPECT_FALSE(backdrop.enabled);
    EXPECT_EQ(backdrop.rect.right - backdrop.rect.left, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(backdrop.rect.bottom - backdrop.rect.top, GetSystemMetrics(SM_CYSCREEN));

    // Closing the dialog ends the run at once, without the Cancel question.
    CloseAndExpectNothingInstalled(welcome);
    EXPECT_FALSE(fs::exists(c.expected_destination));
  }
}

TEST_F(WelcomeTest, CancelAsksFirstAndYesLeavesWithoutInstalling) {
  const HWND welcome = StartAtWelcome(stub_);
  ASSERT_NE(welcome, nullptr);
  ui::Press(welcome, kCancel);
  const auto question = NextMessage();
  ASSERT_TRUE(question);
  EXPECT_EQ(question->caption, "Exit Setup");
  EXPECT_EQ(question->text, kExitQuestion);
  EXPECT_EQ(question->buttons, (std::vector<std::string>{"&Yes", "&No"}));
  EXPECT_EQ(question->default_button, "&No");
  ui::Answer(*question, "Yes");
  EXPECT_EQ(FinishRun(), 0);
  EXPECT_EQ(seen_.size(), 1u);
  EXPECT_FALSE(fs::exists(destination_));
}

TEST_F(WelcomeTest, EscapeIsIgnored) {
  const HWND welcome = StartAtWelcome(stub_);
  ASSERT_NE(welcome, nullptr);
  ASSERT_TRUE(ui::Activate(welcome));
  ASSERT_TRUE(ui::SendKeys("Escape"));
  ExpectDialogStays(welcome, destination_);
  CloseAndExpectNothingInstalled(welcome);
}

TEST_F(WelcomeTest, AFolderThatCannotBeCreatedIsReportedAndTheDialogStays) {
  // A file where the first missing folder would go.
  fs::create_directories(program_files_);
  WriteFile(program_files_ + "\\Brastel", "not a folder");
  const HWND welcome = StartAtWelcome(stub_);
  ASSERT_NE(welcome, nullptr);
  for (int press = 0; press < 2; ++press) {  // each press tries again
    ui::Press(welcome, kInstall);
    const auto message = NextMessage();
    ASSERT_TRUE(message);
    EXPECT_EQ(message->caption, kMessageCaption);
    EXPECT_EQ(message->text, "Cannot create destination directory:\r\r" + destination_);
    EXPECT_EQ(message->buttons, (std::vector<std::string>{"OK"}));
    ui::Answer(*message, "OK");
    ExpectDialogStays(welcome, destination_);
  }
  CloseAndExpectNothingInstalled(welcome);
}

// Installing from the bare program gets past the dialog and fails at unpacking: one
// failure message, shown after the progress window has gone, and nothing else.
void ExpectOneFailureMessage(const std::vector<SeenMessage>& seen, size_t first) {
  ASSERT_EQ(seen.size(), first + 1);
  EXPECT_EQ(seen[first].box.caption, kMessageCaption);
  EXPECT_EQ(seen[first].box.text, kCorruptedText);
  EXPECT_EQ(seen[first].box.buttons, (std::vector<std::string>{"OK"}));
  EXPECT_FALSE(seen[first].progress_visible);
}

TEST_F(WelcomeTest, CancelAndNoKeepsTheDialogAndInstallGoesOnToUnpacking) {
  const HWND welcome = StartAtWelcome(stub_);
  ASSERT_NE(welcome, nullptr);
  ui::Press(welcome, kCancel);
  const auto question = NextMessage();
  ASSERT_TRUE(question);
  EXPECT_EQ(question->text, kExitQuestion);
  ui::Answer(*question, "No");
  ExpectDialogStays(welcome, destination_);

  ui::Press(welcome, kInstall);
  EXPECT_EQ(FinishRun(), 0);
  ExpectOneFailureMessage(seen_, 1);
  EXPECT_TRUE(FolderExists(destination_));
  EXPECT_FALSE(fs::exists(destination_ + "\\tempfile.$$$"));
}

// Mounts a 512 KiB drive T: for one case and removes it again.
class TinyDrive {
 public:
  TinyDrive() {
    script_ = PathFromEnvironment("TSV_TINY_DRIVE_SCRIPT");
    const char* prefix = std::getenv("WINEPREFIX");
    if (script_.empty() || prefix == nullptr) return;
    mount_point_ = std::string(prefix) + "/../tiny-drive";
    status_ = ui::RunUnix(script_ + " mount " + mount_point_ + " t");
  }
  ~TinyDrive() {
    if (status_ == 0) ui::RunUnix(script_ + " unmount " + mount_point_ + " t");
  }
  int status() const { return status_; }

 private:
  std::string script_;
  std::string mount_point_;
  int status_ = -1;
};

TEST_F(WelcomeTest, ADriveWithLessThanOneMegabyteFreeAsksFirst) {
  TinyDrive drive;
  if (drive.status() == 77) GTEST_SKIP() << "no tmpfs drive: mounting needs root";
  ASSERT_EQ(drive.status(), 0);
  program_files_dir_.Set(std::string("T:"));
  const std::string destination = "T:\\Brastel\\Tesivo";
  const HWND welcome = StartAtWelcome(stub_);
  ASSERT_NE(welcome, nullptr);
  ASSERT_EQ(ui::ControlText(welcome, kDestination), destination);

  ui::Press(welcome, kInstall);
  auto question = NextMessage();
  ASSERT_TRUE(question);
  EXPECT_EQ(question->caption, kMessageCaption);
  EXPECT_EQ(question->text, kLowSpaceQuestion);
  EXPECT_EQ(question->buttons, (std::vector<std::string>{"&Yes", "&No"}));
  EXPECT_EQ(question->default_button, "&Yes");
  ui::Answer(*question, "No");
  ExpectDialogStays(welcome, destination);
  EXPECT_FALSE(fs::exists("T:\\Brastel"));

  ui::Press(welcome, kInstall);
  question = NextMessage();
  ASSERT_TRUE(question);
  EXPECT_EQ(question->text, kLowSpaceQuestion);
  ui::Answer(*question, "Yes");
  EXPECT_EQ(FinishRun(), 0);
  ExpectOneFailureMessage(seen_, 2);
  EXPECT_TRUE(FolderExists(destination));
}

// Closes HKLM's approved-extensions key to writing for one case, as it is for a
// user without administrator rights, and restores its access list afterwards.
class ApprovedKeyClosed {
 public:
  ApprovedKeyClosed() {
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kApprovedKey, 0, nullptr, 0, READ_CONTROL | WRITE_DAC, nullptr, &key_,
                        nullptr) != ERROR_SUCCESS) {
      return;
    }
    DWORD size = 0;
    RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, nullptr, &size);
    original_.resize(size);
    if (RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, original_.data(), &size) != ERROR_SUCCESS) return;
    PSECURITY_DESCRIPTOR closed = nullptr;
    ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(D;;KW;;;WD)(A;;KA;;;WD)", SDDL_REVISION_1, &closed,
                                                         nullptr);
    ok_ = RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, closed) == ERROR_SUCCESS;
    LocalFree(closed);
  }
  ~ApprovedKeyClosed() {
    if (ok_) RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, original_.data());
    if (key_ != nullptr) RegCloseKey(key_);
  }
  bool ok() const { return ok_; }

 private:
  static constexpr char kApprovedKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
  HKEY key_ = nullptr;
  std::vector<BYTE> original_;
  bool ok_ = false;
};

TEST_F(WelcomeTest, WithoutAdministratorRightsTheUserIsAskedAndNoEndsTheRun) {
  const char kRightsQuestion[] =
      "Administrator privileges are required to install Tessivo. If you continue, some features will not be "
      "available.\r\rWould you, nevertheless, wish to proceed now?";
  ApprovedKeyClosed closed;
  ASSERT_TRUE(closed.ok());
  for (const std::string answer : {"No", "Yes"}) {
    SCOPED_TRACE(answer);
    seen_.clear();
    std::error_code ignored;
    fs::remove_all(program_files_, ignored);
    const HWND welcome = StartAtWelcome(stub_);
    ASSERT_NE(welcome, nullptr);
    ui::Press(welcome, kInstall);
    const auto question = NextMessage();
    ASSERT_TRUE(question);
    EXPECT_EQ(question->caption, kMessageCaption);
    EXPECT_EQ(question->text, kRightsQuestion);
    EXPECT_EQ(question->buttons, (std::vector<std::string>{"&Yes", "&No"}));
    EXPECT_EQ(question->default_button, "&No");
    // The welcome dialog is gone: the folder exists already when the question comes.
    EXPECT_FALSE(ui::FindWindowByTitle(kTitle, "#32770", setup_.pid));
    EXPECT_TRUE(FolderExists(destination_));
    ui::Answer(*question, answer);
    EXPECT_EQ(FinishRun(), 0);
    if (answer == "No") {
      EXPECT_EQ(seen_.size(), 1u);
    } else {
      ExpectOneFailureMessage(seen_, 1);
    }
    EXPECT_TRUE(FolderExists(destination_));
  }
}

}  // namespace
}  // namespace setup_test
