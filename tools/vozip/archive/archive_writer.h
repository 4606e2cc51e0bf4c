// Writes setup archives as a stream, never holding more than one buffer of them.
//
// An archive is a body of entries (name, 20-byte header, implode stream) scrambled
// as one stream with a key, then the 4-byte checksum of the unscrambled body; the
// format is described in archive/larchive.h. The writer scrambles, takes the
// checksum and writes sequentially, so entries up to 4 GiB - 1 and archives of any
// size pass through it.
//
//   std::FILE* out = std::fopen("app.voz", "wb");
//   vozip::ArchiveWriter writer(out);                  // the empty key: what setups use
//   EntryHeader header = {dos_time, size, attributes, packed_size, crc};
//   writer.BeginEntry("bin\\app.exe", header);
//   writer.AddStream(stream_bytes, n);                 // in pieces, or
//   writer.AddStreamFromFile("app.exe.imploded");      // from a file
//   writer.EndEntry();                                 // exactly packed_size bytes came
//   writer.Finish();                                   // the checksum
//   std::fclose(out);                                  // check this too
//
// Every call returns false once anything has failed; error() says what.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "archive/larchive.h"

namespace vozip {

// The 20 header bytes of an entry, little-endian, in the order of EntryHeader.
std::array<uint8_t, kEntryHeaderSize> EncodeEntryHeader(const EntryHeader& header);

class ArchiveWriter {
 public:
  // Writes at out's current position onward (a setup's stub and marker may come
  // first); out stays the caller's to close. The key's first 65,535 characters
  // count, as in the extractor.
  explicit ArchiveWriter(std::FILE* out, const std::string& key = "");

  // Starts an entry: name (1 to 65,535 bytes, "\" between folders, as stored) and
  // its header, whose packed_size is the exact number of stream bytes to follow.
  bool BeginEntry(const std::string& name, const EntryHeader& header);
  // The entry's implode stream, in pieces of any size.
  bool AddStream(const void* data, size_t size);
  bool AddStreamFromFile(const std::string& path);
  // Ends the entry; fails when the stream's length is not header.packed_size.
  bool EndEntry();

  // Body bytes as they stand, outside any entry: for entries made by hand, such as
  // the damaged ones of tests.
  bool AddBodyBytes(const void* data, size_t size);

  // Appends the checksum and flushes. Nothing may be added afterwards.
  bool Finish();

  uint64_t body_size() const { return body_size_; }
  const std::string& error() const { return error_; }

 private:
  bool Fail(const std::string& message);
  bool Put(const void* data, size_t size);

  std::FILE* out_;
  uint32_t keystream_;  // generator state after the last byte written
  uint32_t running_crc_;
  uint64_t body_size_ = 0;
  bool in_entry_ = false;
  bool finished_ = false;
  uint64_t stream_expected_ = 0;
  uint64_t stream_written_ = 0;
  std::vector<uint8_t> scratch_;
  std::string error_;
};

}  // namespace vozip
