// Walking a payload folder: what becomes an entry, under which name, and what is
// refused or warned about.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "payload/folder_scan.h"
#include "temp_tree.h"

namespace {

using vozip_test::TempTree;
namespace fs = std::filesystem;

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

// Each expected message must appear as a part of one line.
void ExpectMessages(const std::vector<std::string>& actual,
                    const std::vector<std::string>& expected, const char* what) {
  EXPECT_EQ(actual.size(), expected.size()) << what << ":\n" << Joined(actual);
  for (const std::string& part : expected) {
    bool found = false;
    for (const std::string& line : actual) found = found || line.find(part) != std::string::npos;
    EXPECT_TRUE(found) << what << " lack '" << part << "':\n" << Joined(actual);
  }
}

struct ScanCase {
  const char* name;
  std::function<void(const TempTree&)> make;  // fills the folder "payload"
  std::vector<std::string> stored;            // stored names, in order
  std::vector<std::string> errors;            // parts of the expected error lines
  std::vector<std::string> warnings;          // parts of the expected warnings
};

void RunCases(const std::vector<ScanCase>& cases) {
  for (const ScanCase& c : cases) {
    SCOPED_TRACE(c.name);
    TempTree tree;
    fs::create_directory(tree / "payload");
    c.make(tree);
    vozip::ScanResult result;
    vozip::ScanFolder((tree / "payload").u8string(), &result);
    std::vector<std::string> stored;
    for (const vozip::PackItem& item : result.items) stored.push_back(item.stored_name);
    if (c.errors.empty()) {
      EXPECT_EQ(stored, c.stored);
    }
    ExpectMessages(result.errors, c.errors, "errors");
    ExpectMessages(result.warnings, c.warnings, "warnings");
  }
}

TEST(FolderScan, NamesOrderAndEmptyFolders) {
  RunCases({
      {"nested folders, sorted by stored bytes",
       [](const TempTree& t) {
         t.Write("payload/b.txt", "b");
         t.Write("payload/a/z.txt", "z");
         t.Write("payload/a/b/deep.bin", "deep");
         t.Write("payload/a.txt", "a");
         t.Write("payload/B.dat", "");  // empty files are files
       },
       {"B.dat", "a.txt", "a\\b\\deep.bin", "a\\z.txt", "b.txt"},
       {},
       {}},
      {"UTF-8 names that Windows-1252 spells",
       [](const TempTree& t) {
         t.Write("payload/caf\xC3\xA9/\xE2\x82\xAC.txt", "euro");
         t.Write("payload/na\xC3\xAFve.txt", "");
       },
       {"caf\xE9\\\x80.txt", "na\xEFve.txt"},
       {},
       {}},
      {"a name that Windows-1252 cannot spell",
       [](const TempTree& t) {
         t.Write("payload/ok.txt", "");
         t.Write("payload/docs/\xE4\xB8\xAD\xE6\x96\x87.txt", "");
       },
       {},
       {"docs\\\xE4\xB8\xAD\xE6\x96\x87.txt: name is not representable in Windows-1252 (U+4E2D"},
       {}},
      {"empty folders are warned about, outermost only",
       [](const TempTree& t) {
         t.Write("payload/keep/file.txt", "x");
         fs::create_directories(t / "payload/keep/empty");
         fs::create_directories(t / "payload/outer/inner/innermost");
       },
       {"keep\\file.txt"},
       {},
       {"folder 'keep\\empty' holds no file", "folder 'outer' holds no file"}},
      {"an empty payload folder",
       [](const TempTree&) {},
       {},
       {},
       {"holds no file; the archive will be empty"}},
      {"the setup's temporary file name, at the top only",
       [](const TempTree& t) {
         t.Write("payload/TempFile.$$$", "");
         t.Write("payload/sub/tempfile.$$$", "");
       },
       {},
       {"TempFile.$$$: the setup uses this name"},
       {}},
      {"long names fit, with a warning beyond what Windows takes below Program Files",
       [](const TempTree& t) {
         t.Write("payload/" + std::string(200, 'd') + "/" + std::string(30, 'f'), "");
         t.Write("payload/" + std::string(200, 'd') + "/" + std::string(26, 'g'), "");
       },
       {std::string(200, 'd') + "\\" + std::string(30, 'f'),
        std::string(200, 'd') + "\\" + std::string(26, 'g')},
       {},
       {"name is 231 bytes long"}},
  });
}

TEST(FolderScan, SizesTimesAndReadOnlyFilesAreRecorded) {
  TempTree tree;
  const fs::path file = tree.Write("payload/data.bin", std::string(1000, 'x'));
  const fs::path locked = tree.Write("payload/locked.txt", "r");
  fs::permissions(locked, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  vozip::ScanResult result;
  vozip::ScanFolder((tree / "payload").u8string(), &result);
  ASSERT_TRUE(result.errors.empty()) << Joined(result.errors);
  ASSERT_EQ(result.items.size(), 2u);
  EXPECT_EQ(result.items[0].stored_name, "data.bin");
  EXPECT_EQ(result.items[0].size, 1000u);
  EXPECT_FALSE(result.items[0].read_only);
  EXPECT_EQ(fs::u8path(result.items[0].source_path), file);
  EXPECT_EQ(result.items[1].stored_name, "locked.txt");
  EXPECT_TRUE(result.items[1].read_only);
}

TEST(FolderScan, StoredFileLimits) {
  struct Case {
    std::string name;
    uint64_t size;
    const char* problem;  // nullptr: accepted
  };
  const Case cases[] = {
      {std::string(65535, 'n'), 0, nullptr},
      {std::string(65536, 'n'), 0, "name is 65536 bytes long"},
      {"big.bin", 0xFFFFFFFFull, nullptr},
      {"big.bin", 0x100000000ull, "file is 4294967296 bytes"},
      {"TEMPFILE.$$$", 0, "temporary copy"},
      {"sub\\tempfile.$$$", 0, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name.substr(0, 20));
    const std::string problem = vozip::StoredFileProblem(c.name, c.size);
    if (c.problem == nullptr) {
      EXPECT_EQ(problem, "");
    } else {
      EXPECT_NE(problem.find(c.problem), std::string::npos) << problem;
    }
  }
}

#if !defined(_WIN32)
// What only a POSIX file system can hold: links, names Windows refuses, files that
// differ only in case, special files, sparse giants.
TEST(FolderScan, PosixOnlyCases) {
  RunCases({
      {"names that Windows cannot create",
       [](const TempTree& t) {
         t.Write("payload/a:b.txt", "");
         t.Write("payload/back\\slash", "");
         t.Write("payload/trailing.", "");
         t.Write("payload/CON.txt", "");
         t.Write("payload/lpt1", "");
         t.Write("payload/tab\there", "");
         t.Write("payload/console.txt", "");  // a device name only as a whole
       },
       {},
       {"a:b.txt: name holds ':'", "back\\slash: name holds '\\'", "trailing.: name ends in a dot",
        "CON.txt: name is the name of a Windows device",
        "lpt1: name is the name of a Windows device",
        "tab\there: name holds the control character 0x09"},
       {}},
      {"a name in Latin-1 bytes rather than UTF-8",
       [](const TempTree& t) { t.Write("payload/caf\xE9.txt", ""); },
       {},
       {"name is not representable in Windows-1252 (byte 0xE9 at offset 3 is not valid UTF-8)"},
       {}},
      {"names that differ only in case",
       [](const TempTree& t) {
         t.Write("payload/Read.me", "1");
         t.Write("payload/READ.ME", "2");
         t.Write("payload/lib", "file");
         t.Write("payload/LIB/x.dll", "folder");
         t.Write("payload/\xC3\xA9t\xC3\xA9.txt", "");  // lower-case accented
         t.Write("payload/\xC3\x89T\xC3\x89.TXT", "");  // upper-case accented
       },
       {},
       {"Read.me: name differs only in case from READ.ME",
        "lib: is a file, but Windows would take it for the folder of LIB\\x.dll",
        "\xC3\xA9t\xC3\xA9.txt: name differs only in case from \xC3\x89T\xC3\x89.TXT"},
       {}},
      {"links inside are followed, files under the link's name",
       [](const TempTree& t) {
         t.Write("payload/real/data.txt", "12345");
         fs::create_symlink("real/data.txt", t / "payload/alias.txt");
         fs::create_directory_symlink("real", t / "payload/mirror");
       },
       {"alias.txt", "mirror\\data.txt", "real\\data.txt"},
       {},
       {}},
      {"links that lead outside, nowhere, or around in a loop",
       [](const TempTree& t) {
         t.Write("outside.txt", "secret");
         t.Write("payload/ok.txt", "");
         fs::create_symlink("../outside.txt", t / "payload/escape.txt");
         fs::create_directory_symlink(t.root(), t / "payload/up");
         fs::create_symlink("missing.txt", t / "payload/dangling.txt");
         fs::create_directories(t / "payload/sub");
         fs::create_directory_symlink("..", t / "payload/sub/loop");
       },
       {},
       {"escape.txt: link leads outside the folder being packed", "up: link leads outside",
        "dangling.txt: link leads nowhere",
        "sub\\loop: link leads back to a folder that contains it"},
       {}},
      {"special files are skipped with a warning",
       [](const TempTree& t) {
         t.Write("payload/file.txt", "");
         ASSERT_EQ(mkfifo((t / "payload/pipe").c_str(), 0600), 0);
       },
       {"file.txt"},
       {},
       {"pipe: neither a file nor a folder; skipped"}},
      {"files of 4 GiB or more (sparse, so the test stays small)",
       [](const TempTree& t) {
         t.Write("payload/limit.bin", "");
         fs::resize_file(t / "payload/limit.bin", 0xFFFFFFFFull);
         t.Write("payload/huge.bin", "");
         fs::resize_file(t / "payload/huge.bin", 0x100000000ull);
       },
       {},
       {"huge.bin: file is 4294967296 bytes; the archive carries files up to 4 GiB - 1 bytes"},
       {}},
  });
}
#endif

}  // namespace
