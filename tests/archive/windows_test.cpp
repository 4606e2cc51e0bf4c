// What only Windows shows: attributes beyond read-only, and files that another
// handle holds without sharing.

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "archive/larchive.h"
#include "archive_support.h"

namespace {

namespace fs = std::filesystem;
using tsv_test::ProgramPath;
using tsv_test::TempDir;

// Holds a file open with no sharing at all, as another program might.
class ExclusiveHandle {
 public:
  explicit ExclusiveHandle(const fs::path& path)
      : handle_(CreateFileA(path.string().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~ExclusiveHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  bool ok() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

class WindowsExtract : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(destination()); }
  fs::path archive() const { return dir_ / "payload.voz"; }
  fs::path destination() const { return dir_ / "dest"; }
  int32_t Run() {
    return ExtractArchive(ProgramPath(archive()).c_str(), ProgramPath(destination()).c_str(),
                          nullptr, nullptr);
  }
  TempDir dir_;
};

TEST_F(WindowsExtract, GivesEachFileItsStoredAttributes) {
  const uint32_t kHiddenReadOnly = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY;
  tsv_test::WriteArchive(archive(), {{"hidden.dat", "h", tsv_test::DosDateTime(2001, 1, 1, 0, 0, 0),
                                      kHiddenReadOnly},
                                     {"plain.dat", "p", tsv_test::DosDateTime(2001, 1, 1, 0, 0, 0),
                                      FILE_ATTRIBUTE_ARCHIVE}});
  ASSERT_EQ(Run(), kExtractOk);
  const DWORD hidden = GetFileAttributesA((destination() / "hidden.dat").string().c_str());
  const DWORD plain = GetFileAttributesA((destination() / "plain.dat").string().c_str());
  EXPECT_EQ(hidden & kHiddenReadOnly, kHiddenReadOnly);
  EXPECT_EQ(plain & kHiddenReadOnly, 0u);
}

TEST_F(WindowsExtract, AnOutputFileHeldWithoutSharingCannotBeReplaced) {
  tsv_test::WriteArchive(archive(), {{"first", "1"}, {"busy.dll", "new"}, {"after", "3"}});
  tsv_test::WriteAll(destination() / "busy.dll", {'o', 'l', 'd'});
  {
    ExclusiveHandle holder(destination() / "busy.dll");
    ASSERT_TRUE(holder.ok());
    EXPECT_EQ(Run(), kExtractOutputUnavailable);
  }
  EXPECT_EQ(tsv_test::ReadText(destination() / "first"), "1");
  EXPECT_EQ(tsv_test::ReadText(destination() / "busy.dll"), "old");
  EXPECT_FALSE(fs::exists(destination() / "after"));
  EXPECT_FALSE(fs::exists(archive()));
}

TEST_F(WindowsExtract, AnArchiveHeldWithoutSharingCannotBeOpened) {
  tsv_test::WriteArchive(archive(), {{"f", "1"}});
  {
    ExclusiveHandle holder(archive());
    ASSERT_TRUE(holder.ok());
    EXPECT_EQ(Run(), kExtractArchiveUnavailable);
    EXPECT_TRUE(fs::exists(archive()));  // nor deleted
  }
  EXPECT_TRUE(fs::is_empty(destination()));
}

}  // namespace
