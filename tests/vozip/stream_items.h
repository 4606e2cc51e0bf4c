// Lists the items of an implode stream, bit by bit, for tests that look inside the
// compressor's output: which copies it made, and exactly how many bits it spent.
// Also rejects what our decoder would quietly accept: a copy reaching back before
// the stream's first byte, a distance beyond what its length may reach.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "explode/implode_format.h"

namespace tsv_test {

struct StreamItem {
  unsigned length;    // 1 for a literal
  unsigned distance;  // 0 for a literal
};

struct StreamListing {
  bool ok = false;
  std::string error;
  uint8_t literal_mode = 0;
  unsigned dict_bits = 0;
  std::vector<StreamItem> items;
  uint64_t output_size = 0;
  uint64_t item_bits = 0;        // bits of all items and the marker
  size_t trailing_bytes = 0;     // whole bytes after the marker's byte
  bool padding_zero = true;      // the bits after the marker in its byte are 0
};

class BitSource {
 public:
  static constexpr unsigned kMaxCodeLength = 13;  // the longest literal codes

  explicit BitSource(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}
  bool Bit(unsigned* bit) {
    if (pos_ >= 8 * (bytes_.size() - 2)) return false;
    *bit = (bytes_[2 + pos_ / 8] >> (pos_ % 8)) & 1u;
    ++pos_;
    return true;
  }
  bool Bits(unsigned count, unsigned* value) {
    *value = 0;
    for (unsigned i = 0; i < count; ++i) {
      unsigned bit;
      if (!Bit(&bit)) return false;
      *value |= bit << i;
    }
    return true;
  }
  // Reads a prefix code: bit by bit, until the bits so far are one symbol's code as
  // sent (bit 0 first). The codes are complete, so some symbol always matches. The
  // format's three tables differ in size, so each N meets one table only.
  template <size_t N>
  bool Code(const std::array<uint16_t, N>& codes, const std::array<uint8_t, N>& lengths,
            unsigned* symbol) {
    static const std::vector<int> by_code = [&] {
      std::vector<int> table(size_t{kMaxCodeLength + 1} << kMaxCodeLength, -1);  // (length, code) -> symbol
      for (unsigned s = 0; s < N; ++s) table[size_t{lengths[s]} << kMaxCodeLength | codes[s]] = int(s);
      return table;
    }();
    unsigned value = 0;
    for (unsigned length = 1; length <= kMaxCodeLength; ++length) {
      unsigned bit;
      if (!Bit(&bit)) return false;
      value |= bit << (length - 1);
      const int found = by_code[size_t{length} << kMaxCodeLength | value];
      if (found >= 0) {
        *symbol = static_cast<unsigned>(found);
        return true;
      }
    }
    return false;
  }
  uint64_t position() const { return pos_; }

 private:
  const std::vector<uint8_t>& bytes_;
  uint64_t pos_ = 0;
};

inline StreamListing ListStream(const std::vector<uint8_t>& stream) {
  StreamListing out;
  if (stream.size() < 2) return out.error = "no header", out;
  out.literal_mode = stream[0];
  out.dict_bits = stream[1];
  if (out.literal_mode > 1) return out.error = "bad literal mode", out;
  if (out.dict_bits < 4 || out.dict_bits > 6) return out.error = "bad dictionary", out;
  BitSource in(stream);
  for (;;) {
    unsigned flag;
    if (!in.Bit(&flag)) return out.error = "input ended", out;
    if (flag == 0) {
      unsigned byte;
      const bool got = out.literal_mode == implode::kCodedLiterals
                           ? in.Code(implode::kLiteralCodes, implode::kLiteralCodeLengths, &byte)
                           : in.Bits(8, &byte);
      if (!got) return out.error = "input ended in a literal", out;
      out.items.push_back({1, 0});
      ++out.output_size;
      continue;
    }
    unsigned index, extra;
    if (!in.Code(implode::kLengthCodes, implode::kLengthCodeLengths, &index) ||
        !in.Bits(implode::kLengthExtraBits[index], &extra)) {
      return out.error = "input ended in a length", out;
    }
    const unsigned value = implode::kLengthBases[index] + extra;
    if (value == implode::kEndOfStreamValue) break;
    const unsigned length = value + 2;
    const unsigned low_bits = length == 2 ? 2 : out.dict_bits;
    unsigned distance_index, low;
    if (!in.Code(implode::kDistanceCodes, implode::kDistanceCodeLengths, &distance_index) ||
        !in.Bits(low_bits, &low)) {
      return out.error = "input ended in a distance", out;
    }
    const unsigned distance = (distance_index << low_bits) + low + 1;
    if (distance > out.output_size) {
      return out.error = "copy reaches before the first byte at output " +
                         std::to_string(out.output_size), out;
    }
    out.items.push_back({length, distance});
    out.output_size += length;
  }
  out.item_bits = in.position();
  const size_t used = 2 + (out.item_bits + 7) / 8;
  out.trailing_bytes = stream.size() - used;
  out.padding_zero = (stream[used - 1] >> (out.item_bits % 8 == 0 ? 8 : out.item_bits % 8)) == 0;
  out.ok = true;
  return out;
}

}  // namespace tsv_test
