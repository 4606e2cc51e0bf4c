// What every parser takes and gives: a range of positions in the input window, and
// the items that cover it.
#pragma once

#include <cstdint>
#include <vector>

#include "explode/implode_format.h"

namespace vozip {

// One item of the stream: a literal (length 1, distance 0) or a copy of `length`
// bytes (2 to 518) from `distance` bytes back (1 to the dictionary size; at most
// 256 for length 2).
struct Item {
  uint16_t length;
  uint16_t distance;
};

inline bool IsLiteral(Item item) { return item.distance == 0; }

// Positions index `data`, the encoder's input window: history behind `begin`,
// lookahead after `end`.
struct ParseRange {
  const uint8_t* data;
  uint32_t begin;     // first position to parse
  uint32_t end;       // the parse covers [begin, end); see each parser for past it
  uint32_t data_end;  // first position without input: at least end + 518 unless
                      // the input ends first
};

// Longest copy that may start at `pos`: 518, or fewer where the input ends.
inline uint32_t MaxCopyAt(const ParseRange& range, uint32_t pos) {
  const uint32_t left = range.data_end - pos;
  return left < implode::kMaxCopy ? left : implode::kMaxCopy;
}

using Items = std::vector<Item>;

}  // namespace vozip
