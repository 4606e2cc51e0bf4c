// Writes implode streams item by item, for tests that need streams of a known shape:
// a given item cut at a given bit, a copy at a given window position, a marker that
// ends on a byte boundary. Encodes with the format's code tables, bit 0 first.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "explode/implode_format.h"

namespace tsv_test {

class StreamBuilder {
 public:
  StreamBuilder(uint8_t literal_mode, uint8_t dict_bits) : mode_(literal_mode), dict_bits_(dict_bits) {
    bytes_ = {literal_mode, dict_bits};
  }

  StreamBuilder& Literal(uint8_t byte) {
    Put(0, 1);
    if (mode_ == implode::kCodedLiterals) {
      Put(implode::kLiteralCodes[byte], implode::kLiteralCodeLengths[byte]);
    } else {
      Put(byte, 8);
    }
    return *this;
  }

  StreamBuilder& Literals(const std::string& text) {
    for (char c : text) Literal(static_cast<uint8_t>(c));
    return *this;
  }

  StreamBuilder& Copy(unsigned length, unsigned distance) {
    const unsigned low_bits = length == 2 ? implode::kShortCopyLowBits : dict_bits_;
    if (length < 2 || length > 518 || distance < 1 || distance > (64u << low_bits)) {
      throw std::invalid_argument("copy out of range");
    }
    PutLengthValue(length - 2);
    const unsigned d = distance - 1;
    const unsigned index = d >> low_bits;
    Put(implode::kDistanceCodes[index], implode::kDistanceCodeLengths[index]);
    Put(d & ((1u << low_bits) - 1), low_bits);
    return *this;
  }

  StreamBuilder& End() {
    PutLengthValue(implode::kEndOfStreamValue);
    return *this;
  }

  // Bits written after the two header bytes.
  size_t bit_count() const { return bit_count_; }
  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  void PutLengthValue(unsigned value) {
    Put(1, 1);
    unsigned index = 15;
    while (implode::kLengthBases[index] > value) --index;
    Put(implode::kLengthCodes[index], implode::kLengthCodeLengths[index]);
    Put(value - implode::kLengthBases[index], implode::kLengthExtraBits[index]);
  }

  void Put(unsigned value, unsigned count) {
    for (unsigned i = 0; i < count; ++i, ++bit_count_) {
      if (bit_count_ % 8 == 0) bytes_.push_back(0);
      bytes_.back() |= static_cast<uint8_t>(((value >> i) & 1u) << (bit_count_ % 8));
    }
  }

  uint8_t mode_;
  unsigned dict_bits_;
  std::vector<uint8_t> bytes_;
  size_t bit_count_ = 0;
};

}  // namespace tsv_test
