// Reading setup files: the marker search and the names the extractor refuses.

#include "payload/archive_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "temp_tree.h"

namespace {

using vozip_test::TempTree;

const std::string kMarker = "<VOZIP FILE BEGINS HERE>";

TEST(PayloadMarker, FirstOccurrenceWhereverTheBlocksFall) {
  struct Case {
    const char* name;
    std::string bytes;
    bool found;
    uint64_t offset;
  };
  const std::string filler(70000, 'x');
  const Case cases[] = {
      {"at the very start", kMarker + "archive", true, 0},
      {"in a short file", "MZ" + kMarker, true, 2},
      {"ending exactly at the first block's end", filler.substr(0, 65512) + kMarker + "a", true,
       65512},
      {"straddling the first block's end", filler.substr(0, 65530) + kMarker + "a", true, 65530},
      {"well inside the second block", filler + kMarker, true, 70000},
      {"twice: the first counts", "ab" + kMarker + "cd" + kMarker, true, 2},
      {"lower case is no marker", "MZ<vozip file begins here>", false, 0},
      {"mixed case is no marker", "MZ<VOZIP FILE begins HERE>", false, 0},
      {"cut short", "MZ" + kMarker.substr(0, 23), false, 0},
      {"empty file", "", false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempTree tree;
    const auto path = tree.Write("setup.exe", c.bytes);
    std::FILE* file = std::fopen(path.string().c_str(), "rb");
    ASSERT_NE(file, nullptr);
    bool found = !c.found;
    uint64_t offset = 12345;
    std::string error;
    EXPECT_TRUE(vozip::FindPayloadMarker(file, &found, &offset, &error)) << error;
    std::fclose(file);
    EXPECT_EQ(found, c.found);
    if (c.found) {
      EXPECT_EQ(offset, c.offset);
    }
  }
}

TEST(EntryNames, RefusedAsTheExtractorRefusesThem) {
  struct Case {
    std::string name;
    const char* problem;  // nullptr: the extractor writes it
  };
  const Case cases[] = {
      {"readme.txt", nullptr},
      {"bin\\sub\\app.exe", nullptr},
      {"a..b\\c.d", nullptr},
      {"", "empty"},
      {"..\\evil.txt", "dots and spaces ('..')"},
      {"bin\\..\\..\\evil.txt", "dots and spaces ('..')"},
      {"bin\\. .\\evil.txt", "dots and spaces ('. .')"},
      {"bin/../evil.txt", "dots and spaces ('..')"},
      {"bin\\...", "dots and spaces ('...')"},
      {"\\Windows\\evil.dll", "root of a drive"},
      {"/etc/passwd", "root of a drive"},
      {"C:\\evil.txt", "colon"},
      {"file.txt:stream", "colon"},
      {std::string("a\0b", 3), "zero byte"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string problem = vozip::UnsafeNameProblem(c.name);
    if (c.problem == nullptr) {
      EXPECT_EQ(problem, "");
    } else {
      EXPECT_NE(problem.find(c.problem), std::string::npos) << problem;
    }
  }
}

}  // namespace
