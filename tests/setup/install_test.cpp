// Installing the sample payload end to end, and what a damaged setup file does.
// TSV_SAMPLE_SETUP is the setup file vozip built from TSV_SAMPLE_PAYLOAD.
#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "setup_harness.h"

namespace fs = std::filesystem;

namespace setup_test {
namespace {

struct ExpectedFile {
  std::string name;  // below the payload and the destination
  DWORD attributes;
};

// The payload's files with the attributes the packing rules give them.
const ExpectedFile kSampleFiles[] = {
    {"Tesivo.exe", FILE_ATTRIBUTE_ARCHIVE},
    {"Contmenu.dll", FILE_ATTRIBUTE_ARCHIVE},
    {"uninst.exe", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN},
    {"Readme.txt", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY},
    {"Help\\Using Tessivo.txt", FILE_ATTRIBUTE_ARCHIVE},
    {"Help\\Examples\\scanlist.txt", FILE_ATTRIBUTE_ARCHIVE},
};

ULONGLONG LastWriteTime(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<ULONGLONG>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
}

// DOS times count in steps of two seconds: the stored time is the file's time
// rounded down to one.
ULONGLONG DosRounded(ULONGLONG file_time) {
  constexpr ULONGLONG kTwoSeconds = 20000000;  // in 100-nanosecond units
  return file_time - file_time % kTwoSeconds;
}

std::vector<std::string> FilesBelow(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file()) names.push_back(fs::relative(entry.path(), folder).string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

class InstallTest : public SetupCase {
 protected:
  std::string sample_ = PathFromEnvironment("TSV_SAMPLE_SETUP");
  std::string payload_ = ui::WindowsPath(PathFromEnvironment("TSV_SAMPLE_PAYLOAD"));

  // Presses Install in the welcome dialog and waits for the run to end.
  void InstallFrom(const std::string& setup_file) {
    const HWND welcome = StartAtWelcome(setup_file);
    ASSERT_NE(welcome, nullptr);
    ASSERT_EQ(ui::ControlText(welcome, kDestination), destination_);
    ProgressWatcher progress(setup_.pid);
    ui::Press(welcome, kInstall);
    EXPECT_EQ(FinishRun(), 0);
    // The progress window, with the animation in it, came up while files were unpacked.
    EXPECT_TRUE(progress.window_seen());
    EXPECT_TRUE(progress.animation_seen());
  }

  void TearDown() override {
    // Read-only files would keep the case folder from being removed.
    if (fs::exists(destination_)) {
      for (const auto& entry : fs::recursive_directory_iterator(destination_)) {
        SetFileAttributesA(entry.path().string().c_str(), FILE_ATTRIBUTE_NORMAL);
      }
    }
    SetupCase::TearDown();
  }
};

TEST_F(InstallTest, InstallsEveryFileWithItsContentTimeAndAttributes) {
  InstallFrom(sample_);
  // The run ends with registration's one message, never the failure message.
  ASSERT_EQ(seen_.size(), 1u);
  EXPECT_EQ(seen_[0].box.caption, kMessageCaption);
  EXPECT_EQ(seen_[0].box.text.rfind("Tessivo has been successfully installed.", 0), 0u)
      << seen_[0].box.text;

  // Beside the payload's files, registration writes the application's ini file.
  std::vector<std::string> expected_names = {"Tesivo.ini"};
  for (const ExpectedFile& f : kSampleFiles) expected_names.push_back(f.name);
  std::sort(expected_names.begin(), expected_names.end());
  EXPECT_EQ(FilesBelow(destination_), expected_names);  // tempfile.$$$ is gone too

  for (const ExpectedFile& f : kSampleFiles) {
    SCOPED_TRACE(f.name);
    const std::string source = payload_ + "\\" + f.name;
    const std::string installed = destination_ + "\\" + f.name;
    EXPECT_EQ(ReadFile(installed), ReadFile(source));
    EXPECT_EQ(LastWriteTime(installed), DosRounded(LastWriteTime(source)));
    EXPECT_EQ(GetFileAttributesA(installed.c_str()), f.attributes);
  }
}

// A setup file whose archive holds 16 MiB that do not compress. A damaged archive
// is found out only after the setup has copied and checked all of it, so with this
// one the progress window stays up long enough to be watched; with the small sample
// it would be gone within a millisecond or two, and on a busy machine unseen.
std::string LargeSetupFile(const std::string& work_folder) {
  const std::string payload = work_folder + "\\large-payload";
  fs::create_directories(payload);
  std::string bytes(16u << 20, '\0');
  std::mt19937 random(20261210);
  for (char& byte : bytes) byte = static_cast<char>(random());
  WriteFile(payload + "\\Large.bin", bytes);
  const std::string setup_file = work_folder + "\\large.bin";
  const std::string command = "\"" + ui::WindowsPath(PathFromEnvironment("TSV_VOZIP")) + "\" build -1 --stub \"" +
                              ui::WindowsPath(PathFromEnvironment("TSV_SETUP_STUB")) + "\" --payload \"" + payload +
                              "\" -o \"" + setup_file + "\"";
  ui::Process vozip = ui::Launch(command);
  EXPECT_EQ(ui::WaitForExit(vozip, 120000), 0) << command;
  fs::remove_all(payload);
  return ReadFile(setup_file);
}

TEST_F(InstallTest, ADamagedSetupFileShowsOneFailureMessageAfterTheProgressWindow) {
  const std::string good = LargeSetupFile(case_folder_);
  const size_t stub_size = fs::file_size(ui::WindowsPath(PathFromEnvironment("TSV_SETUP_STUB")));
  ASSERT_GT(good.size(), stub_size + 24 + (16u << 20));
  struct Case {
    const char* name;
    std::string bytes;
  };
  std::string flipped = good;
  flipped[stub_size + 24 + (good.size() - stub_size - 24) / 2] ^= 0x01;  // one bit, mid-archive
  const Case cases[] = {
      {"one flipped payload bit", flipped},
      {"truncated by 100 bytes", good.substr(0, good.size() - 100)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    seen_.clear();
    std::error_code ignored;
    fs::remove_all(program_files_, ignored);
    const std::string damaged = case_folder_ + "\\damaged.bin";
    WriteFile(damaged, c.bytes);
    InstallFrom(damaged);
    ASSERT_EQ(seen_.size(), 1u);
    EXPECT_EQ(seen_[0].box.caption, kMessageCaption);
    EXPECT_EQ(seen_[0].box.text, kCorruptedText);
    EXPECT_FALSE(seen_[0].progress_visible);
    EXPECT_FALSE(fs::exists(destination_ + "\\tempfile.$$$"));
  }
}

}  // namespace
}  // namespace setup_test
