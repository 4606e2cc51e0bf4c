#include "archive/archive_entry.h"

#include "explode/explode.h"

namespace {

uint32_t ReadLittleEndian32(const uint8_t* bytes) {
  return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

constexpr uint32_t kEmptyStreamSize = 4;  // two header bytes and the end-of-stream marker

}  // namespace

EntryHeader DecodeEntryHeader(const uint8_t* bytes) {
  EntryHeader header;
  header.dos_date_time = ReadLittleEndian32(bytes);
  header.original_size = ReadLittleEndian32(bytes + 4);
  header.attributes = ReadLittleEndian32(bytes + 8);
  header.packed_size = ReadLittleEndian32(bytes + 12);
  header.crc = ReadLittleEndian32(bytes + 16);
  return header;
}

bool IsSafeEntryName(const Text& name) {
  if (name.empty() || name[0] == '\\' || name[0] == '/') return false;
  bool only_dots_and_spaces = true;
  size_t part_length = 0;
  for (size_t i = 0; i <= name.size(); ++i) {
    const char c = i < name.size() ? name[i] : '\\';  // the name's end closes its last part
    if (c == '\0' || c == ':') return false;
    if (c == '\\' || c == '/') {
      if (part_length > 0 && only_dots_and_spaces) return false;
      only_dots_and_spaces = true;
      part_length = 0;
    } else {
      ++part_length;
      if (c != '.' && c != ' ') only_dots_and_spaces = false;
    }
  }
  return true;
}

bool EntryMatchesHeader(const EntryHeader& header, const EntryOutcome& outcome) {
  uint32_t result = outcome.decoder_result;
  if (header.original_size == 0 && header.packed_size == kEmptyStreamSize &&
      result == kExplodeShortInput) {
    result = kExplodeOk;
  }
  return !outcome.overrun && result == kExplodeOk &&
         outcome.packed_consumed == header.packed_size &&
         outcome.bytes_written == header.original_size && outcome.crc == header.crc;
}
