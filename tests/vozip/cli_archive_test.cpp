// The vozip program's archive commands, driven as a release engineer drives them:
// pack, build, list, test and extract, their exit codes and messages, and the rule
// that the file they are given is never changed.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "archive/archive_writer.h"
#include "explode/crc32.h"
#include "implode/implode.h"
#include "temp_tree.h"

namespace {

using vozip_test::ReadAll;
using vozip_test::TempTree;
namespace fs = std::filesystem;

const std::string kMarker = "<VOZIP FILE BEGINS HERE>";
const std::string kStub =
    std::string("MZ\x90\0\x03\0fake setup program ", 26) + std::string(300, 'S');

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// Runs vozip in the tree's folder with TZ=UTC (and 'env', "NAME=VALUE ...").
Outcome Vozip(const TempTree& tree, const std::vector<std::string>& args,
              const std::string& env = "") {
  std::string command =
      "cd " + Quote(tree.root().string()) + " && env TZ=UTC " + env + " " + Quote(VOZIP_EXE);
  for (const std::string& arg : args) command += " " + Quote(arg);
  const fs::path out = tree.root() / ".stdout";
  const fs::path err = tree.root() / ".stderr";
  command += " >" + Quote(out.string()) + " 2>" + Quote(err.string()) + " </dev/null";
  const int rc = std::system(command.c_str());
  Outcome run{WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, ReadAll(out), ReadAll(err)};
  fs::remove(out);
  fs::remove(err);
  return run;
}

std::string Describe(const Outcome& run) {
  return "exit " + std::to_string(run.status) + "\nstdout:\n" + run.out + "stderr:\n" + run.err;
}

void SetMtime(const fs::path& path, int64_t seconds) {
  struct utimbuf times = {static_cast<time_t>(seconds), static_cast<time_t>(seconds)};
  ASSERT_EQ(utime(path.c_str(), &times), 0);
}

int64_t Mtime(const fs::path& path) {
  struct stat info;
  EXPECT_EQ(stat(path.c_str(), &info), 0);
  return info.st_mtime;
}

bool OwnerMayWrite(const fs::path& path) {
  return (fs::status(path).permissions() & fs::perms::owner_write) != fs::perms::none;
}

void MakeReadOnly(const fs::path& path) {
  fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string Repeated(const std::string& piece, size_t size) {
  std::string text;
  while (text.size() < size) text += piece;
  text.resize(size);
  return text;
}

std::string Noise(size_t size, uint32_t seed) {
  std::string bytes(size, '\0');
  for (char& c : bytes) {
    seed = seed * 1103515245u + 12345u;
    c = static_cast<char>(seed >> 23);
  }
  return bytes;
}

constexpr int64_t kMay2024 = 1715953559;  // 2024-05-17 13:45:59 UTC, an odd second

// A small payload of the usual shapes: nested folders, an empty file, a read-only
// file, a name beyond ASCII.
void MakePayload(const TempTree& tree, const std::string& folder = "payload") {
  tree.Write(folder + "/readme.txt", Repeated("Tessivo reads the manual. ", 3000));
  tree.Write(folder + "/bin/Tesivo.exe", Noise(20000, 1) + Repeated("\x01\x02\x03", 9000));
  tree.Write(folder + "/bin/empty.dat", "");
  tree.Write(folder + "/docs/caf\xC3\xA9/notes.txt", "Sur la table.\r\n");
  MakeReadOnly(tree.Write(folder + "/locked.ini", "[Tesivo]\r\nPath=C:\\\r\n"));
  for (const auto& entry : fs::recursive_directory_iterator(tree / folder)) {
    if (entry.is_regular_file()) SetMtime(entry.path(), kMay2024);
  }
}

// Every file below 'expected' is in 'actual' with the same bytes, and nothing more.
void ExpectSameFiles(const fs::path& expected, const fs::path& actual) {
  size_t count = 0;
  for (const auto& entry : fs::recursive_directory_iterator(expected)) {
    if (!entry.is_regular_file()) continue;
    const fs::path relative = fs::relative(entry.path(), expected);
    EXPECT_EQ(ReadAll(actual / relative), ReadAll(entry.path())) << relative;
    ++count;
  }
  size_t actual_count = 0;
  for (const auto& entry : fs::recursive_directory_iterator(actual)) {
    actual_count += entry.is_regular_file() ? 1 : 0;
  }
  EXPECT_EQ(actual_count, count);
}

TEST(VozipCli, PackedFolderRoundTripsThroughListTestAndExtract) {
  TempTree tree;
  MakePayload(tree);
  // Beyond the size compressed in memory: this one streams through a scratch file.
  tree.Write("payload/data/big.bin", Repeated(Noise(3000, 7), 9u << 20));
  SetMtime(tree / "payload/data/big.bin", kMay2024);

  const Outcome pack = Vozip(tree, {"pack", "payload", "-o", "app.voz", "-1", "--attrib",
                                    "bin/*.exe=+H", "--attrib", "*.dll=+S"});
  ASSERT_EQ(pack.status, 0) << Describe(pack);
  EXPECT_EQ(pack.err, "vozip pack: warning: --attrib *.dll=+S matched no file\n");
  EXPECT_NE(pack.out.find("app.voz: 6 files, "), std::string::npos) << pack.out;
  for (const auto& entry : fs::directory_iterator(tree.root())) {
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(name == "payload" || name == "app.voz") << "left behind: " << name;
  }

  const Outcome list = Vozip(tree, {"list", "app.voz"});
  ASSERT_EQ(list.status, 0) << Describe(list);
  for (const char* line : {
           "         0          4     -  2024-05-17 13:45:58 ---A bin\\empty.dat\n",
           "2024-05-17 13:45:58 -H-A bin\\Tesivo.exe\n",
           "2024-05-17 13:45:58 R--- locked.ini\n",
           "        15 ",
           " docs\\caf\xC3\xA9\\notes.txt\n",
           "   9437184 ",
           " 6 files\n",
       }) {
    EXPECT_NE(list.out.find(line), std::string::npos) << "missing: " << line << "\n" << list.out;
  }

  const Outcome test = Vozip(tree, {"test", "app.voz"});
  EXPECT_EQ(test.status, 0) << Describe(test);
  EXPECT_NE(test.out.find("app.voz: OK, 6 files, "), std::string::npos) << test.out;

  // Absolute paths as well as relative ones.
  const Outcome extract =
      Vozip(tree, {"extract", (tree / "app.voz").string(), "-d", (tree / "out").string()});
  ASSERT_EQ(extract.status, 0) << Describe(extract);
  ExpectSameFiles(tree / "payload", tree / "out");
  EXPECT_FALSE(fs::exists(tree / "out/tempfile.$$$"));
  EXPECT_EQ(Mtime(tree / "out/readme.txt"), kMay2024 - 1);  // two-second steps, truncated
  EXPECT_EQ(Mtime(tree / "out/bin/empty.dat"), kMay2024 - 1);
  EXPECT_FALSE(OwnerMayWrite(tree / "out/locked.ini"));
  EXPECT_TRUE(OwnerMayWrite(tree / "out/readme.txt"));
}

TEST(VozipCli, PackIsByteForByteRepeatableAndHonoursSourceDateEpoch) {
  TempTree tree;
  MakePayload(tree);
  ASSERT_EQ(Vozip(tree, {"pack", "payload", "-o", "a.voz"}).status, 0);
  ASSERT_EQ(Vozip(tree, {"pack", "payload", "-o", "b.voz"}).status, 0);
  EXPECT_EQ(ReadAll(tree / "a.voz"), ReadAll(tree / "b.voz"));

  // Rebuilt files carry new times; with SOURCE_DATE_EPOCH below them the archives
  // still agree, and carry the epoch as their time.
  const std::string epoch = "SOURCE_DATE_EPOCH=1700000000";  // 2023-11-14 22:13:20 UTC
  ASSERT_EQ(Vozip(tree, {"pack", "payload", "-o", "c.voz"}, epoch).status, 0);
  for (const auto& entry : fs::recursive_directory_iterator(tree / "payload")) {
    if (entry.is_regular_file()) SetMtime(entry.path(), kMay2024 + 86400);
  }
  ASSERT_EQ(Vozip(tree, {"pack", "payload", "-o", "d.voz"}, epoch).status, 0);
  ASSERT_EQ(Vozip(tree, {"pack", "payload", "-o", "e.voz"}).status, 0);
  EXPECT_EQ(ReadAll(tree / "c.voz"), ReadAll(tree / "d.voz"));
  EXPECT_NE(ReadAll(tree / "a.voz"), ReadAll(tree / "e.voz"));  // times do count
  const Outcome list = Vozip(tree, {"list", "d.voz"});
  EXPECT_NE(list.out.find("2023-11-14 22:13:20 ---A readme.txt"), std::string::npos) << list.out;

  // An older epoch leaves older files alone.
  tree.Write("old/file.txt", "x");
  SetMtime(tree / "old/file.txt", 1600000000);  // 2020-09-13 12:26:40 UTC
  ASSERT_EQ(Vozip(tree, {"pack", "old", "-o", "old.voz"}, epoch).status, 0);
  EXPECT_NE(Vozip(tree, {"list", "old.voz"}).out.find("2020-09-13 12:26:40"), std::string::npos);

  const Outcome bad =
      Vozip(tree, {"pack", "payload", "-o", "f.voz"}, "SOURCE_DATE_EPOCH=yesterday");
  EXPECT_EQ(bad.status, 1) << Describe(bad);
  EXPECT_NE(bad.err.find("SOURCE_DATE_EPOCH is not a number"), std::string::npos) << bad.err;
  EXPECT_FALSE(fs::exists(tree / "f.voz"));
}

TEST(VozipCli, PackTakesTheLocalZoneAndClampsTimesOutsideTheDosSpan) {
  TempTree tree;
  tree.Write("payload/old.txt", "1970");
  SetMtime(tree / "payload/old.txt", 0);
  tree.Write("payload/future.txt", "2200");
  SetMtime(tree / "payload/future.txt", 7258118400);  // 2200-01-01
  tree.Write("payload/now.txt", "2024");
  SetMtime(tree / "payload/now.txt", kMay2024);
  const Outcome pack = Vozip(tree, {"pack", "payload", "-o", "t.voz"}, "TZ=JST-9");
  ASSERT_EQ(pack.status, 0) << Describe(pack);
  EXPECT_NE(pack.err.find("warning: old.txt: modification time lies before 1980"),
            std::string::npos) << pack.err;
  EXPECT_NE(pack.err.find("warning: future.txt: modification time lies after 2107"),
            std::string::npos) << pack.err;
  const Outcome list = Vozip(tree, {"list", "t.voz"});
  EXPECT_NE(list.out.find("1980-01-01 00:00:00 ---A old.txt"), std::string::npos) << list.out;
  EXPECT_NE(list.out.find("2107-12-31 23:59:58 ---A future.txt"), std::string::npos) << list.out;
  EXPECT_NE(list.out.find("2024-05-17 22:45:58 ---A now.txt"), std::string::npos) << list.out;
}

TEST(VozipCli, PackRefusesBadInputAndWritesNothing) {
  struct Case {
    const char* name;
    std::function<void(const TempTree&)> make;
    std::vector<std::string> args;
    int status;
    const char* message;
  };
  const auto payload = [](const TempTree& t) { t.Write("payload/a.txt", "a"); };
  const Case cases[] = {
      {"a name Windows-1252 lacks",
       [](const TempTree& t) { t.Write("payload/\xE4\xB8\xAD.txt", ""); },
       {"pack", "payload", "-o", "out.voz"}, 1,
       "\xE4\xB8\xAD.txt: name is not representable in Windows-1252"},
      {"a link out of the folder",
       [](const TempTree& t) {
         t.Write("secret.txt", "s");
         t.Write("payload/a.txt", "a");
         fs::create_symlink("../secret.txt", t / "payload/link.txt");
       },
       {"pack", "payload", "-o", "out.voz"}, 1, "link.txt: link leads outside"},
      {"the output inside the folder", payload, {"pack", "payload", "-o", "payload/out.voz"}, 1,
       "lies inside the folder being packed"},
      {"a missing folder", payload, {"pack", "nothing", "-o", "out.voz"}, 1, "nothing"},
      {"a malformed attribute rule", payload,
       {"pack", "payload", "-o", "out.voz", "--attrib", "*.txt=+Q"}, 2, "must be +X or -X"},
      {"an unknown option", payload, {"pack", "payload", "-o", "out.voz", "--fast"}, 2,
       "unknown option --fast"},
      {"no output", payload, {"pack", "payload"}, 2, "no output given"},
      {"no folder", payload, {"pack", "-o", "out.voz"}, 2, "no folder given"},
      {"two folders", payload, {"pack", "payload", "other", "-o", "out.voz"}, 2,
       "more than one folder"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempTree tree;
    c.make(tree);
    const Outcome run = Vozip(tree, c.args);
    EXPECT_EQ(run.status, c.status) << Describe(run);
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(tree / "out.voz"));
    EXPECT_FALSE(fs::exists(tree / "payload/out.voz"));
  }

  // A failed pack leaves an earlier archive of the same name as it was.
  TempTree tree;
  tree.Write("payload/\xE4\xB8\xAD.txt", "");
  tree.Write("out.voz", "earlier archive");
  EXPECT_EQ(Vozip(tree, {"pack", "payload", "-o", "out.voz"}).status, 1);
  EXPECT_EQ(ReadAll(tree / "out.voz"), "earlier archive");
  EXPECT_EQ(std::distance(fs::directory_iterator(tree.root()), fs::directory_iterator()), 2);
}

TEST(VozipCli, BuildPutsStubMarkerAndArchiveTogether) {
  TempTree tree;
  MakePayload(tree);
  WriteBytes(tree / "stub.exe", kStub);
  ASSERT_EQ(Vozip(tree, {"pack", "payload", "-o", "app.voz", "-9"}).status, 0);
  const Outcome from_folder =
      Vozip(tree, {"build", "--stub", "stub.exe", "--payload", "payload", "-o", "a.exe", "-9"});
  ASSERT_EQ(from_folder.status, 0) << Describe(from_folder);
  const Outcome from_archive =
      Vozip(tree, {"build", "--stub", "stub.exe", "--archive", "app.voz", "-o", "b.exe"});
  ASSERT_EQ(from_archive.status, 0) << Describe(from_archive);

  const std::string expected = kStub + kMarker + ReadAll(tree / "app.voz");
  EXPECT_EQ(ReadAll(tree / "a.exe"), expected);
  EXPECT_EQ(ReadAll(tree / "b.exe"), expected);

  const Outcome list = Vozip(tree, {"list", "a.exe"});
  EXPECT_EQ(list.status, 0) << Describe(list);
  EXPECT_NE(list.out.find("a.exe: setup file, archive of " +
                          std::to_string(fs::file_size(tree / "app.voz")) + " bytes at offset " +
                          std::to_string(kStub.size() + kMarker.size())),
            std::string::npos)
      << list.out;
  const Outcome extract =
      Vozip(tree, {"extract", (tree / "a.exe").string(), "-d", (tree / "out").string()});
  ASSERT_EQ(extract.status, 0) << Describe(extract);
  ExpectSameFiles(tree / "payload", tree / "out");
  EXPECT_FALSE(fs::exists(tree / "out/tempfile.$$$"));
}

TEST(VozipCli, BuildRefusesWhatTheSetupCouldNotUse) {
  TempTree tree;
  MakePayload(tree);
  WriteBytes(tree / "stub.exe", kStub);
  ASSERT_EQ(Vozip(tree, {"pack", "payload", "-o", "plain.voz"}).status, 0);
  ASSERT_EQ(Vozip(tree, {"pack", "payload", "-o", "keyed.voz", "--key", "secret"}).status, 0);
  const Outcome setup =
      Vozip(tree, {"build", "--stub", "stub.exe", "--archive", "plain.voz", "-o", "setup.exe"});
  ASSERT_EQ(setup.status, 0) << Describe(setup);
  std::string damaged = ReadAll(tree / "plain.voz");
  damaged[damaged.size() / 2] ^= 0x10;
  WriteBytes(tree / "damaged.voz", damaged);
  WriteBytes(tree / "upper-in-stub.exe", kStub + "data " + kMarker + " more");

  struct Case {
    std::vector<std::string> args;
    int status;
    const char* message;
  };
  const Case cases[] = {
      {{"--stub", "setup.exe", "--archive", "plain.voz"}, 1, "setup.exe already holds the marker"},
      {{"--stub", "upper-in-stub.exe", "--payload", "payload"}, 1, "already holds the marker"},
      {{"--stub", "stub.exe", "--archive", "keyed.voz"}, 1,
       "keyed.voz: the checksum does not match without a key"},
      {{"--stub", "stub.exe", "--archive", "damaged.voz"}, 1, "damaged.voz: the checksum"},
      {{"--stub", "stub.exe", "--archive", "setup.exe"}, 1, "it is a setup file, not an archive"},
      {{"--stub", "missing.exe", "--archive", "plain.voz"}, 1, "missing.exe: cannot open"},
      {{"--stub", "stub.exe", "--archive", "missing.voz"}, 1, "missing.voz: cannot open"},
      {{"--stub", "stub.exe", "--payload", "payload", "--key", "k"}, 2, "--key is not allowed"},
      {{"--stub", "stub.exe", "--payload", "payload", "--archive", "plain.voz"}, 2,
       "exactly one of --payload"},
      {{"--stub", "stub.exe"}, 2, "exactly one of --payload"},
      {{"--stub", "stub.exe", "--archive", "plain.voz", "-9"}, 2, "go with --payload only"},
      {{"--archive", "plain.voz"}, 2, "no setup program given"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"build"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    args.insert(args.end(), {"-o", "out.exe"});
    const Outcome run = Vozip(tree, args);
    SCOPED_TRACE(args[2] + " " + (args.size() > 4 ? args[4] : ""));
    EXPECT_EQ(run.status, c.status) << Describe(run);
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(tree / "out.exe"));
  }
}

// An archive written entry by entry, for faults that a good checksum does not catch.
struct HandEntry {
  std::string name;
  std::string content;
  uint32_t crc_xor = 0;         // spoils the stored CRC
  uint32_t packed_extra = 0;    // spoils the stored packed size
  std::string trailing;         // stream bytes after the end-of-stream marker
};

std::string HandArchive(const std::vector<HandEntry>& entries) {
  const fs::path path = fs::temp_directory_path() / ("vozip-hand-" + std::to_string(getpid()));
  std::FILE* out = std::fopen(path.c_str(), "wb");
  vozip::ArchiveWriter writer(out);
  for (const HandEntry& entry : entries) {
    std::vector<uint8_t> stream = vozip::Implode(
        reinterpret_cast<const uint8_t*>(entry.content.data()), entry.content.size());
    stream.insert(stream.end(), entry.trailing.begin(), entry.trailing.end());
    const uint32_t size = static_cast<uint32_t>(entry.content.size());
    EntryHeader header;
    header.dos_date_time = 0x58B16DBD;
    header.original_size = size;
    header.attributes = 0x20;
    header.packed_size = static_cast<uint32_t>(stream.size()) + entry.packed_extra;
    header.crc = UpdateCrc32(reinterpret_cast<const uint8_t*>(entry.content.data()), &size,
                             &kCrc32Preset) ^ entry.crc_xor;
    const uint8_t length[2] = {static_cast<uint8_t>(entry.name.size()),
                               static_cast<uint8_t>(entry.name.size() >> 8)};
    const auto header_bytes = vozip::EncodeEntryHeader(header);
    EXPECT_TRUE(writer.AddBodyBytes(length, 2) &&
                writer.AddBodyBytes(entry.name.data(), entry.name.size()) &&
                writer.AddBodyBytes(header_bytes.data(), header_bytes.size()) &&
                writer.AddBodyBytes(stream.data(), stream.size()))
        << writer.error();
  }
  EXPECT_TRUE(writer.Finish()) << writer.error();
  std::fclose(out);
  std::string bytes = ReadAll(path);
  fs::remove(path);
  return bytes;
}

TEST(VozipCli, ListTestAndExtractGiveTheExtractorsResultAndNeverChangeTheirFile) {
  TempTree tree;
  MakePayload(tree);
  WriteBytes(tree / "stub.exe", kStub);
  ASSERT_EQ(Vozip(tree, {"pack", "payload", "-o", "good.voz"}).status, 0);
  ASSERT_EQ(Vozip(tree, {"pack", "payload", "-o", "keyed.voz", "--key", "Orvanel"}).status, 0);
  const std::string good = ReadAll(tree / "good.voz");
  const std::string keyed = ReadAll(tree / "keyed.voz");

  std::string flipped = good;
  flipped[40] ^= 0x01;
  std::string truncated = good.substr(0, good.size() - 10);
  std::string setup_flipped = kStub + kMarker + good;
  setup_flipped[kStub.size() + kMarker.size() + 100] ^= 0x80;

  struct Case {
    const char* name;
    std::string bytes;  // nothing: the file does not exist
    std::vector<std::string> options;
    int list;
    int test;
    int extract;
    const char* message;  // part of test's one line
  };
  const Case cases[] = {
      {"good archive", good, {}, 0, 0, 0, ""},
      {"good setup file", kStub + kMarker + good, {}, 0, 0, 0, ""},
      {"keyed archive with its key", keyed, {"--key", "Orvanel"}, 0, 0, 0, ""},
      {"keyed archive without key", keyed, {}, 5, 5, 5, "scrambled with a key"},
      {"keyed archive with another key", keyed, {"--key", "orvanel"}, 5, 5, 5,
       "checksum does not match"},
      {"flipped byte", flipped, {}, 5, 5, 5, "checksum does not match"},
      {"flipped byte in a setup file", setup_flipped, {}, 5, 5, 5, "checksum does not match"},
      {"truncated", truncated, {}, 5, 5, 5, "checksum does not match"},
      {"setup file without its marker", kStub + good, {}, 5, 5, 5, "without its marker"},
      {"marker as the last bytes", kStub + kMarker, {}, 5, 5, 5, "checksum does not match"},
      {"empty file", "", {}, 5, 5, 5, "checksum does not match"},
      {"archive without entries", "\xFF\xFF\xFF\xFF", {}, 0, 0, 0, ""},
      {"stored CRC wrong",
       HandArchive({{"a.txt", "alpha", 0, 0, ""}, {"b.txt", "beta", 1, 0, ""}}), {}, 0, 6, 6,
       "b.txt: the content's CRC is"},
      // Bytes after the end marker within the decoder's read of 2,048 count as consumed;
      // beyond it they are left over, and the stream is shorter than its header says.
      {"stream bytes after the end marker, within one read",
       HandArchive({{"a.txt", "alpha", 0, 0, std::string(2000, 'x')}}), {}, 0, 0, 0, ""},
      {"stream bytes after the end marker, beyond the read",
       HandArchive({{"a.txt", "alpha", 0, 0, std::string(3000, 'x')}}), {}, 0, 6, 6,
       "a.txt: the stream ends after 2048 bytes, but the header gives"},
      {"entry runs past the body", HandArchive({{"a.txt", "alpha", 0, 50, ""}}), {}, 6, 6, 6,
       "a.txt: the stream runs past the end of the archive"},
      {"name leaving the destination", HandArchive({{"..\\escape.txt", "out", 0, 0, ""}}), {},
       6, 6, 6,
       "made only of dots and spaces"},
      {"absolute name", HandArchive({{"\\escape.txt", "out", 0, 0, ""}}), {}, 6, 6, 6,
       "root of a drive"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path file = tree / "input.bin";
    WriteBytes(file, c.bytes);
    const std::string before = ReadAll(file);
    const auto with = [&](std::vector<std::string> args) {
      args.insert(args.end(), c.options.begin(), c.options.end());
      return args;
    };
    const Outcome list = Vozip(tree, with({"list", "input.bin"}));
    EXPECT_EQ(list.status, c.list) << Describe(list);
    const Outcome test = Vozip(tree, with({"test", "input.bin"}));
    EXPECT_EQ(test.status, c.test) << Describe(test);
    if (c.test != 0) {
      EXPECT_NE(test.err.find(c.message), std::string::npos) << test.err;
      EXPECT_EQ(std::count(test.err.begin(), test.err.end(), '\n'), 1) << test.err;
    }
    fs::remove_all(tree / "out");
    const Outcome extract = Vozip(tree, with({"extract", "input.bin", "-d", "out/dest"}));
    EXPECT_EQ(extract.status, c.extract) << Describe(extract);
    if (c.extract != 0) {
      EXPECT_EQ(std::count(extract.err.begin(), extract.err.end(), '\n'), 1) << extract.err;
    }
    EXPECT_FALSE(fs::exists(tree / "out/dest/tempfile.$$$"));
    EXPECT_FALSE(fs::exists(tree / "out/escape.txt"));
    EXPECT_FALSE(fs::exists(tree / "escape.txt"));
    ASSERT_TRUE(fs::exists(file));
    EXPECT_EQ(ReadAll(file), before) << "the input was changed";
  }

  const Outcome missing = Vozip(tree, {"test", "missing.voz"});
  EXPECT_EQ(missing.status, 1) << Describe(missing);
  EXPECT_NE(missing.err.find("missing.voz: cannot open"), std::string::npos) << missing.err;
  EXPECT_EQ(Vozip(tree, {"list", "missing.voz"}).status, 1);
  EXPECT_EQ(Vozip(tree, {"extract", "missing.voz"}).status, 1);
}

TEST(VozipCli, ExtractReplacesReadOnlyFilesInTheDestination) {
  TempTree tree;
  MakePayload(tree);
  ASSERT_EQ(Vozip(tree, {"pack", "payload", "-o", "app.voz"}).status, 0);
  MakeReadOnly(tree.Write("out/readme.txt", "an older, read-only copy"));
  MakeReadOnly(tree.Write("out/locked.ini", "older"));
  tree.Write("out/unrelated.txt", "stays");
  const Outcome extract = Vozip(tree, {"extract", "app.voz", "-d", "out"});
  ASSERT_EQ(extract.status, 0) << Describe(extract);
  EXPECT_EQ(ReadAll(tree / "out/readme.txt"), ReadAll(tree / "payload/readme.txt"));
  EXPECT_EQ(ReadAll(tree / "out/locked.ini"), ReadAll(tree / "payload/locked.ini"));
  EXPECT_TRUE(OwnerMayWrite(tree / "out/readme.txt"));
  EXPECT_FALSE(OwnerMayWrite(tree / "out/locked.ini"));
  EXPECT_EQ(ReadAll(tree / "out/unrelated.txt"), "stays");

  // Again over the first extraction: the folder "caf\xE9" the extractor writes is
  // merged into the "caf\xC3\xA9" of the first run, not left beside it.
  tree.Write("out/docs/caf\xC3\xA9/mine.txt", "kept");
  const Outcome again = Vozip(tree, {"extract", "app.voz", "-d", "out"});
  ASSERT_EQ(again.status, 0) << Describe(again);
  EXPECT_EQ(ReadAll(tree / "out/docs/caf\xC3\xA9/notes.txt"), "Sur la table.\r\n");
  EXPECT_EQ(ReadAll(tree / "out/docs/caf\xC3\xA9/mine.txt"), "kept");
  EXPECT_EQ(std::distance(fs::directory_iterator(tree / "out/docs"), fs::directory_iterator()), 1);
}

TEST(VozipCli, ExtractReportsOutputThatCannotBeCreated) {
  TempTree tree;
  MakePayload(tree);
  WriteBytes(tree / "stub.exe", kStub);
  ASSERT_EQ(Vozip(tree, {"pack", "payload", "-o", "app.voz"}).status, 0);
  ASSERT_EQ(Vozip(tree, {"build", "--stub", "stub.exe", "--archive", "app.voz", "-o", "setup.exe"})
                .status,
            0);
  // Something in the way of an entry's file: a file where its folder belongs (the
  // first entry, bin\Tesivo.exe), a folder where the file belongs (a later one). The
  // extractor cannot create the file (-2); through the locator the same result comes
  // back, without the entry's name, which the locator's reports do not carry.
  struct Case {
    const char* file;
    const char* obstacle;
    const char* message;
  };
  const Case cases[] = {
      {"app.voz", "out/bin", "bin\\Tesivo.exe: the output file cannot be created"},
      {"app.voz", "out/locked.ini/x", "locked.ini: the output file cannot be created"},
      {"setup.exe", "out/bin", "setup.exe: the output file cannot be created"},
      {"setup.exe", "out/locked.ini/x", "setup.exe: the output file cannot be created"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " " + c.obstacle);
    fs::remove_all(tree / "out");
    tree.Write(c.obstacle, "in the way");
    const Outcome extract = Vozip(tree, {"extract", c.file, "-d", "out"});
    EXPECT_EQ(extract.status, 2) << Describe(extract);
    EXPECT_NE(extract.err.find(c.message), std::string::npos) << extract.err;
    EXPECT_FALSE(fs::exists(tree / "out/tempfile.$$$"));
  }
  tree.Write("blocked", "a file where the destination should be");
  const Outcome blocked = Vozip(tree, {"extract", "app.voz", "-d", "blocked/out"});
  EXPECT_EQ(blocked.status, 2) << Describe(blocked);
  EXPECT_NE(blocked.err.find("cannot create the folder"), std::string::npos) << blocked.err;
}

TEST(VozipCli, ProgressBarOnlyWhenStderrIsATerminal) {
  TempTree tree;
  tree.Write("payload/big.bin", Noise(2u << 20, 3));
  const Outcome quiet = Vozip(tree, {"pack", "payload", "-o", "quiet.voz", "-1"});
  ASSERT_EQ(quiet.status, 0) << Describe(quiet);
  EXPECT_EQ(quiet.err, "");
  // 'script' gives the command a terminal and copies what it draws.
  const Outcome shown = Vozip(tree, {"test", "quiet.voz"}, "");
  EXPECT_EQ(shown.err, "");
  const std::string command = "cd " + Quote(tree.root().string()) + " && script -qec " +
                              Quote(Quote(VOZIP_EXE) + " pack payload -o tty.voz -1") +
                              " /dev/null > tty.txt 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const std::string drawn = ReadAll(tree / "tty.txt");
  EXPECT_NE(drawn.find("pack ["), std::string::npos) << drawn;
  EXPECT_NE(drawn.find("100%"), std::string::npos) << drawn;
  EXPECT_EQ(ReadAll(tree / "tty.voz"), ReadAll(tree / "quiet.voz"));
}

TEST(VozipCli, HelpAndUsageErrors) {
  TempTree tree;
  for (const char* command : {"pack", "build", "list", "test", "extract"}) {
    const Outcome help = Vozip(tree, {command, "--help"});
    EXPECT_EQ(help.status, 0) << command;
    EXPECT_EQ(help.out.rfind(std::string("usage: vozip ") + command, 0), 0u) << help.out;
  }
  EXPECT_NE(Vozip(tree, {"pack", "--help"}).out.find("SOURCE_DATE_EPOCH"), std::string::npos);
  const std::vector<std::vector<std::string>> usage_errors = {
      {"list"},
      {"test", "a.voz", "b.voz"},
      {"extract", "a.voz", "-d"},
      {"extract", "a.voz", "--unknown"},
      {"list", "a.voz", "--key"},
      {"test", "a.voz", "--key", std::string(65536, 'k')},
  };
  for (const auto& args : usage_errors) {
    const Outcome run = Vozip(tree, args);
    EXPECT_EQ(run.status, 2) << Describe(run);
    EXPECT_NE(run.err.find("(see 'vozip " + args[0] + " --help')"), std::string::npos) << run.err;
  }
}

}  // namespace
