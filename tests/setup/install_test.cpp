// Installing the sample payload end to end, and what a damaged setup file does.
// TSV_SAMPLE_SETUP is the setup file vozip built from TSV_SAMPLE_PAYLOAD.
#include <algorithm>
#include <filesystem>
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
  for (const SeenMessage& m : seen_) EXPECT_NE(m.box.text, kCorruptedText);

  std::vector<std::string> expected_names;
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

TEST_F(InstallTest, ADamagedSetupFileShowsOneFailureMessageAfterTheProgressWindow) {
  const std::string good = ReadFile(ui::WindowsPath(sample_));
  const size_t stub_size = fs::file_size(ui::WindowsPath(PathFromEnvironment("TSV_SETUP_STUB")));
  ASSERT_GT(good.size(), stub_size + 24 + 64);
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
