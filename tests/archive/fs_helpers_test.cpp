// Path splitting, folder creation and the attribute and time helpers.

#include "archive/fs_helpers.h"

#include <gtest/gtest.h>

#include <string>

#include "archive_support.h"

namespace {

using tsv_test::ProgramPath;
using tsv_test::TempDir;

std::string Std(const Text& text) { return std::string(text.c_str(), text.size()); }

struct PathCase {
  const char* path;
  const char* folder;
  const char* file;
  const char* extension;
};

TEST(PathParts, SplitAtTheLastDelimiter) {
  const PathCase cases[] = {
      {"C:\\Apps\\Tool\\run.exe", "C:\\Apps\\Tool\\", "run.exe", ".exe"},
      {"C:\\Apps\\Tool\\", "C:\\Apps\\Tool\\", "", ""},
      {"C:run.exe", "C:", "run.exe", ".exe"},
      {"C:", "C:", "", ""},
      {"run", "", "run", ""},
      {"", "", "", ""},
      {"archive.tar.gz", "", "archive.tar.gz", ".gz"},
      {"dir.d\\readme", "dir.d\\", "readme", ""},  // the only dot is in a folder name
      {"dir\\name.", "dir\\", "name.", "."},
      {"C:\\x.y\\z:w", "C:\\x.y\\z:", "w", ""},
      {"a/b.c", "", "a/b.c", ".c"},  // "/" is no delimiter here
  };
  for (const PathCase& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(Std(PathFolderPart(c.path)), c.folder);
    EXPECT_EQ(Std(PathFileName(c.path)), c.file);
    EXPECT_EQ(Std(PathExtension(c.path)), c.extension);
  }
}

TEST(PathParts, LastDelimiterPosCountsFromOneAndIgnoresZeroBytes) {
  EXPECT_EQ(LastDelimiterPos("\\:", "C:\\a\\b"), 5u);
  EXPECT_EQ(LastDelimiterPos("\\:", "abc"), 0u);
  EXPECT_EQ(LastDelimiterPos(".\\:", ".abc"), 1u);
  // A zero byte inside a text is not the delimiter set's terminator.
  EXPECT_EQ(LastDelimiterPos("\\:", Text("a\\b\0c", 5)), 2u);
}

TEST(AsciiUpperCase, ChangesOnlyTheLettersAToZ) {
  const Text mixed("az AZ 09 <>\\ \xE4\xFF\x7B\x60", 18);
  EXPECT_EQ(Std(AsciiUpperCase(mixed)), std::string("AZ AZ 09 <>\\ \xE4\xFF\x7B\x60", 18));
  EXPECT_EQ(Std(AsciiUpperCase("<vozip file begins here>")), "<VOZIP FILE BEGINS HERE>");
  EXPECT_EQ(AsciiUpperCase("").size(), 0u);
}

TEST(FolderExists, OnlyForFolders) {
  TempDir dir;
  tsv_test::WriteAll(dir / "file", {1});
  EXPECT_TRUE(FolderExists(ProgramPath(dir.path()).c_str()));
  EXPECT_FALSE(FolderExists(ProgramPath(dir / "file").c_str()));
  EXPECT_FALSE(FolderExists(ProgramPath(dir / "missing").c_str()));
  EXPECT_FALSE(FolderExists(""));
}

TEST(MakeFolderPath, CreatesEveryMissingLevel) {
  TempDir dir;
  const std::string base = ProgramPath(dir.path());
  MakeFolderPath((base + "\\one").c_str());
  EXPECT_TRUE(std::filesystem::is_directory(dir / "one"));
  // Three levels below an existing folder, with trailing and doubled backslashes.
  MakeFolderPath((base + "\\one\\two\\\\three\\four\\\\").c_str());
  EXPECT_TRUE(std::filesystem::is_directory(dir / "one/two/three/four"));
  // A file in the way stops it quietly.
  tsv_test::WriteAll(dir / "file", {1});
  MakeFolderPath((base + "\\file\\sub").c_str());
  EXPECT_TRUE(std::filesystem::is_regular_file(dir / "file"));
}

TEST(MakeFolderPath, DeepNamesNeedNoRecursion) {
  // Thousands of levels would overflow the stack of a recursive walk. The
  // levels that fit in a path the system takes are made; the rest cannot be.
  std::string deep;
  for (int i = 0; i < 2000; ++i) deep += "abcdefghijklmnopqrstuvwxyz0123456789\\";
  TempDir dir;
  MakeFolderPath((ProgramPath(dir.path()) + "\\" + deep).c_str());
  EXPECT_TRUE(std::filesystem::is_directory(dir / "abcdefghijklmnopqrstuvwxyz0123456789"));
}

TEST(MakeFolderPath, RelativeNamesLandInTheCurrentFolderAndDrivesAreLeftAlone) {
  TempDir dir;
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  MakeFolderPath("rel\\sub");
  MakeFolderPath("C:");
  MakeFolderPath("C:\\");
  MakeFolderPath("Q:\\");
  MakeFolderPath("");
  MakeFolderPath("\\\\");
  std::filesystem::current_path(previous);
  EXPECT_TRUE(std::filesystem::is_directory(dir / "rel/sub"));
  // Only "rel" appeared: no folder named after a drive.
  int entries = 0;
  for (const auto& item : std::filesystem::directory_iterator(dir.path())) {
    EXPECT_EQ(item.path().filename(), "rel");
    ++entries;
  }
  EXPECT_EQ(entries, 1);
}

TEST(SetFileAttrs, ReturnsTheSystemsErrorCode) {
  TempDir dir;
  tsv_test::WriteAll(dir / "file", {1});
  const std::string file = ProgramPath(dir / "file");
  EXPECT_EQ(SetFileAttrs(file.c_str(), kAttributeReadOnly), 0u);
  EXPECT_EQ(GetAttributes(file.c_str()) & kAttributeReadOnly, kAttributeReadOnly);
  EXPECT_EQ(SetFileAttrs(file.c_str(), 0), 0u);
  EXPECT_EQ(GetAttributes(file.c_str()) & kAttributeReadOnly, 0u);
  EXPECT_EQ(SetFileAttrs(ProgramPath(dir / "missing").c_str(), 0), kErrorFileNotFound);
  EXPECT_EQ(SetFileAttrs((ProgramPath(dir.path()) + "\\no\\file").c_str(), 0), kErrorPathNotFound);
}

TEST(SetFileDosTime, SetsTheLastWriteTimeInTwoSecondSteps) {
  TempDir dir;
  const std::string path = ProgramPath(dir / "file");
  FileHandle file = CreateNewFile(path.c_str());
  ASSERT_TRUE(file.IsOpen());
  // Seconds field 29: 58 seconds. The zone moves hours and minutes only.
  EXPECT_EQ(SetFileDosTime(file, tsv_test::DosDateTime(2003, 2, 1, 10, 20, 58)), 0u);
  file.Close();
  uint64_t utc = 0;
  ASSERT_TRUE(GetLastWriteTime(path.c_str(), &utc));
  EXPECT_EQ(utc / 10000000 % 60, 58u);
  // Near 2003-02-01 (whatever the zone), not now.
  const uint64_t expected_seconds = 12688568458ull;  // 2003-02-01 10:20:58 UTC since 1601
  const uint64_t seconds = utc / 10000000;
  EXPECT_LT(seconds > expected_seconds ? seconds - expected_seconds : expected_seconds - seconds,
            15u * 3600);
}

TEST(SetFileDosTime, RefusesImpossibleDates) {
  TempDir dir;
  FileHandle file = CreateNewFile(ProgramPath(dir / "file").c_str());
  ASSERT_TRUE(file.IsOpen());
  EXPECT_NE(SetFileDosTime(file, tsv_test::DosDateTime(2003, 13, 1, 0, 0, 0)), 0u);
  EXPECT_NE(SetFileDosTime(file, tsv_test::DosDateTime(2003, 2, 0, 0, 0, 0)), 0u);
  EXPECT_NE(SetFileDosTime(file, tsv_test::DosDateTime(2003, 2, 1, 24, 0, 0)), 0u);
}

}  // namespace
