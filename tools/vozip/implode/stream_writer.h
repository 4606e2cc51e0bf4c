// Turns parsed items into the bytes of a stream in one literal mode.
#pragma once

#include <cstdint>
#include <vector>

#include "bit_writer.h"
#include "parse.h"

namespace vozip {

class StreamWriter {
 public:
  // Writes the two header bytes into `out`; everything after is appended to it.
  StreamWriter(uint8_t literal_mode, unsigned dict_bits, std::vector<uint8_t>* out);

  // Encodes items covering the input from `pos` on; `data` holds the literals.
  void WriteItems(const Items& items, const uint8_t* data, uint32_t pos);

  // Appends the end-of-stream marker and the last partial byte.
  void Finish();

 private:
  void PutLiteral(uint8_t byte);
  void PutCopy(unsigned length, unsigned distance);

  uint8_t literal_mode_;
  unsigned dict_bits_;
  BitWriter bits_;
};

}  // namespace vozip
