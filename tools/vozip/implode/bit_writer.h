// Packs bits into bytes the way the stream is read: each byte is filled from its
// least significant bit up, and a value's bit 0 goes first.
#pragma once

#include <cstdint>
#include <vector>

namespace vozip {

class BitWriter {
 public:
  explicit BitWriter(std::vector<uint8_t>* out) : out_(out) {}

  // Appends the low `count` bits of `bits` (count <= 32; higher bits must be 0).
  void Put(uint32_t bits, unsigned count) {
    pending_ |= uint64_t{bits} << pending_count_;
    pending_count_ += count;
    if (pending_count_ >= 32) {
      const uint32_t word = static_cast<uint32_t>(pending_);
      const uint8_t bytes[4] = {static_cast<uint8_t>(word), static_cast<uint8_t>(word >> 8),
                                static_cast<uint8_t>(word >> 16),
                                static_cast<uint8_t>(word >> 24)};
      out_->insert(out_->end(), bytes, bytes + 4);
      pending_ >>= 32;
      pending_count_ -= 32;
    }
  }

  // Writes out the last, partly filled byte; its unused high bits are 0.
  void Flush() {
    for (; pending_count_ > 0; pending_count_ -= pending_count_ < 8 ? pending_count_ : 8) {
      out_->push_back(static_cast<uint8_t>(pending_));
      pending_ >>= 8;
    }
  }

 private:
  std::vector<uint8_t>* out_;
  uint64_t pending_ = 0;
  unsigned pending_count_ = 0;  // below 32 between calls
};

}  // namespace vozip
