// The host backend of the platform layer, where it stands in for Windows: the
// read-only attribute, error codes, and failures of the disk and of reads.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

#include "archive/larchive.h"
#include "archive/payload_locator.h"
#include "archive_support.h"
#include "platform/file.h"

namespace {

namespace fs = std::filesystem;
using tsv_test::ProgramPath;
using tsv_test::TempDir;

mode_t Mode(const fs::path& path) {
  struct stat info;
  EXPECT_EQ(stat(path.c_str(), &info), 0);
  return info.st_mode & 0777;
}

TEST(PosixBackend, ReadOnlyIsTheAbsenceOfEveryWriteBit) {
  TempDir dir;
  tsv_test::WriteAll(dir / "f", {1});
  chmod((dir / "f").c_str(), 0664);
  const std::string file = ProgramPath(dir / "f");
  EXPECT_EQ(GetAttributes(file.c_str()), kAttributeNormal);
  ASSERT_TRUE(SetAttributes(file.c_str(), kAttributeReadOnly | kAttributeHidden));
  EXPECT_EQ(Mode(dir / "f"), 0444u);
  EXPECT_EQ(GetAttributes(file.c_str()), kAttributeReadOnly);
  ASSERT_TRUE(SetAttributes(file.c_str(), kAttributeArchive));
  EXPECT_EQ(Mode(dir / "f"), 0644u);  // the owner may write again
  EXPECT_EQ(GetAttributes(ProgramPath(dir.path()).c_str()), kAttributeDirectory);
  // Folders keep their write bits; a link is left alone, and so is its target.
  ASSERT_TRUE(SetAttributes(ProgramPath(dir.path()).c_str(), kAttributeReadOnly));
  EXPECT_NE(Mode(dir.path()) & 0200, 0u);
  fs::create_symlink(dir / "f", dir / "link");
  ASSERT_TRUE(SetAttributes(ProgramPath(dir / "link").c_str(), kAttributeReadOnly));
  EXPECT_EQ(Mode(dir / "f"), 0644u);
}

// As on Windows, and even for root: a read-only file is not written, replaced or
// deleted.
TEST(PosixBackend, FailsLikeWindowsWithItsErrorCodes) {
  TempDir dir;
  tsv_test::WriteAll(dir / "ro", {1});
  chmod((dir / "ro").c_str(), 0444);
  const std::string read_only = ProgramPath(dir / "ro");
  const std::string base = ProgramPath(dir.path());
  struct Case {
    const char* what;
    std::function<bool()> call;
    uint32_t error;
  };
  const Case cases[] = {
      {"open read-only file for writing",
       [&] { return OpenExistingFile(read_only.c_str(), FileAccess::kReadWrite).IsOpen(); },
       kErrorAccessDenied},
      {"replace read-only file", [&] { return CreateNewFile(read_only.c_str()).IsOpen(); },
       kErrorAccessDenied},
      {"delete read-only file", [&] { return RemoveFile(read_only.c_str()); }, kErrorAccessDenied},
      {"open missing file",
       [&] { return OpenExistingFile((base + "\\none").c_str(), FileAccess::kRead).IsOpen(); },
       kErrorFileNotFound},
      {"open in missing folder",
       [&] { return OpenExistingFile((base + "\\no\\none").c_str(), FileAccess::kRead).IsOpen(); },
       kErrorPathNotFound},
      {"create in missing folder",
       [&] { return CreateNewFile((base + "\\no\\new").c_str()).IsOpen(); }, kErrorPathNotFound},
      {"open a folder as a file",
       [&] { return OpenExistingFile(base.c_str(), FileAccess::kRead).IsOpen(); }, kErrorAccessDenied},
      {"create an existing folder", [&] { return CreateFolder(base.c_str()); }, kErrorAlreadyExists},
      {"delete a folder", [&] { return RemoveFile(base.c_str()); }, kErrorAccessDenied},
      {"attributes of a missing file",
       [&] { return GetAttributes((base + "\\none").c_str()) != kInvalidAttributes; },
       kErrorFileNotFound},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(c.call()) << c.what;
    EXPECT_EQ(LastErrorCode(), c.error) << c.what;
  }
  EXPECT_TRUE(fs::exists(dir / "ro"));
}

TEST(PosixBackend, AReadOnlyArchiveIsNeitherOpenedNorDeleted) {
  TempDir dir;
  fs::create_directories(dir / "dest");
  tsv_test::WriteArchive(dir / "a.voz", {{"f", "1"}});
  chmod((dir / "a.voz").c_str(), 0444);
  EXPECT_EQ(ExtractArchive(ProgramPath(dir / "a.voz").c_str(), ProgramPath(dir / "dest").c_str(),
                           nullptr, nullptr),
            kExtractArchiveUnavailable);
  EXPECT_TRUE(fs::exists(dir / "a.voz"));
  EXPECT_TRUE(fs::is_empty(dir / "dest"));
}

// A write that fails while an entry is decoded (here: past the process's file size
// limit, as on a full disk) ends the extraction with -3. Run in a child process,
// whose limit the test runner does not share.
TEST(PosixBackend, AWriteThatFailsWhileDecodingGivesMinusThree) {
  TempDir dir;
  fs::create_directories(dir / "dest");
  tsv_test::StreamBuilder stream(0, 6);
  stream.Literal('a');
  for (int i = 0; i < 400; ++i) stream.Copy(518, 1);
  const std::string content(1 + 400 * 518, 'a');
  const tsv_test::Entry entry = {"big", content};
  tsv_test::WriteArchiveBody(dir / "a.voz",
                             {tsv_test::EntryBytes("big", tsv_test::HeaderFor(entry, stream.bytes()),
                                                   stream.bytes())});
  ASSERT_LT(fs::file_size(dir / "a.voz"), 100000u);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    const struct rlimit limit = {100000, 100000};
    setrlimit(RLIMIT_FSIZE, &limit);
    const int32_t result = ExtractArchive(ProgramPath(dir / "a.voz").c_str(),
                                          ProgramPath(dir / "dest").c_str(), nullptr, nullptr);
    _exit(-result);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 3);
  EXPECT_FALSE(fs::exists(dir / "a.voz"));
  EXPECT_LE(fs::file_size(dir / "dest" / "big"), 100000u);
}

// A file whose reads stop short of the size it reports (as kernel attribute files
// do) must end the locator's loops with a failure instead of spinning.
TEST(PosixBackend, TheLocatorStopsWhenReadsStopShort) {
  const fs::path liar = "/sys/devices/system/cpu/online";
  if (!fs::exists(liar) || fs::file_size(liar) <= 64) GTEST_SKIP() << "no such file here";
  TempDir dir;
  InitPayloadMarker();
  EXPECT_EQ(UnpackPayloadFrom(liar.c_str(), ProgramPath(dir.path()).c_str(), nullptr),
            kExtractArchiveUnavailable);
  EXPECT_TRUE(fs::is_empty(dir.path()));
}

}  // namespace
