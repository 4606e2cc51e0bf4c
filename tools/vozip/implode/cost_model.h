// Bit costs of the stream's items. The format's codes are fixed, so every item has
// an exact cost known before compressing anything:
//
//   literal  1 flag bit + 8 raw bits, or + the byte's code (4 to 13 bits) when coded
//   copy     1 flag bit + length code (2 to 7 bits) + its extra bits (0 to 8)
//            + distance code (2 to 8 bits) + low distance bits (2 for length 2, else d)
//
// The distance code is that of (distance - 1) >> low bits, and its length never
// falls as the index grows: for a given length the nearest source is the cheapest.
#pragma once

#include <array>
#include <cstdint>

#include "explode/implode_format.h"

namespace vozip {

// Length index (0 to 15) of each length value (copy length - 2, 0 to 517).
const std::array<uint8_t, implode::kEndOfStreamValue + 1>& LengthIndexTable();

inline unsigned LengthIndex(unsigned length_value) { return LengthIndexTable()[length_value]; }

inline unsigned LowDistanceBits(unsigned length, unsigned dict_bits) {
  return length == implode::kMinCopy ? implode::kShortCopyLowBits : dict_bits;
}

// Farthest a copy of this length reaches back: 256 for length 2, else 64 << d.
inline unsigned MaxDistance(unsigned length, unsigned dict_bits) {
  return 64u << LowDistanceBits(length, dict_bits);
}

struct CostModel {
  uint8_t literal_mode;
  unsigned dict_bits;
  std::array<uint8_t, 256> literal;  // whole literal item, flag included
  // Flag, length code and extra bits, by copy length (entries below 2 unused).
  std::array<uint8_t, implode::kMaxCopy + 1> length;
  // Distance code and low bits, by distance: for length-2 copies, and for longer.
  std::array<uint8_t, implode::kMaxShortCopyDistance + 1> short_distance;
  std::array<uint8_t, (64u << implode::kMaxDictBits) + 1> long_distance;

  unsigned LiteralCost(uint8_t byte) const { return literal[byte]; }
  unsigned CopyCost(unsigned copy_length, unsigned distance) const {
    return length[copy_length] + (copy_length == implode::kMinCopy ? short_distance[distance]
                                                                    : long_distance[distance]);
  }
};

CostModel MakeCostModel(uint8_t literal_mode, unsigned dict_bits);

// Bits of the end-of-stream marker: flag, the 7-bit code of index 15, 8 extra bits.
constexpr unsigned kEndOfStreamBits = 16;

}  // namespace vozip
