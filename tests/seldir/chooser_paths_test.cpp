// The chooser's path rules as tables of cases: folder-list levels, the path of a
// selected entry, doubled backslashes, full-path expansion, the check of typed text,
// the walk up to an existing folder and the drive-box entries. The system's answers
// come from small fakes, so these run on any host.
#include "seldir/chooser_paths.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

std::string Str(const Text& text) { return std::string(text.c_str(), text.size()); }

TEST(ChooserPathsTest, RemovesDoubledBackslashes) {
  const std::pair<const char*, const char*> cases[] = {
      {"C:\\\\Apps", "C:\\Apps"},
      {"C:\\Apps\\\\\\Tool\\\\", "C:\\Apps\\Tool\\"},
      {"\\\\server\\share", "\\server\\share"},  // a leading pair too
      {"\\\\\\\\", "\\"},
      {"C:\\Apps\\Tool", "C:\\Apps\\Tool"},
      {"", ""},
  };
  for (const auto& [path, expected] : cases) {
    Text text(path);
    RemoveDoubledBackslashes(text);
    EXPECT_EQ(Str(text), expected) << path;
  }
}

std::vector<std::string> Levels(const char* path) {
  std::vector<std::string> levels;
  const Text text(path);
  size_t position = 0;
  Text level;
  while (NextFolderLevel(text, &position, &level)) {
    levels.push_back(Str(level));
    if (levels.size() > 64) break;  // a position that never moves on
  }
  return levels;
}

TEST(ChooserPathsTest, SplitsAPathIntoFolderListLevels) {
  using L = std::vector<std::string>;
  const std::pair<const char*, L> cases[] = {
      {"C:\\Apps\\Tool", L{"C:\\", "Apps", "Tool"}},
      {"C:\\Apps\\Tool\\", L{"C:\\", "Apps", "Tool"}},  // no empty level at the end
      {"C:\\", L{"C:\\"}},
      {"D:\\My Files\\a.b", L{"D:\\", "My Files", "a.b"}},
      {"\\server\\share", L{"\\", "server", "share"}},
      {"C:", L{"C:"}},
      {"", L{}},
  };
  for (const auto& [path, expected] : cases) EXPECT_EQ(Levels(path), expected) << path;
}

Text EntryText(int index, void* entries) {
  const auto& list = *static_cast<const std::vector<std::string>*>(entries);
  return Text(list.at(static_cast<size_t>(index)).c_str());
}

TEST(ChooserPathsTest, GivesThePathOfASelectedEntryAndMovesTheCurrentLevel) {
  struct Case {
    std::vector<std::string> entries;
    int current_level;
    int selected;
    std::string path;
    int new_level;
  };
  const std::vector<std::string> tool = {"C:\\", "Apps", "Tool", "Sub", "Other"};  // Tool is current
  const std::vector<std::string> root = {"C:\\", "Windows", "Temp"};                // C:\ is current
  const Case cases[] = {
      {tool, 2, 3, "C:\\Apps\\Tool\\Sub", 2},  // a subfolder
      {tool, 2, 4, "C:\\Apps\\Tool\\Other", 2},
      {tool, 2, 2, "C:\\Apps\\Tool", 1},       // the current folder itself
      {tool, 2, 1, "C:\\Apps", 0},             // a parent level
      {tool, 2, 0, "C:\\", -1},                // the root keeps its backslash
      {root, 0, 1, "C:\\Windows", 0},
      {root, 0, 0, "C:\\", -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    std::vector<std::string> entries = c.entries;
    int level = c.current_level;
    EXPECT_EQ(Str(PathOfFolderEntry(c.selected, &level, EntryText, &entries)), c.path);
    EXPECT_EQ(level, c.new_level);
  }
}

TEST(ChooserPathsTest, AcceptsOnlyTextThatCanBeAFullPath) {
  const std::string longest = "C:\\" + std::string(256, 'a');  // 259 characters
  const std::pair<std::string, bool> cases[] = {
      {"C:\\", true},
      {"C:\\Apps\\Tool", true},
      {"C:x", true},          // drive-relative, expanded later
      {"\\Apps", true},       // from the current drive's root
      {"\\\\server\\share", true},
      {longest, true},
      {"C:", false},          // too short
      {"\\a", false},
      {"abc", false},         // neither a colon second nor a backslash first
      {"Program Files", false},
      {"ab:", false},
      {"", false},
      {longest + "b", false},  // more than the field holds is refused, not cut
  };
  for (const auto& [text, accepted] : cases) {
    EXPECT_EQ(IsAcceptablePathText(Text(text.c_str())), accepted) << text;
  }
}

// A folder search that answers from a table (anything else: the path is missing)
// and records every pattern it was asked for.
struct FakeSearch {
  std::map<std::string, uint32_t> answers;
  std::vector<std::string> asked;

  static uint32_t Search(const Text& pattern, void* self) {
    auto* fake = static_cast<FakeSearch*>(self);
    fake->asked.push_back(Str(pattern));
    if (fake->asked.size() > 64) return 1;  // a walk that never ends gives up here
    const auto answer = fake->answers.find(Str(pattern));
    return answer != fake->answers.end() ? answer->second : kSearchPathNotFound;
  }
};

TEST(ChooserPathsTest, WalksUpToTheNearestExistingFolder) {
  constexpr uint32_t kNotReady = 21, kAccessDenied = 5;
  using V = std::vector<std::string>;
  struct Case {
    const char* folder;
    std::map<std::string, uint32_t> answers;
    std::string start;  // empty: the current directory
    V asked;
  };
  const Case cases[] = {
      {"C:\\Apps", {{"C:\\Apps\\*.*", 0}}, "C:\\Apps", V{"C:\\Apps\\*.*"}},
      {"C:\\Empty\\", {{"C:\\Empty\\*.*", kSearchFileNotFound}}, "C:\\Empty", V{"C:\\Empty\\*.*"}},
      {"C:\\Apps\\Tool\\Sub",
       {{"C:\\Apps\\*.*", 0}},
       "C:\\Apps",
       V{"C:\\Apps\\Tool\\Sub\\*.*", "C:\\Apps\\Tool\\*.*", "C:\\Apps\\*.*"}},
      // Nothing below the root exists: the bare drive gets its backslash back.
      {"C:\\x\\y", {{"C:\\*.*", 0}}, "C:\\", V{"C:\\x\\y\\*.*", "C:\\x\\*.*", "C:\\*.*"}},
      {"C:\\", {{"C:\\*.*", 0}}, "C:\\", V{"C:\\*.*"}},
      {"C:", {}, "C:\\", V{}},  // too short to search
      // A drive that does not exist: the walk runs out of backslashes and ends.
      {"Q:\\x", {}, "", V{"Q:\\x\\*.*", "Q:\\*.*"}},
      {"A:\\Setup", {{"A:\\Setup\\*.*", kNotReady}}, "", V{"A:\\Setup\\*.*"}},
      {"C:\\Locked\\x", {{"C:\\Locked\\*.*", kAccessDenied}}, "", V{"C:\\Locked\\x\\*.*", "C:\\Locked\\*.*"}},
      {"abc", {}, "", V{"abc\\*.*"}},
      {"", {}, "", V{}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.folder);
    FakeSearch fake{c.answers, {}};
    EXPECT_EQ(Str(WalkUpToExistingFolder(Text(c.folder), FakeSearch::Search, &fake)), c.start);
    EXPECT_EQ(fake.asked, c.asked);
  }
}

// A full-path service with GetFullPathNameA's contract over a table of answers.
struct FakeFullPath {
  std::map<std::string, std::string> answers;  // missing: the call fails
  std::vector<uint32_t> buffer_sizes;

  static uint32_t FullPathName(const char* path, uint32_t buffer_size, char* buffer, void* self) {
    auto* fake = static_cast<FakeFullPath*>(self);
    fake->buffer_sizes.push_back(buffer_size);
    const auto answer = fake->answers.find(path);
    if (answer == fake->answers.end()) return 0;
    const std::string& full = answer->second;
    if (full.size() + 1 > buffer_size) return static_cast<uint32_t>(full.size() + 1);
    std::copy(full.begin(), full.end(), buffer);
    buffer[full.size()] = '\0';
    return static_cast<uint32_t>(full.size());
  }
};

TEST(ChooserPathsTest, ExpandsPathsWithoutEverReadingPastTheBuffer) {
  const std::string fits = "C:\\" + std::string(257, 'f');    // 260 characters: one short of the room
  const std::string too_long = "C:\\" + std::string(258, 'l');  // needs room for 262 with its terminator
  struct Case {
    const char* path;
    std::string full;  // empty: the service fails
    std::string expected;
  };
  const Case cases[] = {
      {"Tool", "C:\\Apps\\Tool", "C:\\Apps\\Tool"},
      {"\\\\Apps\\\\Tool", "C:\\\\Apps\\\\Tool", "C:\\Apps\\Tool"},
      {"x", "", ""},
      {"y", fits, fits},
      // The service asks for more room than the path's length plus 260: no path.
      {"z", too_long, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    FakeFullPath fake;
    if (!c.full.empty()) fake.answers[c.path] = c.full;
    EXPECT_EQ(Str(ExpandFullPathWith(Text(c.path), FakeFullPath::FullPathName, &fake)), c.expected);
    EXPECT_EQ(fake.buffer_sizes, std::vector<uint32_t>{static_cast<uint32_t>(std::strlen(c.path) + 260)});
  }
}

TEST(ChooserPathsTest, BuildsDriveEntriesAndReadsThemBack) {
  EXPECT_EQ(Str(DriveEntryText('A', "")), "A: ");  // a trailing blank without a name
  EXPECT_EQ(Str(DriveEntryText('C', "SYSTEM")), "C: SYSTEM");
  EXPECT_EQ(Str(DriveEntryText('N', "\\\\server\\share")), "N: \\\\server\\share");

  EXPECT_EQ(Str(DriveRootOfEntry(Text("D: DATA"))), "D:\\");
  EXPECT_EQ(Str(DriveRootOfEntry(Text("A: "))), "A:\\");

  const std::tuple<char, const char*, bool> drives[] = {
      {'C', "C:\\Apps", true}, {'C', "c:\\apps", true}, {'D', "C:\\", false},
      {'C', "\\\\server\\share", false}, {'C', "", false},
  };
  for (const auto& [letter, folder, on_drive] : drives) {
    EXPECT_EQ(IsOnDrive(letter, Text(folder)), on_drive) << letter << " " << folder;
  }
}

}  // namespace
