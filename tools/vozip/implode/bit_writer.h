// Packs bits into bytes the way the stream is read: each byte is filled from its
// least significant bit up, and a value's bit 0 goes first.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

namespace vozip {

// The packing itself, over room reserved in advance. A local copy of it keeps its
// state in registers while a loop of items runs.
struct BitPacker {
  uint8_t* out;
  uint64_t pending;
  unsigned pending_count;  // below 32 between calls

  // Appends the low `count` bits of `bits` (count <= 32; higher bits must be 0).
  void Put(uint32_t bits, unsigned count) {
    pending |= uint64_t{bits} << pending_count;
    pending_count += count;
    if (pending_count >= 32) {
      const uint8_t word[4] = {static_cast<uint8_t>(pending), static_cast<uint8_t>(pending >> 8),
                               static_cast<uint8_t>(pending >> 16),
                               static_cast<uint8_t>(pending >> 24)};
      std::memcpy(out, word, 4);
      out += 4;
      pending >>= 32;
      pending_count -= 32;
    }
  }
};

class BitWriter {
 public:
  // A packer with room for `bytes` more bytes (each Put of up to 32 bits stores at
  // most 4); hand it back with Release.
  BitPacker Reserve(size_t bytes) {
    if (buffer_.size() < used_ + bytes + 8) buffer_.resize(2 * (used_ + bytes + 8));
    return {buffer_.data() + used_, pending_, pending_count_};
  }
  void Release(const BitPacker& packer) {
    used_ = static_cast<size_t>(packer.out - buffer_.data());
    pending_ = packer.pending;
    pending_count_ = packer.pending_count;
  }

  void PutByte(uint8_t byte) {
    BitPacker packer = Reserve(1);
    packer.Put(byte, 8);
    Release(packer);
    Flush();
  }

  // Writes out the last, partly filled byte; its unused high bits are 0.
  void Flush() {
    Reserve(4);
    for (; pending_count_ > 0; pending_count_ -= pending_count_ < 8 ? pending_count_ : 8) {
      buffer_[used_++] = static_cast<uint8_t>(pending_);
      pending_ >>= 8;
    }
  }

  // The whole bytes written since the last Clear.
  const uint8_t* data() const { return buffer_.data(); }
  size_t size() const { return used_; }
  void Clear() { used_ = 0; }

 private:
  std::vector<uint8_t> buffer_;
  size_t used_ = 0;
  uint64_t pending_ = 0;
  unsigned pending_count_ = 0;
};

}  // namespace vozip
