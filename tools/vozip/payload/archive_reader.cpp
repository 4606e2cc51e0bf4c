#include "payload/archive_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "archive/archive_entry.h"
#include "explode/crc32.h"
#include "explode/explode.h"
#include "payload/cp1252.h"
#include "payload/host_fs.h"
#include "platform/text.h"

namespace vozip {
namespace {

constexpr size_t kEntryHeaderSize = 20;
constexpr size_t kReadBlock = 65536;

uint32_t Le32(const uint8_t* bytes) {
  return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

// The scrambling keystream: a 32-bit linear congruential generator (x 0x08088405
// + 1) started from the folded key; each body byte is XORed with the top byte of
// the state after one step. The fold adds the key's i-th character (from 1) shifted
// left by 8 x (i mod 4) bits.
class Keystream {
 public:
  explicit Keystream(const std::string& key) {
    for (size_t i = 0; i < key.size(); ++i) {
      state_ += static_cast<uint32_t>(static_cast<uint8_t>(key[i])) << (8 * ((i + 1) % 4));
    }
  }
  void Apply(uint8_t* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i) {
      state_ = state_ * 0x08088405u + 1;
      bytes[i] ^= static_cast<uint8_t>(state_ >> 24);
    }
  }

 private:
  uint32_t state_ = 0;
};

// The body, unscrambled and checksummed as it is read, front to back.
class BodyReader {
 public:
  BodyReader(std::FILE* file, uint64_t length, const std::string& key)
      : file_(file), length_(length), keystream_(key), buffer_(new uint8_t[kReadBlock]) {}

  uint64_t position() const { return position_; }
  uint64_t remaining() const { return length_ - position_; }
  uint64_t length() const { return length_; }
  bool failed() const { return failed_; }
  uint32_t crc() const { return crc_; }

  // Up to 'count' next body bytes; fewer only at the body's end or on a failure.
  size_t Read(uint8_t* out, size_t count) {
    size_t done = 0;
    while (done < count) {
      if (next_ == filled_ && !Fill()) break;
      const size_t n = std::min(count - done, filled_ - next_);
      std::memcpy(out + done, buffer_.get() + next_, n);
      next_ += n;
      done += n;
      position_ += n;  // before the next Fill, which reads no further than the body
    }
    return done;
  }

  // Reads past 'count' bytes; false when the body ends first.
  bool Skip(uint64_t count) {
    while (count > 0) {
      if (next_ == filled_ && !Fill()) return false;
      const size_t n = static_cast<size_t>(std::min<uint64_t>(count, filled_ - next_));
      next_ += n;
      position_ += n;
      count -= n;
    }
    return true;
  }

 private:
  bool Fill() {
    const uint64_t unread = length_ - position_;
    if (unread == 0 || failed_) return false;
    const size_t want = static_cast<size_t>(std::min<uint64_t>(unread, kReadBlock));
    const size_t got = std::fread(buffer_.get(), 1, want, file_);
    if (got == 0) {
      failed_ = true;
      return false;
    }
    keystream_.Apply(buffer_.get(), got);
    const uint32_t count = static_cast<uint32_t>(got);
    crc_ = UpdateCrc32(buffer_.get(), &count, &crc_);
    next_ = 0;
    filled_ = got;
    return true;
  }

  std::FILE* file_;
  uint64_t length_;
  uint64_t position_ = 0;
  Keystream keystream_;
  std::unique_ptr<uint8_t[]> buffer_;
  size_t next_ = 0;
  size_t filled_ = 0;
  uint32_t crc_ = kCrc32Preset;
  bool failed_ = false;
};

// One stream, decoded into nothing but its length and CRC.
struct StreamCheck {
  BodyReader* body;
  uint32_t packed_remaining;
  uint32_t packed_consumed;
  uint64_t written;
  uint32_t crc;

  static uint32_t Read(uint8_t* buffer, uint32_t* size, void* param) {
    auto& check = *static_cast<StreamCheck*>(param);
    const uint32_t want = std::min(*size, check.packed_remaining);
    const uint32_t got = static_cast<uint32_t>(check.body->Read(buffer, want));
    check.packed_remaining -= got;
    check.packed_consumed += got;
    return got;
  }

  static void Write(uint8_t* buffer, uint32_t* size, void* param) {
    auto& check = *static_cast<StreamCheck*>(param);
    check.crc = UpdateCrc32(buffer, size, &check.crc);
    check.written += *size;
  }
};

const char* DecoderProblem(uint32_t result) {
  switch (result) {
    case kExplodeBadDictionary:
      return "the stream's dictionary size code is not 4, 5 or 6";
    case kExplodeBadLiteralMode:
      return "the stream's literal mode is not 0 or 1";
    case kExplodeShortInput:
      return "the stream is 4 bytes or shorter";
    case kExplodeInputEnded:
      return "the stream ends before its end-of-stream marker";
    default:
      return "the decoder failed";
  }
}

std::string Hex32(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%08X", value);
  return text;
}

// Decodes the stream of 'entry' from the body; empty when it passes every check.
std::string CheckStream(BodyReader* body, const ArchiveEntry& entry, ExplodeState* state) {
  StreamCheck check{body, entry.packed_size, 0, 0, kCrc32Preset};
  uint32_t result = ExplodeStream(&StreamCheck::Read, &StreamCheck::Write, state, &check);
  if (entry.original_size == 0 && entry.packed_size == 4 && result == kExplodeShortInput) {
    result = kExplodeOk;  // the empty file: header and end marker only, 4 bytes
  }
  // Bytes of the entry the decoder left unread still belong to it.
  body->Skip(check.packed_remaining);
  if (result != kExplodeOk) return DecoderProblem(result);
  if (check.packed_consumed != entry.packed_size) {
    return "the stream ends after " + std::to_string(check.packed_consumed) +
           " bytes, but the header gives " + std::to_string(entry.packed_size);
  }
  if (check.written != entry.original_size) {
    return "the stream decodes to " + std::to_string(check.written) +
           " bytes, but the header gives " + std::to_string(entry.original_size);
  }
  if (check.crc != entry.crc) {
    return "the content's CRC is " + Hex32(check.crc) + ", but the header gives " +
           Hex32(entry.crc);
  }
  return std::string();
}

// Reads the name and header of the next entry; false when the body ends inside them.
bool ReadEntryHead(BodyReader* body, ArchiveEntry* entry) {
  uint8_t length[2];
  if (body->Read(length, 2) != 2) return false;
  entry->name.resize(static_cast<size_t>(length[0] | length[1] << 8));
  if (body->Read(reinterpret_cast<uint8_t*>(&entry->name[0]), entry->name.size()) !=
      entry->name.size()) {
    return false;
  }
  uint8_t header[kEntryHeaderSize];
  if (body->Read(header, kEntryHeaderSize) != kEntryHeaderSize) return false;
  entry->dos_time = Le32(header);
  entry->original_size = Le32(header + 4);
  entry->attributes = Le32(header + 8);
  entry->packed_size = Le32(header + 12);
  entry->crc = Le32(header + 16);
  return true;
}

}  // namespace

bool FindPayloadMarker(std::FILE* file, bool* found, uint64_t* marker_offset, std::string* error) {
  *found = false;
  if (!host::SeekTo(file, 0)) {
    *error = std::strerror(errno);
    return false;
  }
  // Blocks overlap by the marker's length less one, so a marker that straddles two
  // blocks lies whole in the second.
  std::vector<char> buffer(kReadBlock + kPayloadMarkerLength - 1);
  size_t kept = 0;
  uint64_t kept_offset = 0;  // file offset of buffer[0]
  for (;;) {
    const size_t got = std::fread(buffer.data() + kept, 1, kReadBlock, file);
    if (got == 0) break;
    const size_t filled = kept + got;
    const char* end = buffer.data() + filled;
    // The marker's first byte, '<', is rare in most files: look for it, then compare.
    for (const char* at = buffer.data(); at + kPayloadMarkerLength <= end; ++at) {
      at = static_cast<const char*>(std::memchr(at, '<', static_cast<size_t>(end - at)));
      if (at == nullptr || at + kPayloadMarkerLength > end) break;
      if (std::memcmp(at, kPayloadMarker, kPayloadMarkerLength) == 0) {
        *found = true;
        *marker_offset = kept_offset + static_cast<uint64_t>(at - buffer.data());
        return true;
      }
    }
    kept = std::min(filled, kPayloadMarkerLength - 1);
    std::memmove(buffer.data(), end - kept, kept);
    kept_offset += filled - kept;
  }
  if (std::ferror(file)) {
    *error = "read failed";
    return false;
  }
  return true;
}

std::string UnsafeNameProblem(const std::string& name) {
  // The extractor's own rule decides; the rest only explains it.
  if (IsSafeEntryName(Text(name.data(), name.size()))) return std::string();
  if (name.empty()) return "the name is empty";
  if (name[0] == '\\' || name[0] == '/') return "the name starts at the root of a drive";
  if (name.find('\0') != std::string::npos) return "the name holds a zero byte";
  if (name.find(':') != std::string::npos) return "the name holds a drive letter or colon";
  // Windows trims trailing dots and spaces, so "..", ". ." and "..." all climb.
  for (size_t start = 0; start <= name.size();) {
    const size_t end = std::min(name.find_first_of("\\/", start), name.size());
    const std::string part = name.substr(start, end - start);
    if (!part.empty() && part.find_first_not_of(". ") == std::string::npos) {
      return "the name has a part made only of dots and spaces ('" + part +
             "'), which would leave the destination";
    }
    start = end + 1;
  }
  return "the setup's extractor refuses the name";
}

InspectReport InspectArchive(const std::string& path, const InspectOptions& options) {
  InspectReport report;
  const auto fail = [&report](int result, const std::string& problem) {
    report.result = result;
    report.problem = problem;
    return report;
  };
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(host::OpenFile(path, "rb"), std::fclose);
  uint64_t file_size = 0;
  if (file == nullptr || !host::FileSize(file.get(), &file_size)) {
    return fail(kArchiveCannotOpen, path + ": cannot open: " + std::strerror(errno));
  }
  uint64_t marker_offset = 0;
  std::string error;
  if (!FindPayloadMarker(file.get(), &report.setup_file, &marker_offset, &error)) {
    return fail(kArchiveCannotOpen, path + ": " + error);
  }
  report.archive_offset = report.setup_file ? marker_offset + kPayloadMarkerLength : 0;
  report.archive_size = file_size - report.archive_offset;

  // The stored checksum: the last 4 bytes, or whatever there is of them in an
  // archive shorter than 4 bytes (missing bytes count as 0).
  const uint64_t body_length = report.archive_size >= 4 ? report.archive_size - 4 : 0;
  uint8_t tail[4] = {0, 0, 0, 0};
  if (!host::SeekTo(file.get(), report.archive_offset + body_length) ||
      std::fread(tail, 1, 4, file.get()) != std::min<uint64_t>(report.archive_size, 4) ||
      !host::SeekTo(file.get(), report.archive_offset)) {
    return fail(kArchiveCannotOpen, path + ": cannot read");
  }
  const uint32_t stored_checksum = Le32(tail);

  BodyReader body(file.get(), body_length, options.key);
  auto state = std::make_unique<ExplodeState>();
  int entry_result = kArchiveOk;
  std::string entry_problem;
  uint64_t next_report = 0;
  while (body.remaining() > 0 && entry_result == kArchiveOk) {
    if (options.progress && body.position() >= next_report) {
      options.progress(body.position(), body.length());
      next_report = body.position() + (1u << 20);
    }
    ArchiveEntry entry;
    if (!ReadEntryHead(&body, &entry)) {
      entry_result = kArchiveBadEntry;
      entry_problem = "the archive ends inside the name or header of entry " +
                      std::to_string(report.entries.size() + 1);
      break;
    }
    const std::string unsafe = UnsafeNameProblem(entry.name);
    if (!unsafe.empty()) {
      entry_result = kArchiveBadEntry;
      entry_problem = "entry " + std::to_string(report.entries.size() + 1) + ": " + unsafe;
      break;
    }
    if (entry.packed_size > body.remaining()) {
      entry_result = kArchiveBadEntry;
      entry_problem = Cp1252ToUtf8(entry.name) + ": the stream runs past the end of the archive";
      break;
    }
    if (options.decode) {
      const std::string problem = CheckStream(&body, entry, state.get());
      if (!problem.empty()) {
        entry_result = kArchiveBadEntry;
        entry_problem = Cp1252ToUtf8(entry.name) + ": " + problem;
      }
    } else {
      body.Skip(entry.packed_size);
    }
    report.entries.push_back(std::move(entry));
  }
  // The checksum covers the whole body, faulty entry or not.
  body.Skip(body.remaining());
  if (body.failed()) return fail(kArchiveReadFailed, path + ": a read failed");
  if (options.progress) options.progress(body.length(), body.length());
  if (body.crc() != stored_checksum) {
    return fail(kArchiveBadChecksum,
                report.setup_file
                    ? "the archive's checksum does not match: it is damaged, or scrambled "
                      "with a key (see --key)"
                    : "the archive's checksum does not match: it is damaged, not an archive, "
                      "a setup file without its marker, or scrambled with a key (see --key)");
  }
  return fail(entry_result, entry_problem);
}

}  // namespace vozip
