// The implode compressor: writes streams that ExplodeStream (explode/explode.h)
// decodes back to exactly their input.
//
// A stream is two header bytes, the literal mode (0 raw, 1 coded) and the dictionary
// bits d (4, 5 or 6 for a 1024-, 2048- or 4096-byte dictionary), then items: literals
// and copies, closed by the end-of-stream marker. The codes are fixed by the format,
// so the compressor's only freedom is the parse: which copies to use where.
//
// Levels 1 (fastest) to 9 (smallest):
//   1    greedy parse, one remembered position per hash of 3 bytes,
//   2-3  greedy parse over hash chains,
//   4-6  lazy parse (one position of lookahead) over deeper hash chains,
//   7-8  minimum-cost parse over a binary-tree match finder with a search limit,
//        taking long copies whole,
//   9    minimum-cost parse over every match in the dictionary: for the format's
//        fixed code costs the stream is the shortest any parse can give (exact
//        within blocks of 1 MiB: no copy crosses a block's end).
//
// Literals `kAuto` writes both modes and keeps the smaller stream (raw on a tie).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace vozip {

enum class LiteralMode { kRaw, kCoded, kAuto };

struct ImplodeOptions {
  LiteralMode literals = LiteralMode::kAuto;
  unsigned dict_size = 4096;  // 1024, 2048 or 4096
  int level = 6;              // 1 to 9
};

constexpr int kMinLevel = 1;
constexpr int kMaxLevel = 9;
constexpr int kDefaultLevel = 6;

// True when the options name a dictionary size and level that exist.
bool ValidImplodeOptions(const ImplodeOptions& options);

enum class ImplodeStatus {
  kOk,
  kBadOptions,   // see ValidImplodeOptions
  kReadFailed,   // the reader returned false
  kWriteFailed,  // the writer returned false
  kSpillFailed,  // literals auto: a temporary file could not be created or written
};

// A short English description of a status, for messages.
const char* ImplodeStatusText(ImplodeStatus status);

struct ImplodeSummary {
  uint64_t input_size = 0;
  uint64_t output_size = 0;
  // CRC-32 running value of the input as UpdateCrc32 carries it: preset 0xFFFFFFFF,
  // never complemented (the value the archive stores for the file).
  uint32_t input_crc = 0xFFFFFFFF;
  uint8_t literal_mode = 0;  // header byte 0 of the stream written
};

// Stores up to `capacity` next input bytes at `buffer` and sets *stored to their
// number; *stored = 0 means the input has ended. Returns false on a read error.
using ImplodeReader = std::function<bool(uint8_t* buffer, size_t capacity, size_t* stored)>;
// Consumes `size` bytes of the stream. Returns false on a write error.
using ImplodeWriter = std::function<bool(const uint8_t* data, size_t size)>;

// Compresses everything `read` delivers into one stream handed to `write` in order.
// Memory stays bounded whatever the input size: at levels 7-9 about 1 MiB of input
// window and 8 MiB of parse state per literal mode, far less below. With literals
// kAuto both modes are encoded side by side from one reading of the input, each
// into a spill buffer that moves to an unnamed temporary file beyond 16 MiB; once
// the input ends the smaller stream is copied to `write`. So auto needs no second
// reading of the input (the source may be a pipe), at the cost of temporary disk
// space of up to the two streams' sizes for large inputs; callers that must avoid
// that pick a mode. After a failure `write` may have received the start of a
// stream, which the caller discards. `summary` (optional) is filled on kOk.
ImplodeStatus ImplodeStream(const ImplodeReader& read, const ImplodeWriter& write,
                            const ImplodeOptions& options, ImplodeSummary* summary = nullptr);

// Compresses a buffer into a stream. With literals kAuto both candidate streams are
// kept in memory. Throws std::invalid_argument when the options are not valid.
std::vector<uint8_t> Implode(const uint8_t* data, size_t size,
                             const ImplodeOptions& options = ImplodeOptions{});

}  // namespace vozip
