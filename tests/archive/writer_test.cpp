// The archive writer: what it refuses, and that what it writes is what the
// extractor reads.

#include "archive/archive_writer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "archive/oencript.h"
#include "archive_support.h"

namespace {

using tsv_test::Bytes;
using tsv_test::TempDir;

struct OpenFile {
  explicit OpenFile(const std::filesystem::path& path) : file(std::fopen(path.string().c_str(), "wb")) {}
  ~OpenFile() {
    if (file != nullptr) std::fclose(file);
  }
  std::FILE* file;
};

TEST(ArchiveWriter, WritesTheScrambledBodyAndTheChecksumOfThePlainBody) {
  TempDir dir;
  const std::string content = "payload";
  const Bytes stream = tsv_test::Imploded(content);
  const EntryHeader header = {0x11223344, 7, 0x20, static_cast<uint32_t>(stream.size()),
                              tsv_test::Crc(content)};
  {
    OpenFile out(dir / "a.voz");
    vozip::ArchiveWriter writer(out.file, "key");
    ASSERT_TRUE(writer.BeginEntry("dir\\name", header));
    // The stream in three pieces, the middle one empty.
    ASSERT_TRUE(writer.AddStream(stream.data(), 3));
    ASSERT_TRUE(writer.AddStream(stream.data() + 3, 0));
    ASSERT_TRUE(writer.AddStream(stream.data() + 3, stream.size() - 3));
    ASSERT_TRUE(writer.EndEntry());
    ASSERT_TRUE(writer.Finish()) << writer.error();
    EXPECT_EQ(writer.body_size(), 2 + 8 + 20 + stream.size());
  }
  Bytes file = tsv_test::ReadAll(dir / "a.voz");
  ASSERT_EQ(file.size(), 2 + 8 + 20 + stream.size() + 4);
  Bytes body(file.begin(), file.end() - 4);
  SetScrambleKey("key");
  ScrambleBuffer(body.data(), static_cast<int32_t>(body.size()));
  EXPECT_EQ(body, tsv_test::EntryBytes("dir\\name", header, stream));
  uint32_t count = static_cast<uint32_t>(body.size());
  const uint32_t preset = kCrc32Preset;
  const uint32_t crc = UpdateCrc32(body.data(), &count, &preset);
  EXPECT_EQ(Bytes(file.end() - 4, file.end()),
            (Bytes{uint8_t(crc), uint8_t(crc >> 8), uint8_t(crc >> 16), uint8_t(crc >> 24)}));
}

TEST(ArchiveWriter, TakesTheStreamFromAFile) {
  TempDir dir;
  const std::string content(10000, 'z');
  const Bytes stream = tsv_test::Imploded(content);
  tsv_test::WriteAll(dir / "stream.bin", stream);
  {
    OpenFile out(dir / "a.voz");
    vozip::ArchiveWriter writer(out.file);
    const tsv_test::Entry entry = {"z.txt", content};
    ASSERT_TRUE(writer.BeginEntry("z.txt", tsv_test::HeaderFor(entry, stream)));
    ASSERT_TRUE(writer.AddStreamFromFile((dir / "stream.bin").string()));
    ASSERT_TRUE(writer.EndEntry());
    ASSERT_TRUE(writer.Finish());
  }
  std::filesystem::create_directories(dir / "out");
  ASSERT_EQ(ExtractArchive(tsv_test::ProgramPath(dir / "a.voz").c_str(),
                           tsv_test::ProgramPath(dir / "out").c_str(), nullptr, nullptr),
            kExtractOk);
  EXPECT_EQ(tsv_test::ReadText(dir / "out" / "z.txt"), content);
}

TEST(ArchiveWriter, RefusesWhatTheFormatCannotCarry) {
  TempDir dir;
  const EntryHeader header = {0, 0, 0, 4, 0xFFFFFFFF};
  const Bytes four(4, 0);
  struct Case {
    const char* what;
    bool (*misuse)(vozip::ArchiveWriter&, const EntryHeader&, const Bytes&);
  };
  const Case cases[] = {
      {"empty name", [](vozip::ArchiveWriter& w, const EntryHeader& h, const Bytes&) {
         return w.BeginEntry("", h);
       }},
      {"name of 65,536 bytes", [](vozip::ArchiveWriter& w, const EntryHeader& h, const Bytes&) {
         return w.BeginEntry(std::string(65536, 'n'), h);
       }},
      {"stream longer than packed size", [](vozip::ArchiveWriter& w, const EntryHeader& h, const Bytes& s) {
         return w.BeginEntry("f", h) && w.AddStream(s.data(), 4) && w.AddStream(s.data(), 1);
       }},
      {"stream shorter than packed size", [](vozip::ArchiveWriter& w, const EntryHeader& h, const Bytes& s) {
         return w.BeginEntry("f", h) && w.AddStream(s.data(), 3) && w.EndEntry();
       }},
      {"stream outside an entry", [](vozip::ArchiveWriter& w, const EntryHeader&, const Bytes& s) {
         return w.AddStream(s.data(), 4);
       }},
      {"finish inside an entry", [](vozip::ArchiveWriter& w, const EntryHeader& h, const Bytes&) {
         return w.BeginEntry("f", h) && w.Finish();
       }},
      {"missing stream file", [](vozip::ArchiveWriter& w, const EntryHeader& h, const Bytes&) {
         return w.BeginEntry("f", h) && w.AddStreamFromFile("no such file");
       }},
      {"bytes after the checksum", [](vozip::ArchiveWriter& w, const EntryHeader&, const Bytes& s) {
         return w.Finish() && w.AddBodyBytes(s.data(), 1);
       }},
  };
  for (const Case& c : cases) {
    OpenFile out(dir / "a.voz");
    vozip::ArchiveWriter writer(out.file);
    EXPECT_FALSE(c.misuse(writer, header, four)) << c.what;
    EXPECT_FALSE(writer.error().empty()) << c.what;
    // Once failed, it stays failed.
    EXPECT_FALSE(writer.AddBodyBytes(four.data(), 1)) << c.what;
  }
}

}  // namespace
