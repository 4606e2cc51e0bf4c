// A plain model of the explode decoder, for differential tests and fuzzing.
//
// It follows the format's reference behaviour literally: a bit buffer with exactly
// 8 bits of lookahead that pulls one input byte per consumption when it runs short,
// symbols found by matching the code tables bit by bit instead of through lookups,
// and output kept in one growing vector. It is slow and obviously right; the real
// decoder must agree with it on output, result and the exact sequence of calls.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "explode/implode_format.h"

namespace tsv_test {

struct ModelCall {
  char kind;      // 'R' read (count = bytes delivered) or 'W' write (count = bytes)
  uint32_t count;
  bool operator==(const ModelCall& other) const {
    return kind == other.kind && count == other.count;
  }
};

struct ModelResult {
  uint32_t result = 0;
  std::vector<uint8_t> output;
  std::vector<ModelCall> calls;
};

// Delivers `input` in reads of the sizes given (the last one repeats, each capped
// at 2048 and at what is left).
class ExplodeModel {
 public:
  ExplodeModel(const std::vector<uint8_t>& input, const std::vector<size_t>& read_sizes)
      : input_(input), read_sizes_(read_sizes) {}

  ModelResult Run() {
    in_count_ = Read();
    if (in_count_ <= 4) return Finish(3, false);
    mode_ = buffer_[0];
    dict_bits_ = buffer_[1];
    bits_ = buffer_[2];
    in_pos_ = 3;
    if (dict_bits_ < 4 || dict_bits_ > 6) return Finish(1, false);
    if (mode_ > 1) return Finish(2, false);
    for (;;) {
      const int step = Item();
      if (step == kStarved) return Finish(4, true);
      if (step == kEnd) return Finish(0, true);
      if (result_.output.size() - written_ >= 4096) Write(4096);
    }
  }

 private:
  enum { kDone, kEnd, kStarved };

  uint32_t Read() {
    const size_t want = read_sizes_[std::min(reads_++, read_sizes_.size() - 1)];
    const size_t n = std::min({want, size_t{2048}, input_.size() - offset_});
    if (n > 0) std::memcpy(buffer_, input_.data() + offset_, n);
    offset_ += n;
    result_.calls.push_back({'R', static_cast<uint32_t>(n)});
    return static_cast<uint32_t>(n);
  }

  void Write(size_t count) {
    result_.calls.push_back({'W', static_cast<uint32_t>(count)});
    written_ += count;
  }

  ModelResult Finish(uint32_t result, bool final_write) {
    if (final_write) Write(result_.output.size() - written_);
    result_.result = result;
    return result_;
  }

  unsigned Look() const { return bits_ & 0xFF; }

  // The byte-at-a-time reader: consume n (1..8) bits, keeping 8 bits of lookahead.
  bool Consume(unsigned n) {
    if (n <= extra_) {
      bits_ >>= n;
      extra_ -= n;
      return true;
    }
    bits_ >>= extra_;
    if (in_pos_ == in_count_) {
      in_count_ = Read();
      if (in_count_ == 0) return false;
      in_pos_ = 0;
    }
    bits_ |= uint32_t{buffer_[in_pos_++]} << 8;
    bits_ >>= n - extra_;
    extra_ = 8 - (n - extra_);
    return true;
  }

  // The symbol whose code starts with the `known` bits already consumed (`prefix`)
  // and continues with the lookahead; its remaining length goes to *rest.
  template <size_t N>
  static int Match(const std::array<uint16_t, N>& codes, const std::array<uint8_t, N>& lengths,
                   unsigned prefix, unsigned known, unsigned look, unsigned* rest) {
    for (size_t symbol = 0; symbol < N; ++symbol) {
      const unsigned length = lengths[symbol];
      if (length <= known || length - known > 8) continue;
      const unsigned code = codes[symbol];
      if ((code & ((1u << known) - 1)) != prefix) continue;
      const unsigned tail = code >> known;
      if ((look & ((1u << (length - known)) - 1)) == tail) {
        *rest = length - known;
        return static_cast<int>(symbol);
      }
    }
    return -1;
  }

  int Literal() {
    unsigned rest = 0;
    int symbol;
    if (mode_ == 0) {
      symbol = static_cast<int>(Look());
      rest = 8;
    } else {
      // Codes longer than 8 bits are reached through a prefix of 8, 4 or 6 bits.
      unsigned known = 0;
      unsigned prefix = 0;
      symbol = Match(implode::kLiteralCodes, implode::kLiteralCodeLengths, 0, 0, Look(), &rest);
      if (Look() == 0) {
        known = 8;
      } else if (symbol < 0) {
        known = (Look() & 0x3F) != 0 ? 4 : 6;
      }
      if (known != 0) {
        prefix = Look() & ((1u << known) - 1);
        if (!Consume(known)) return kStarved;
        symbol = Match(implode::kLiteralCodes, implode::kLiteralCodeLengths, prefix, known,
                       Look(), &rest);
      }
    }
    if (!Consume(rest)) return kStarved;
    result_.output.push_back(static_cast<uint8_t>(symbol));
    return kDone;
  }

  int Item() {
    const bool copy = (Look() & 1) != 0;
    if (!Consume(1)) return kStarved;
    if (!copy) return Literal();
    unsigned rest = 0;
    const int index = Match(implode::kLengthCodes, implode::kLengthCodeLengths, 0, 0, Look(), &rest);
    if (!Consume(rest)) return kStarved;
    unsigned value = implode::kLengthBases[index];
    const unsigned extra = implode::kLengthExtraBits[index];
    if (extra != 0) {
      const unsigned extra_value = Look() & ((1u << extra) - 1);
      value += extra_value;
      if (!Consume(extra) && index + extra_value != 270) return kStarved;
    }
    if (value == implode::kEndOfStreamValue) return kEnd;
    const unsigned length = value + 2;
    const int distance_index =
        Match(implode::kDistanceCodes, implode::kDistanceCodeLengths, 0, 0, Look(), &rest);
    if (!Consume(rest)) return kStarved;
    const unsigned low_bits = length == 2 ? 2 : dict_bits_;
    const unsigned low = Look() & ((1u << low_bits) - 1);
    if (!Consume(low_bits)) return kStarved;
    const size_t distance = (size_t(distance_index) << low_bits) + low + 1;
    std::vector<uint8_t>& out = result_.output;
    for (unsigned i = 0; i < length; ++i) {
      // Before the stream's first byte the history reads as zeros.
      out.push_back(out.size() >= distance ? out[out.size() - distance] : 0);
    }
    return kDone;
  }

  const std::vector<uint8_t>& input_;
  std::vector<size_t> read_sizes_;
  size_t offset_ = 0;
  size_t reads_ = 0;
  uint8_t buffer_[2048] = {};
  uint32_t in_pos_ = 0;
  uint32_t in_count_ = 0;
  uint32_t bits_ = 0;
  unsigned extra_ = 0;
  unsigned mode_ = 0;
  unsigned dict_bits_ = 0;
  size_t written_ = 0;
  ModelResult result_;
};

}  // namespace tsv_test
