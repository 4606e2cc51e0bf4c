// The decoder's lookups, indexed by 8 bits of lookahead and built at compile time
// from the fixed code tables of implode_format.h. All codes are fixed, so their
// lookups are constants too: read-only data shared by every decoding, with nothing
// to build per stream.
//
// Each entry carries what one lookup must tell: the symbol and the number of bits
// to consume for it.
//
//   length entry (32 bits):  base | extra bits << 16 | code bits << 24
//   other entries (16 bits): symbol | bits << 8, plus, in the first literal lookup,
//                            an escape flag and the second lookup to go on with
//
// Literal codes are 4 to 13 bits long. Those of 8 bits or fewer are found in the
// first lookup. A longer code is reached through a prefix: its first 8 bits when
// they are all zero, else its first 4 bits when its first 6 are not all zero, else
// its first 6; the bits after the prefix index the second lookup (7 of them after a
// 6-bit prefix), whose entry holds the bits left to consume.
#pragma once

#include <array>
#include <cstdint>

#include "explode/implode_format.h"

namespace explode_tables {

constexpr unsigned EntrySymbol(unsigned entry) { return entry & 0xFF; }
constexpr unsigned EntryBits(unsigned entry) { return (entry >> 8) & 0xF; }

constexpr unsigned LengthBase(uint32_t entry) { return entry & 0xFFFF; }
constexpr unsigned LengthExtraBits(uint32_t entry) { return (entry >> 16) & 0xF; }
constexpr unsigned LengthCodeBits(uint32_t entry) { return entry >> 24; }

// Second literal lookups, one after the other in kLiteralSecond.
enum SecondLookup : unsigned {
  kAfter4 = 0,    // 256 entries
  kAfter6 = 256,  // 128 entries, indexed by 7 bits
  kAfter8 = 384,  // 256 entries
};
constexpr unsigned kLiteralEscape = 0x8000;

constexpr bool IsLiteralEscape(unsigned entry) { return (entry & kLiteralEscape) != 0; }

namespace build {

constexpr uint16_t Entry(unsigned symbol, unsigned bits) {
  return static_cast<uint16_t>(symbol | bits << 8);
}

// Stores entry at every index whose low `length` bits are `code`.
template <typename T, size_t N>
constexpr void Fill(std::array<T, N>& lookup, unsigned offset, unsigned size, unsigned code,
                    unsigned length, T entry) {
  for (unsigned index = code; index < size; index += 1u << length) lookup[offset + index] = entry;
}

constexpr std::array<uint32_t, 256> LengthLookup() {
  std::array<uint32_t, 256> lookup{};
  for (unsigned index = 0; index < 16; ++index) {
    const uint32_t entry = implode::kLengthBases[index] |
                           uint32_t{implode::kLengthExtraBits[index]} << 16 |
                           uint32_t{implode::kLengthCodeLengths[index]} << 24;
    Fill(lookup, 0, 256, implode::kLengthCodes[index], implode::kLengthCodeLengths[index], entry);
  }
  return lookup;
}

constexpr std::array<uint16_t, 256> DistanceLookup() {
  std::array<uint16_t, 256> lookup{};
  for (unsigned index = 0; index < 64; ++index) {
    const unsigned length = implode::kDistanceCodeLengths[index];
    Fill(lookup, 0, 256, implode::kDistanceCodes[index], length, Entry(index, length));
  }
  return lookup;
}

constexpr std::array<uint16_t, 256> LiteralFirst() {
  std::array<uint16_t, 256> lookup{};
  for (unsigned symbol = 0; symbol < 256; ++symbol) {
    const unsigned code = implode::kLiteralCodes[symbol];
    const unsigned length = implode::kLiteralCodeLengths[symbol];
    if (length <= 8) {
      Fill(lookup, 0, 256, code, length, Entry(symbol, length));
    } else if ((code & 0xFF) != 0) {
      const bool after4 = (code & 0x3F) != 0;
      lookup[code & 0xFF] =
          static_cast<uint16_t>(kLiteralEscape | Entry(after4 ? kAfter4 / 128 : kAfter6 / 128,
                                                       after4 ? 4 : 6));
    }
  }
  lookup[0] = static_cast<uint16_t>(kLiteralEscape | Entry(kAfter8 / 128, 8));
  return lookup;
}

constexpr std::array<uint16_t, 640> LiteralSecond() {
  std::array<uint16_t, 640> lookup{};
  for (unsigned symbol = 0; symbol < 256; ++symbol) {
    const unsigned code = implode::kLiteralCodes[symbol];
    const unsigned length = implode::kLiteralCodeLengths[symbol];
    if (length <= 8) continue;
    unsigned prefix = 8, offset = kAfter8, size = 256;
    if ((code & 0xFF) != 0) {
      const bool after4 = (code & 0x3F) != 0;
      prefix = after4 ? 4 : 6;
      offset = after4 ? kAfter4 : kAfter6;
      size = after4 ? 256 : 128;
    }
    Fill(lookup, offset, size, code >> prefix, length - prefix, Entry(symbol, length - prefix));
  }
  return lookup;
}

}  // namespace build

inline constexpr std::array<uint32_t, 256> kLengthDecode = build::LengthLookup();
inline constexpr std::array<uint16_t, 256> kDistanceDecode = build::DistanceLookup();
inline constexpr std::array<uint16_t, 256> kLiteralFirst = build::LiteralFirst();
inline constexpr std::array<uint16_t, 640> kLiteralSecond = build::LiteralSecond();

// The second lookup's entry for an escape entry of the first, given the stream bits
// after the prefix.
inline unsigned SecondLiteral(unsigned first, uint64_t bits_after_prefix) {
  const unsigned offset = EntrySymbol(first) * 128;
  const unsigned mask = offset == kAfter6 ? 0x7F : 0xFF;
  return kLiteralSecond[offset + (static_cast<unsigned>(bits_after_prefix) & mask)];
}

}  // namespace explode_tables
