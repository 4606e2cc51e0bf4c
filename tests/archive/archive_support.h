// Shared helpers of the archive tests: temporary folders, archives made with the
// archive writer from entries described in a line, and a recorder for the progress
// and pump calls.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "archive/archive_writer.h"
#include "archive/larchive.h"
#include "explode/crc32.h"
#include "platform/file.h"
#include "support/stream_builder.h"

namespace tsv_test {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

// A fresh folder below the system's temporary folder, removed with everything in it
// (read-only files included) when the holder goes.
class TempDir {
 public:
  TempDir() {
    // Unique across the test programs that CTest runs side by side, too.
    static const unsigned process_tag = std::random_device{}();
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    path_ = fs::temp_directory_path() /
            ("tsv-archive-" + std::to_string(process_tag) + "-" + std::to_string(stamp) + "-" +
             std::to_string(counter++));
    fs::create_directories(path_);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir() {
    std::error_code error;
    for (const auto& item : fs::recursive_directory_iterator(path_, error)) {
      fs::permissions(item.path(), fs::perms::owner_write, fs::perm_options::add, error);
    }
    fs::remove_all(path_, error);
  }

  const fs::path& path() const { return path_; }
  fs::path operator/(const std::string& name) const { return path_ / fs::u8path(name); }

 private:
  fs::path path_;
};

// A path as the program writes it ("\" between folders on every system).
inline std::string ProgramPath(const fs::path& path) {
  return ToProgramPath(path.string().c_str()).c_str();
}

inline Bytes ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::string ReadText(const fs::path& path) {
  const Bytes bytes = ReadAll(path);
  return std::string(bytes.begin(), bytes.end());
}

inline void WriteAll(const fs::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << path;
}

inline uint32_t Crc(const std::string& content) {
  uint32_t count = static_cast<uint32_t>(content.size());
  const uint32_t preset = kCrc32Preset;
  return UpdateCrc32(reinterpret_cast<const uint8_t*>(content.data()), &count, &preset);
}

constexpr uint32_t DosDateTime(int year, int month, int day, int hour, int minute, int second) {
  return static_cast<uint32_t>(((year - 1980) << 25) | (month << 21) | (day << 16) | (hour << 11) |
                               (minute << 5) | (second / 2));
}

// An implode stream of raw literals for content, closed by the end-of-stream marker.
// The empty content gives the 4-byte stream of an empty file.
inline Bytes Imploded(const std::string& content) {
  StreamBuilder stream(0, 6);
  stream.Literals(content).End();
  return stream.bytes();
}

// One archived file. The header follows from the content unless a test changes it.
struct Entry {
  std::string name;
  std::string content;
  uint32_t dos_date_time = DosDateTime(2001, 7, 14, 12, 30, 58);
  uint32_t attributes = kAttributeArchive;
};

inline EntryHeader HeaderFor(const Entry& entry, const Bytes& stream) {
  return {entry.dos_date_time, static_cast<uint32_t>(entry.content.size()), entry.attributes,
          static_cast<uint32_t>(stream.size()), Crc(entry.content)};
}

// The unscrambled bytes of one entry, header and stream given as they are.
inline Bytes EntryBytes(const std::string& name, const EntryHeader& header, const Bytes& stream) {
  const auto header_bytes = vozip::EncodeEntryHeader(header);
  Bytes bytes;
  bytes.reserve(2 + name.size() + header_bytes.size() + stream.size());
  bytes.push_back(static_cast<uint8_t>(name.size()));
  bytes.push_back(static_cast<uint8_t>(name.size() >> 8));
  for (char c : name) bytes.push_back(static_cast<uint8_t>(c));
  for (uint8_t b : header_bytes) bytes.push_back(b);
  for (uint8_t b : stream) bytes.push_back(b);
  return bytes;
}

inline Bytes EntryBytes(const Entry& entry) {
  const Bytes stream = Imploded(entry.content);
  return EntryBytes(entry.name, HeaderFor(entry, stream), stream);
}

// Writes an archive of raw body pieces (each an entry's bytes, or anything else).
inline void WriteArchiveBody(const fs::path& file, const std::vector<Bytes>& pieces,
                             const std::string& key = "") {
  std::FILE* out = std::fopen(file.string().c_str(), "wb");
  ASSERT_NE(out, nullptr) << file;
  vozip::ArchiveWriter writer(out, key);
  for (const Bytes& piece : pieces) EXPECT_TRUE(writer.AddBodyBytes(piece.data(), piece.size()));
  EXPECT_TRUE(writer.Finish()) << writer.error();
  ASSERT_EQ(std::fclose(out), 0);
}

inline void WriteArchive(const fs::path& file, const std::vector<Entry>& entries,
                         const std::string& key = "") {
  std::vector<Bytes> pieces;
  for (const Entry& entry : entries) pieces.push_back(EntryBytes(entry));
  WriteArchiveBody(file, pieces, key);
}

inline Bytes ArchiveBytes(const std::vector<Entry>& entries, const std::string& key = "") {
  TempDir scratch;
  WriteArchive(scratch / "a.voz", entries, key);
  return ReadAll(scratch / "a.voz");
}

// What the extractor and the locator report, in order: "P name percent" for each
// progress call, "pump" for each pump call.
class CallLog {
 public:
  static std::vector<std::string>& calls() {
    static std::vector<std::string> log;
    return log;
  }
  static void Progress(const char* name, int32_t percent) {
    calls().push_back("P " + std::string(name) + " " + std::to_string(percent));
  }
  static void Pump(bool destroy) { calls().push_back(destroy ? "pump destroy" : "pump"); }
};

}  // namespace tsv_test
