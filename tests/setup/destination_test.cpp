// Destination checks of the welcome dialog, run on the real file system of the
// wine prefix: folder creation with its parents, the drive-root and network-path
// cases, and the rights probe.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "postset/privilege_probes.h"
#include "setup/destination.h"

namespace fs = std::filesystem;

namespace {

bool IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

class DestinationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    root_ = std::string(temp) + "tsv_destination_test";
    fs::remove_all(root_);
    fs::create_directories(root_);
  }
  void TearDown() override { fs::remove_all(root_); }

  std::string root_;
};

TEST_F(DestinationTest, CreatesMissingParentsAndReturnsThePathAsGiven) {
  struct Case {
    std::string relative;  // below root_
    std::string created;   // folder that must exist afterwards
  };
  const Case cases[] = {
      {"\\A\\B", "\\A\\B"},
      {"\\one\\two\\three\\", "\\one\\two\\three"},  // trailing backslash kept in the result
      {"\\with space\\x.y", "\\with space\\x.y"},
  };
  for (const Case& c : cases) {
    const std::string path = root_ + c.relative;
    SCOPED_TRACE(path);
    EXPECT_EQ(std::string(CreateDestinationFolder(path.c_str()).c_str()), path);
    EXPECT_TRUE(IsFolder(root_ + c.created));
  }
}

TEST_F(DestinationTest, FailsWhenAFileStandsInTheWay) {
  std::ofstream(root_ + "\\blocker") << "x";
  const std::string below_file = root_ + "\\blocker\\sub";
  EXPECT_TRUE(CreateDestinationFolder(below_file.c_str()).empty());
  EXPECT_TRUE(CreateDestinationFolder((root_ + "\\blocker").c_str()).empty());
  EXPECT_FALSE(IsFolder(below_file));
}

TEST_F(DestinationTest, ExistingRootsAreAcceptedAndNeverCreated) {
  // A drive root comes from the chooser as C:\ and is already there.
  EXPECT_EQ(std::string(CreateDestinationFolder("C:\\").c_str()), "C:\\");
  // A bare drive letter is left alone, whatever its current folder.
  MakeDestinationPath("C:");
  MakeDestinationPath("");
  EXPECT_TRUE(IsFolder("C:\\"));
}

TEST_F(DestinationTest, ARelativeNameIsCreatedInTheCurrentFolderButOneOrTwoCharactersAreNot) {
  char previous[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, previous);
  ASSERT_TRUE(SetCurrentDirectoryA(root_.c_str()));
  MakeDestinationPath("abc");
  MakeDestinationPath("xy");
  SetCurrentDirectoryA(previous);
  EXPECT_TRUE(IsFolder(root_ + "\\abc"));
  EXPECT_FALSE(IsFolder(root_ + "\\xy"));
}

TEST(FreeSpaceTest, MeasuresTheDriveOfAnyPathAndFailsForNetworkPaths) {
  ULARGE_INTEGER available{}, total{}, free_bytes{};
  ASSERT_TRUE(GetDiskFreeSpaceExA("C:\\", &available, &total, &free_bytes));
  const double megabytes = FreeSpaceMegabytes("c:\\no\\such\\folder");  // lower-case drive too
  EXPECT_GT(megabytes, 0.0);
  // The old call caps the cluster count on large drives, so it can only be at most
  // the modern figure.
  EXPECT_LE(megabytes, static_cast<double>(free_bytes.QuadPart) / (1024.0 * 1024.0) + 1.0);

  EXPECT_EQ(FreeSpaceMegabytes("\\\\server\\share\\folder"), -1.0);
}

}  // namespace
