// ExtractArchive on archives made with the archive writer: what lands in the
// destination, the progress calls, and the result and the state left behind for
// every kind of damage.

#include "archive/larchive.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "archive_support.h"
#include "platform/file.h"

namespace {

namespace fs = std::filesystem;
using tsv_test::Bytes;
using tsv_test::CallLog;
using tsv_test::Entry;
using tsv_test::ProgramPath;
using tsv_test::TempDir;

class Extract : public ::testing::Test {
 protected:
  void SetUp() override {
    CallLog::calls().clear();
    fs::create_directories(destination());
  }

  fs::path archive() const { return dir_ / "payload.voz"; }
  fs::path destination() const { return dir_ / "dest"; }

  int32_t Run(const char* key = nullptr) {
    return ExtractArchive(ProgramPath(archive()).c_str(), ProgramPath(destination()).c_str(), key,
                          &CallLog::Progress);
  }

  // Everything below the destination, as "name" for files and "name/" for folders.
  std::vector<std::string> Listing() const {
    std::vector<std::string> names;
    for (const auto& item : fs::recursive_directory_iterator(destination())) {
      std::string name = fs::relative(item.path(), destination()).generic_string();
      names.push_back(item.is_directory() ? name + "/" : name);
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  std::string Out(const std::string& name) const { return tsv_test::ReadText(destination() / name); }

  TempDir dir_;
};

std::string Repeat(const std::string& piece, size_t count) {
  std::string text;
  while (text.size() < count) text += piece;
  text.resize(count);
  return text;
}

// The percent the extractor reports for a stream that begins at position.
int32_t Percent(uint64_t position, uint64_t length) {
  return static_cast<int32_t>(std::nearbyint(100.0 * position / length));  // halves to even
}

TEST_F(Extract, WritesEveryEntryAndReportsEachBlock) {
  const std::vector<Entry> entries = {
      {"a.txt", "hello"},
      {"sub\\deeper\\big.bin", Repeat("0123456789abcdefghij", 30000)},
      {"empty", ""},
  };
  tsv_test::WriteArchive(archive(), entries);
  const uint64_t length = fs::file_size(archive());
  ASSERT_EQ(Run(), kExtractOk);

  EXPECT_EQ(Listing(), (std::vector<std::string>{"a.txt", "empty", "sub/", "sub/deeper/",
                                                 "sub/deeper/big.bin"}));
  EXPECT_EQ(Out("a.txt"), "hello");
  EXPECT_EQ(Out("sub/deeper/big.bin"), entries[1].content);
  EXPECT_EQ(Out("empty"), "");
  EXPECT_FALSE(fs::exists(archive()));

  // Before each entry, after every 4,096 bytes and at the end of each stream, with
  // the position of the entry's stream; finally 100.
  const std::string base = ProgramPath(destination()) + "\\";
  uint64_t stream_start = 0;
  std::vector<std::string> expected;
  for (const Entry& entry : entries) {
    stream_start += 2 + entry.name.size() + kEntryHeaderSize;
    const std::string call = "P " + base + entry.name + " " +
                             std::to_string(Percent(stream_start, length));
    const size_t writes = entry.content.empty() ? 0 : entry.content.size() / 4096 + 1;
    expected.insert(expected.end(), 1 + writes, call);
    stream_start += tsv_test::Imploded(entry.content).size();
  }
  expected.push_back("P " + base + "empty 100");
  EXPECT_EQ(CallLog::calls(), expected);
}

TEST_F(Extract, GivesFilesTheirStoredTimeAndAttributes) {
  tsv_test::WriteArchive(archive(), {{"old.txt", "x", tsv_test::DosDateTime(1999, 12, 31, 23, 59, 58),
                                      kAttributeReadOnly}});
  ASSERT_EQ(Run(), kExtractOk);
  const std::string path = ProgramPath(destination() / "old.txt");
  EXPECT_EQ(GetAttributes(path.c_str()) & kAttributeReadOnly, kAttributeReadOnly);
  uint64_t utc = 0;
  ASSERT_TRUE(GetLastWriteTime(path.c_str(), &utc));
  const uint64_t stored = 12591158398ull;  // 1999-12-31 23:59:58 in seconds since 1601
  const uint64_t seconds = utc / 10000000;
  EXPECT_EQ(seconds % 60, 58u);
  EXPECT_LE(seconds > stored ? seconds - stored : stored - seconds, 15u * 3600);
}

TEST_F(Extract, ReplacesAReadOnlyFileOfTheSameName) {
  tsv_test::WriteAll(destination() / "cfg.ini", {'o', 'l', 'd'});
  const std::string path = ProgramPath(destination() / "cfg.ini");
  ASSERT_TRUE(SetAttributes(path.c_str(), kAttributeReadOnly));
  tsv_test::WriteArchive(archive(), {{"cfg.ini", "new", tsv_test::DosDateTime(2001, 1, 1, 0, 0, 0),
                                      kAttributeReadOnly}});
  ASSERT_EQ(Run(), kExtractOk);
  EXPECT_EQ(Out("cfg.ini"), "new");
  EXPECT_EQ(GetAttributes(path.c_str()) & kAttributeReadOnly, kAttributeReadOnly);
}

TEST_F(Extract, DropsTrailingBackslashesOfTheDestination) {
  tsv_test::WriteArchive(archive(), {{"sub\\f.txt", "content"}});
  const std::string destination_text = ProgramPath(destination()) + "\\\\\\";
  ASSERT_EQ(ExtractArchive(ProgramPath(archive()).c_str(), destination_text.c_str(), nullptr,
                           &CallLog::Progress),
            kExtractOk);
  EXPECT_EQ(Out("sub/f.txt"), "content");
  const std::string expected = "P " + ProgramPath(destination()) + "\\sub\\f.txt";
  EXPECT_EQ(CallLog::calls().front().substr(0, expected.size()), expected);
}

TEST_F(Extract, UnscramblesWithTheKeyItIsGiven) {
  tsv_test::WriteArchive(archive(), {{"k.txt", "keyed"}}, "secret");
  ASSERT_EQ(Run("secret"), kExtractOk);
  EXPECT_EQ(Out("k.txt"), "keyed");
  tsv_test::WriteArchive(archive(), {{"k.txt", "keyed"}}, "secret");
  EXPECT_EQ(Run(), kExtractChecksumMismatch);
  tsv_test::WriteArchive(archive(), {{"k.txt", "keyed"}}, "secret");
  EXPECT_EQ(Run("Secret"), kExtractChecksumMismatch);
}

TEST_F(Extract, OpensABareNameInTheCurrentFolderWithTheDefaultExtension) {
  tsv_test::WriteArchive(dir_ / "bundle.voz", {{"f", "1"}});
  const auto previous = fs::current_path();
  fs::current_path(dir_.path());
  const int32_t result = ExtractArchive("bundle", ProgramPath(destination()).c_str(), nullptr, nullptr);
  fs::current_path(previous);
  EXPECT_EQ(result, kExtractOk);
  EXPECT_EQ(Out("f"), "1");
  EXPECT_FALSE(fs::exists(dir_ / "bundle.voz"));
}

TEST_F(Extract, MissingArgumentsTouchNothing) {
  tsv_test::WriteArchive(archive(), {{"f", "1"}});
  const std::string archive_path = ProgramPath(archive());
  const std::string destination_path = ProgramPath(destination());
  EXPECT_EQ(ExtractArchive(nullptr, destination_path.c_str(), nullptr, &CallLog::Progress),
            kExtractArchiveUnavailable);
  EXPECT_EQ(ExtractArchive("", destination_path.c_str(), nullptr, &CallLog::Progress),
            kExtractArchiveUnavailable);
  EXPECT_EQ(ExtractArchive(archive_path.c_str(), nullptr, nullptr, &CallLog::Progress),
            kExtractOutputUnavailable);
  EXPECT_EQ(ExtractArchive(archive_path.c_str(), "", nullptr, &CallLog::Progress),
            kExtractOutputUnavailable);
  EXPECT_EQ(ExtractArchive(ProgramPath(dir_ / "missing.voz").c_str(), destination_path.c_str(),
                           nullptr, &CallLog::Progress),
            kExtractArchiveUnavailable);
  EXPECT_TRUE(fs::exists(archive()));
  EXPECT_TRUE(Listing().empty());
  EXPECT_TRUE(CallLog::calls().empty());
}

TEST_F(Extract, ArchivesTooShortForAChecksumFail) {
  for (size_t size = 0; size < 4; ++size) {
    tsv_test::WriteAll(archive(), Bytes(size, 0xFF));
    EXPECT_EQ(Run(), kExtractChecksumMismatch) << size;
    EXPECT_FALSE(fs::exists(archive()));
  }
  EXPECT_TRUE(CallLog::calls().empty());
}

TEST_F(Extract, AnArchiveOfOnlyTheChecksumHoldsNoEntries) {
  tsv_test::WriteAll(archive(), {0xFF, 0xFF, 0xFF, 0xFF});
  EXPECT_EQ(Run(), kExtractOk);
  EXPECT_EQ(CallLog::calls(), std::vector<std::string>{"P  100"});
  EXPECT_FALSE(fs::exists(archive()));
  EXPECT_TRUE(Listing().empty());
}

TEST_F(Extract, AnyFlippedByteFailsTheChecksumBeforeAnythingIsWritten) {
  tsv_test::WriteArchive(archive(), {{"a", "first"}, {"b", "second"}});
  const Bytes good = tsv_test::ReadAll(archive());
  for (size_t i = 0; i < good.size(); i += 7) {
    Bytes bad = good;
    bad[i] ^= 0x20;
    tsv_test::WriteAll(archive(), bad);
    EXPECT_EQ(Run(), kExtractChecksumMismatch) << "byte " << i;
    EXPECT_FALSE(fs::exists(archive()));
  }
  EXPECT_TRUE(Listing().empty());
  EXPECT_TRUE(CallLog::calls().empty());
}

// Entries whose header or stream does not match their content. Each is the second
// entry of its archive: the first stays complete, the second stays as written.
TEST_F(Extract, EntriesThatFailTheirChecks) {
  const Entry good = {"f", "content"};
  const Bytes stream = tsv_test::Imploded(good.content);
  const EntryHeader header = tsv_test::HeaderFor(good, stream);
  Bytes padded = stream;
  padded.resize(stream.size() + 2048 + 100, 0);  // bytes past the end-of-stream marker
  tsv_test::StreamBuilder bad_dictionary(0, 7);
  bad_dictionary.Literals("content").End();
  tsv_test::StreamBuilder without_marker(0, 6);
  without_marker.Literals("content");
  tsv_test::StreamBuilder too_long(0, 6);
  too_long.Literals("content").Copy(518, 1).Copy(518, 1).End();

  struct Case {
    const char* what;
    EntryHeader header;
    Bytes stream;
  };
  auto with = [&](auto change) {
    EntryHeader changed = header;
    change(changed);
    return changed;
  };
  const Case cases[] = {
      {"original size", with([](EntryHeader& h) { h.original_size += 1; }), stream},
      {"crc", with([](EntryHeader& h) { h.crc ^= 1; }), stream},
      {"packed size short of the marker", with([](EntryHeader& h) { h.packed_size -= 1; }),
       Bytes(stream.begin(), stream.end() - 1)},
      {"bytes after the marker", with([&](EntryHeader& h) { h.packed_size = padded.size(); }),
       padded},
      {"bad dictionary byte", with([&](EntryHeader& h) { h.packed_size = bad_dictionary.bytes().size(); }),
       bad_dictionary.bytes()},
      {"no end marker", with([&](EntryHeader& h) { h.packed_size = without_marker.bytes().size(); }),
       without_marker.bytes()},
      {"more than the original size", with([&](EntryHeader& h) { h.packed_size = too_long.bytes().size(); }),
       too_long.bytes()},
      {"empty file with crc 0", {0, 0, 0, 4, 0}, tsv_test::Imploded("")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(destination());
    fs::create_directories(destination());
    tsv_test::WriteArchiveBody(archive(), {tsv_test::EntryBytes({"first", "1"}),
                                           tsv_test::EntryBytes("f", c.header, c.stream)});
    EXPECT_EQ(Run(), kExtractEntryInvalid);
    EXPECT_EQ(Out("first"), "1");
    EXPECT_TRUE(fs::exists(destination() / "f"));
    EXPECT_LE(fs::file_size(destination() / "f"), c.header.original_size);
    EXPECT_FALSE(fs::exists(archive()));
  }
}

TEST_F(Extract, AFailureLeavesTheEntriesBeforeItComplete) {
  const Entry third = {"c", "three"};
  const Bytes stream = tsv_test::Imploded(third.content);
  EntryHeader header = tsv_test::HeaderFor(third, stream);
  header.crc ^= 0x80000000;
  tsv_test::WriteArchiveBody(archive(),
                             {tsv_test::EntryBytes({"a", "one", tsv_test::DosDateTime(2005, 5, 5, 5, 5, 4)}),
                              tsv_test::EntryBytes({"b", "two"}), tsv_test::EntryBytes("c", header, stream),
                              tsv_test::EntryBytes({"d", "four"})});
  CallLog::calls().clear();
  EXPECT_EQ(Run(), kExtractEntryInvalid);
  EXPECT_EQ(Listing(), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(Out("a") + Out("b"), "onetwo");
  uint64_t utc = 0;
  ASSERT_TRUE(GetLastWriteTime(ProgramPath(destination() / "a").c_str(), &utc));
  EXPECT_EQ(utc / 10000000 % 60, 4u);
  // No progress once the third entry has failed: its own report and write only.
  EXPECT_EQ(CallLog::calls().size(), 2u + 2u + 2u);
}

// A name that would leave the destination, or cannot be a name, fails its entry
// before any file or folder is made for it.
TEST_F(Extract, RefusesNamesThatLeaveTheDestination) {
  const std::string names[] = {"", "..\\escape.txt", "sub\\..\\..\\escape.txt", "\\escape.txt",
                               "/escape.txt", "C:\\escape.txt", "C:escape.txt",
                               "sub\\...\\escape.txt", std::string("sub\0..", 6)};
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const Bytes stream = tsv_test::Imploded("x");
    tsv_test::WriteArchiveBody(archive(), {tsv_test::EntryBytes({"ok", "1"}),
                                           tsv_test::EntryBytes(name, tsv_test::HeaderFor({name, "x"}, stream), stream)});
    EXPECT_EQ(Run(), kExtractEntryInvalid);
    EXPECT_EQ(Listing(), std::vector<std::string>{"ok"});
    EXPECT_FALSE(fs::exists(dir_ / "escape.txt"));
  }
}

TEST_F(Extract, ABodyThatEndsInsideAnEntryFailsCleanly) {
  const Bytes whole = tsv_test::EntryBytes({"sub\\cut", "content"});
  // Cut in the name length, the name, the header and the stream.
  for (size_t keep : {size_t{1}, size_t{2}, size_t{5}, size_t{2 + 7 + 10}, whole.size() - 1}) {
    SCOPED_TRACE(keep);
    tsv_test::WriteArchiveBody(archive(), {tsv_test::EntryBytes({"ok", "1"}),
                                           Bytes(whole.begin(), whole.begin() + keep)});
    EXPECT_EQ(Run(), kExtractEntryInvalid);
    const bool stream_started = keep > 2 + 7 + kEntryHeaderSize;
    EXPECT_EQ(fs::exists(destination() / "sub"), stream_started);
    fs::remove_all(destination() / "sub");
  }
}

TEST_F(Extract, AnOutputFileThatCannotBeCreatedFails) {
  fs::create_directories(destination() / "taken" / "inner");  // a folder where the file goes
  tsv_test::WriteArchive(archive(), {{"first", "1"}, {"taken", "2"}, {"after", "3"}});
  EXPECT_EQ(Run(), kExtractOutputUnavailable);
  EXPECT_EQ(Out("first"), "1");
  EXPECT_FALSE(fs::exists(destination() / "after"));
  EXPECT_FALSE(fs::exists(archive()));

  // A path longer than the system takes: refused before its folders are made.
  const std::string deep = std::string(200, 'd') + "\\" + std::string(5000, 'n');
  tsv_test::WriteArchive(archive(), {{deep, "x"}});
  EXPECT_EQ(Run(), kExtractOutputUnavailable);
  EXPECT_FALSE(fs::exists(destination() / std::string(200, 'd')));
}

}  // namespace
