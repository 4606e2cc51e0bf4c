#include "archive/archive_writer.h"

#include <cerrno>
#include <cstring>
#include <memory>

#include "archive/oencript.h"
#include "explode/crc32.h"

namespace vozip {

namespace {

constexpr size_t kChunkSize = 1 << 16;
constexpr size_t kMaxNameLength = 0xFFFF;

// The scrambler's generator: each byte is XORed with the top byte of the next state.
constexpr uint32_t kMultiplier = 0x08088405;

void PutLittleEndian32(uint8_t* bytes, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

std::array<uint8_t, kEntryHeaderSize> EncodeEntryHeader(const EntryHeader& header) {
  std::array<uint8_t, kEntryHeaderSize> bytes{};
  PutLittleEndian32(&bytes[0], header.dos_date_time);
  PutLittleEndian32(&bytes[4], header.original_size);
  PutLittleEndian32(&bytes[8], header.attributes);
  PutLittleEndian32(&bytes[12], header.packed_size);
  PutLittleEndian32(&bytes[16], header.crc);
  return bytes;
}

ArchiveWriter::ArchiveWriter(std::FILE* out, const std::string& key)
    : out_(out),
      keystream_(FoldScrambleKey(key.data(), key.size())),
      running_crc_(kCrc32Preset),
      scratch_(kChunkSize) {}

bool ArchiveWriter::Fail(const std::string& message) {
  if (error_.empty()) error_ = message;
  return false;
}

// Takes the checksum of the plain bytes, scrambles a copy and writes it.
bool ArchiveWriter::Put(const void* data, size_t size) {
  if (!error_.empty()) return false;
  if (finished_) return Fail("the archive is already finished");
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  while (size > 0) {
    const size_t chunk = size < kChunkSize ? size : kChunkSize;
    uint32_t count = static_cast<uint32_t>(chunk);
    running_crc_ = UpdateCrc32(bytes, &count, &running_crc_);
    for (size_t i = 0; i < chunk; ++i) {
      keystream_ = keystream_ * kMultiplier + 1;
      scratch_[i] = bytes[i] ^ static_cast<uint8_t>(keystream_ >> 24);
    }
    if (std::fwrite(scratch_.data(), 1, chunk, out_) != chunk) {
      return Fail(std::string("cannot write the archive: ") + std::strerror(errno));
    }
    body_size_ += chunk;
    bytes += chunk;
    size -= chunk;
  }
  return true;
}

bool ArchiveWriter::BeginEntry(const std::string& name, const EntryHeader& header) {
  if (in_entry_) return Fail("an entry is still open");
  if (name.empty() || name.size() > kMaxNameLength) {
    return Fail("an entry name must hold 1 to 65,535 bytes: \"" + name.substr(0, 64) + "\"");
  }
  const uint8_t length[2] = {static_cast<uint8_t>(name.size()),
                             static_cast<uint8_t>(name.size() >> 8)};
  const auto header_bytes = EncodeEntryHeader(header);
  if (!Put(length, sizeof length) || !Put(name.data(), name.size()) ||
      !Put(header_bytes.data(), header_bytes.size())) {
    return false;
  }
  in_entry_ = true;
  stream_expected_ = header.packed_size;
  stream_written_ = 0;
  return true;
}

bool ArchiveWriter::AddStream(const void* data, size_t size) {
  if (!in_entry_) return Fail("stream bytes outside an entry");
  if (size > stream_expected_ - stream_written_) {
    return Fail("the stream is longer than the entry's packed size");
  }
  stream_written_ += size;
  return Put(data, size);
}

bool ArchiveWriter::AddStreamFromFile(const std::string& path) {
  std::unique_ptr<std::FILE, FileCloser> in(std::fopen(path.c_str(), "rb"));
  if (!in) return Fail("cannot open " + path + ": " + std::strerror(errno));
  std::vector<uint8_t> chunk(kChunkSize);
  for (;;) {
    const size_t n = std::fread(chunk.data(), 1, chunk.size(), in.get());
    if (n > 0 && !AddStream(chunk.data(), n)) return false;
    if (n < chunk.size()) break;
  }
  if (std::ferror(in.get())) return Fail("cannot read " + path);
  return true;
}

bool ArchiveWriter::EndEntry() {
  if (!in_entry_) return Fail("no entry is open");
  in_entry_ = false;
  if (stream_written_ != stream_expected_) {
    return Fail("the stream is shorter than the entry's packed size");
  }
  return error_.empty();
}

bool ArchiveWriter::AddBodyBytes(const void* data, size_t size) {
  if (in_entry_) return Fail("body bytes inside an entry");
  return Put(data, size);
}

bool ArchiveWriter::Finish() {
  if (in_entry_) return Fail("an entry is still open");
  if (!error_.empty()) return false;
  if (finished_) return Fail("the archive is already finished");
  uint8_t checksum[kArchiveChecksumSize];
  PutLittleEndian32(checksum, running_crc_);
  finished_ = true;
  if (std::fwrite(checksum, 1, sizeof checksum, out_) != sizeof checksum ||
      std::fflush(out_) != 0) {
    return Fail(std::string("cannot write the archive: ") + std::strerror(errno));
  }
  return true;
}

}  // namespace vozip
