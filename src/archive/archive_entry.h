// One entry of the setup archive: its header, the names it may carry, and the checks
// its decoded content must pass. The layout is described in archive/larchive.h.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/text.h"

constexpr size_t kEntryHeaderSize = 20;

struct EntryHeader {
  uint32_t dos_date_time;  // last-write time, local: high 16 bits DOS date, low 16 time
  uint32_t original_size;  // length of the content
  uint32_t attributes;     // Win32 attribute bits, given to the file once written
  uint32_t packed_size;    // exact length of the stream that follows
  uint32_t crc;            // CRC-32 running value of the content, not complemented
};

// The 20 little-endian header bytes, in the order of the struct.
EntryHeader DecodeEntryHeader(const uint8_t* bytes);

// True when the name keeps its file inside the destination folder: not empty, no
// zero byte (the system would cut the name there), no ":" (drive letters, streams),
// no "\" or "/" at the start, and no part made only of dots and spaces ("..", and
// the forms Windows trims into it).
bool IsSafeEntryName(const Text& name);

// What decoding an entry's stream came to. Counts are wide enough for the largest
// entry the header can describe (4 GiB - 1).
struct EntryOutcome {
  uint32_t decoder_result = 0;  // ExplodeStream's result
  uint32_t packed_consumed = 0;
  uint64_t bytes_written = 0;
  uint32_t crc = 0;             // running CRC of the bytes written
  bool overrun = false;         // the stream went on past original_size
};

// True when the outcome is what the header promises: the whole stream consumed to
// its end-of-stream marker, original_size bytes with the stored CRC. The empty file
// (original size 0, packed size 4), whose stream the decoder finds too short, passes.
bool EntryMatchesHeader(const EntryHeader& header, const EntryOutcome& outcome);
