// Decoder for the implode stream format (see implode_format.h).
//
// ExplodeStream pulls compressed bytes through a read procedure and pushes decoded
// bytes through a write procedure, both the caller's. All its state lives in the
// caller's ExplodeState: it allocates nothing and keeps nothing between calls.
#pragma once

#include <cstdint>

// Stores up to *size (always 2048) next compressed bytes at buffer and returns how
// many it stored; 0 means no input is left. What it leaves in *size is ignored.
using ExplodeReadProc = uint32_t (*)(uint8_t* buffer, uint32_t* size, void* param);

// Consumes *size decoded bytes at buffer: 4096 for every full block, the remainder
// (0 to 4095) for the final call. The decoder ignores any change to *size.
using ExplodeWriteProc = void (*)(uint8_t* buffer, uint32_t* size, void* param);

// Results of ExplodeStream, in the order the decoder checks them.
enum : uint32_t {
  kExplodeOk = 0,              // decoded up to the end-of-stream marker
  kExplodeBadDictionary = 1,   // header byte 1 is not 4, 5 or 6
  kExplodeBadLiteralMode = 2,  // header byte 0 is not 0 or 1
  kExplodeShortInput = 3,      // the first read delivered 4 bytes or fewer
  kExplodeInputEnded = 4,      // the input ended before the end-of-stream marker
};

constexpr uint32_t kExplodeReadSize = 2048;
constexpr uint32_t kExplodeBlockSize = 4096;
// Positions 0-4095 hold the last 4096 output bytes (the history copies reach into),
// 4096-8191 the block being produced, and 517 more bytes take a copy of the longest
// length (518) that starts at position 8191.
constexpr uint32_t kExplodeWindowSize = 2 * kExplodeBlockSize + 517;

// The decoder's work area. The caller owns it; it needs no initialisation and can be
// reused for the next stream once a call has returned. The code lookups are constant
// and shared (decode_tables.h), so the work area holds only the stream's own state.
struct ExplodeState {
  uint32_t literal_mode;  // header byte 0
  uint32_t output_pos;    // window index of the next byte to produce
  uint32_t dict_bits;     // d: low distance bits of copies longer than 2
  uint32_t dict_mask;     // (1 << d) - 1
  uint32_t bit_buffer;    // pending stream bits, the next one in bit 0
  uint32_t extra_bits;    // valid bits above the 8-bit lookahead
  uint32_t input_pos;     // next unread byte of input
  uint32_t input_count;   // valid bytes in input
  void* param;
  ExplodeReadProc read;
  ExplodeWriteProc write;
  uint8_t window[kExplodeWindowSize];
  uint8_t input[kExplodeReadSize];
};

// The archive extractor lends a 12,596-byte block for the work area; on 32-bit
// Windows, the program we ship, the record must fit it.
constexpr uint32_t kExplodeLentBlockSize = 12596;
#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(ExplodeState) <= kExplodeLentBlockSize,
              "ExplodeState must fit the extractor's 12,596-byte block");
#endif

// Decodes one stream. Returns one of the kExplode* results above.
uint32_t ExplodeStream(ExplodeReadProc read, ExplodeWriteProc write, ExplodeState* state,
                       void* param);
