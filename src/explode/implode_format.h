// The implode stream format: the fixed code tables shared by the decoder in this
// folder and by the compressor of the vozip tool.
//
// A stream is two header bytes (literal mode, dictionary bits d) and a bit stream read
// from the least significant bit of each byte up. Each item starts with a flag bit:
// 0 = literal, 1 = copy (length code, extra bits, then distance code and low bits).
// All three prefix codes are fixed. They follow one rule: canonical codes as in
// Deflate (shorter codes numerically smaller, equal lengths in symbol order), with
// every bit inverted, sent most significant bit first.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace implode {

constexpr uint8_t kRawLiterals = 0;
constexpr uint8_t kCodedLiterals = 1;
constexpr unsigned kMinDictBits = 4;  // 1024-byte dictionary
constexpr unsigned kMaxDictBits = 6;  // 4096-byte dictionary

constexpr unsigned kMinCopy = 2;
constexpr unsigned kMaxCopy = 518;
// Length value (copy length - 2) 517, index 15 with all eight extra bits set, ends
// the stream; it carries no distance.
constexpr unsigned kEndOfStreamValue = 517;
// Length-2 copies carry 2 low distance bits, so they reach 256 bytes back at most.
constexpr unsigned kShortCopyLowBits = 2;
constexpr unsigned kMaxShortCopyDistance = 64u << kShortCopyLowBits;

constexpr std::array<uint8_t, 16> kLengthCodeLengths = {3, 2, 3, 3, 4, 4, 4, 5,
                                                        5, 5, 5, 6, 6, 6, 7, 7};
constexpr std::array<uint8_t, 16> kLengthExtraBits = {0, 0, 0, 0, 0, 0, 0, 0,
                                                      1, 2, 3, 4, 5, 6, 7, 8};
// Length value (copy length - 2) = base + extra value.
constexpr std::array<uint16_t, 16> kLengthBases = {0, 1,  2,  3,  4,  5,  6,   7,
                                                   8, 10, 14, 22, 38, 70, 134, 262};

constexpr std::array<uint8_t, 64> kDistanceCodeLengths = {
    2, 4, 4, 5, 5, 5, 5, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6,
    7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7,
    7, 7, 7, 7, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8};

// Coded-literal mode favours text: the space has the only 4-bit code.
constexpr std::array<uint8_t, 256> kLiteralCodeLengths = {
    11, 12, 12, 12, 12, 12, 12, 12, 12, 8,  7,  12, 12, 7,  12, 12,  // 00
    12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 13, 12, 12, 12, 12, 12,  // 10
    4,  10, 8,  12, 10, 12, 10, 8,  7,  7,  8,  9,  7,  6,  7,  8,   // 20
    7,  6,  7,  7,  7,  7,  8,  7,  7,  8,  8,  12, 11, 7,  9,  11,  // 30
    12, 6,  7,  6,  6,  5,  7,  8,  8,  6,  11, 9,  6,  7,  6,  6,   // 40
    7,  11, 6,  6,  6,  7,  9,  8,  9,  9,  11, 8,  11, 9,  12, 8,   // 50
    12, 5,  6,  6,  6,  5,  6,  6,  6,  5,  11, 7,  5,  6,  5,  5,   // 60
    6,  10, 5,  5,  5,  5,  8,  7,  8,  8,  10, 11, 11, 12, 12, 12,  // 70
    13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13,  // 80
    13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13,  // 90
    13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13,  // A0
    12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12,  // B0
    12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12,  // C0
    12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12,  // D0
    13, 12, 13, 13, 13, 12, 13, 13, 13, 12, 13, 13, 13, 13, 12, 13,  // E0
    13, 13, 12, 12, 12, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13,  // F0
};

// The code of every symbol as it appears in the bit stream: the first bit sent is
// bit 0, so a decoder can match it against its lookahead directly.
template <size_t N>
constexpr std::array<uint16_t, N> StreamCodes(const std::array<uint8_t, N>& lengths) {
  constexpr unsigned kMaxLength = 16;
  std::array<uint16_t, kMaxLength> count{};
  for (size_t symbol = 0; symbol < N; ++symbol) ++count[lengths[symbol]];

  // Canonical first code of each length, as Deflate assigns them.
  std::array<uint16_t, kMaxLength> next{};
  unsigned code = 0;
  for (unsigned length = 1; length < kMaxLength; ++length) {
    code = (code + count[length - 1]) << 1;
    next[length] = static_cast<uint16_t>(code);
  }

  std::array<uint16_t, N> codes{};
  for (size_t symbol = 0; symbol < N; ++symbol) {
    const unsigned length = lengths[symbol];
    const unsigned inverted = ~next[length]++ & ((1u << length) - 1);
    unsigned reversed = 0;  // most significant bit first in the stream
    for (unsigned bit = 0; bit < length; ++bit) {
      reversed |= ((inverted >> (length - 1 - bit)) & 1u) << bit;
    }
    codes[symbol] = static_cast<uint16_t>(reversed);
  }
  return codes;
}

constexpr std::array<uint16_t, 16> kLengthCodes = StreamCodes(kLengthCodeLengths);
constexpr std::array<uint16_t, 64> kDistanceCodes = StreamCodes(kDistanceCodeLengths);
constexpr std::array<uint16_t, 256> kLiteralCodes = StreamCodes(kLiteralCodeLengths);

}  // namespace implode
