// The extractor's pure rules: the progress percent, which names may be written, when
// an entry's decoded content passes, and how an archive path is completed.

#include <gtest/gtest.h>

#include <string>

#include "archive/archive_entry.h"
#include "archive/larchive.h"
#include "archive/progress_percent.h"
#include "explode/explode.h"
#include "platform/file.h"

namespace {

TEST(ProgressPercent, RoundsToNearestWithHalvesToEven) {
  struct Case {
    uint64_t position;
    uint64_t length;
    int32_t percent;
  };
  const uint64_t k4G = 1ull << 32;
  const uint64_t kMax = ~0ull;
  const Case cases[] = {
      {0, 1000, 0},
      {1000, 1000, 100},
      {1, 200, 0},    // 0.5: to even
      {3, 200, 2},    // 1.5
      {5, 200, 2},    // 2.5
      {7, 200, 4},    // 3.5
      {1, 3, 33},     // 33.33
      {2, 3, 67},     // 66.67
      {0, 0, 0},      // the length counts as at least 1
      {1, 0, 100},
      // Positions and lengths far beyond 32 bits, where position x 100 overflows.
      {3 * k4G, 4 * k4G, 75},
      {kMax / 2, kMax, 50},
      {kMax - 1, kMax, 100},
      {kMax / 200, kMax, 0},  // just below a half: 0.4999...
      {kMax, kMax, 100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.position) + " of " + std::to_string(c.length));
    EXPECT_EQ(ProgressPercent(c.position, c.length), c.percent);
  }
}

TEST(IsSafeEntryName, RefusesNamesThatLeaveTheDestination) {
  const char* safe[] = {"a", "readme.txt", "bin\\tool.exe", "a\\b\\c", "..a", "a..",
                        "a b\\c.d", ".profile", "a\\\\b", "dir\\"};
  for (const char* name : safe) EXPECT_TRUE(IsSafeEntryName(name)) << name;
  const char* unsafe[] = {"",       "..",         "..\\x",     "a\\..\\..\\x", "a\\..",
                          "a/../x", "\\x",        "/x",        "\\\\server\\share\\x",
                          "C:x",    "C:\\x",      "a\\b:c",    "file:stream",  ".",
                          "a\\.\\b", "...\\x",    ". .\\x",    "a\\.. \\x",    "  \\x"};
  for (const char* name : unsafe) EXPECT_FALSE(IsSafeEntryName(name)) << name;
  EXPECT_FALSE(IsSafeEntryName(Text("a\0\\..\\x", 7)));  // the system would stop at the zero
}

TEST(EntryMatchesHeader, ChecksEveryCountWithoutWrapping) {
  const EntryHeader header = {0, 0xFFFFFFFF, 0, 0x80000000, 0x12345678};
  EntryOutcome good;
  good.decoder_result = kExplodeOk;
  good.packed_consumed = 0x80000000;
  good.bytes_written = 0xFFFFFFFF;
  good.crc = 0x12345678;
  EXPECT_TRUE(EntryMatchesHeader(header, good));

  struct Case {
    const char* what;
    EntryOutcome outcome;
  };
  Case cases[] = {{"consumed less", good}, {"written less", good}, {"written 4 GiB more", good},
                  {"crc", good},           {"decoder", good},      {"overrun", good}};
  cases[0].outcome.packed_consumed = 0x7FFFFFFF;
  cases[1].outcome.bytes_written = 0xFFFFFFFE;
  cases[2].outcome.bytes_written = 0xFFFFFFFFull + (1ull << 32);
  cases[3].outcome.crc = 0x12345679;
  cases[4].outcome.decoder_result = kExplodeInputEnded;
  cases[5].outcome.overrun = true;
  for (const Case& c : cases) EXPECT_FALSE(EntryMatchesHeader(header, c.outcome)) << c.what;
}

TEST(EntryMatchesHeader, AcceptsTheEmptyFilesShortStreamOnly) {
  EntryOutcome short_stream;
  short_stream.decoder_result = kExplodeShortInput;
  short_stream.packed_consumed = 4;
  short_stream.crc = 0xFFFFFFFF;
  EXPECT_TRUE(EntryMatchesHeader({0, 0, 0, 4, 0xFFFFFFFF}, short_stream));
  EXPECT_FALSE(EntryMatchesHeader({0, 0, 0, 4, 0}, short_stream));  // CRC 0
  short_stream.packed_consumed = 3;
  EXPECT_FALSE(EntryMatchesHeader({0, 0, 0, 3, 0xFFFFFFFF}, short_stream));
  short_stream.packed_consumed = 4;
  short_stream.bytes_written = 1;
  EXPECT_FALSE(EntryMatchesHeader({0, 1, 0, 4, 0xFFFFFFFF}, short_stream));
}

TEST(CompleteArchivePath, AddsTheCurrentFolderAndTheDefaultExtension) {
  Text folder = CurrentFolder();
  ASSERT_FALSE(folder.empty());
  if (folder.back() != '\\') folder += '\\';
  struct Case {
    const char* path;
    std::string complete;
  };
  const Case cases[] = {
      {"setup", std::string(folder.c_str()) + "setup.voz"},
      {"setup.bin", std::string(folder.c_str()) + "setup.bin"},
      {"D:\\x\\tempfile.$$$", "D:\\x\\tempfile.$$$"},
      {"D:\\x.y\\arc", "D:\\x.y\\arc.voz"},
      {"D:arc", "D:arc.voz"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(std::string(CompleteArchivePath(c.path, ".voz").c_str()), c.complete) << c.path;
  }
}

}  // namespace
