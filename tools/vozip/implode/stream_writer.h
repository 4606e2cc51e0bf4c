// Turns parsed items into the bytes of a stream in one literal mode.
#pragma once

#include <array>
#include <cstdint>

#include "bit_writer.h"
#include "explode/implode_format.h"
#include "parse.h"

namespace vozip {

class StreamWriter {
 public:
  // Starts the stream with its two header bytes.
  StreamWriter(uint8_t literal_mode, unsigned dict_bits);

  // Encodes items covering the input from `pos` on; `data` holds the literals.
  void WriteItems(const Items& items, const uint8_t* data, uint32_t pos);

  // Encodes the same items into two writers of the same dictionary in one pass:
  // only literals differ between the modes.
  static void WriteItemsTwice(const Items& items, const uint8_t* data, uint32_t pos,
                              StreamWriter& first, StreamWriter& second);

  // Appends the end-of-stream marker and the last partial byte.
  void Finish();

  // The bytes completed since the last ClearOutput.
  const uint8_t* data() const { return bits_.data(); }
  size_t size() const { return bits_.size(); }
  void ClearOutput() { bits_.Clear(); }

 private:
  // An item's bits as they are sent, first bit in bit 0.
  struct Code {
    uint32_t bits;
    uint32_t count;
  };

  BitWriter bits_;
  std::array<Code, 256> literal_;                     // flag and byte
  std::array<Code, implode::kMaxCopy + 1> length_;    // flag, length code, extra bits
  std::array<Code, implode::kMaxShortCopyDistance + 1> short_distance_;  // length-2 copies
  std::array<Code, (64u << implode::kMaxDictBits) + 1> long_distance_;
};

}  // namespace vozip
