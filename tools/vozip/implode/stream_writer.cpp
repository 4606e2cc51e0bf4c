#include "stream_writer.h"

#include "cost_model.h"

namespace vozip {

StreamWriter::StreamWriter(uint8_t literal_mode, unsigned dict_bits, std::vector<uint8_t>* out)
    : literal_mode_(literal_mode), dict_bits_(dict_bits), bits_(out) {
  out->push_back(literal_mode);
  out->push_back(static_cast<uint8_t>(dict_bits));
}

void StreamWriter::WriteItems(const Items& items, const uint8_t* data, uint32_t pos) {
  for (const Item item : items) {
    if (IsLiteral(item)) {
      PutLiteral(data[pos]);
    } else {
      PutCopy(item.length, item.distance);
    }
    pos += item.length;
  }
}

void StreamWriter::PutLiteral(uint8_t byte) {
  // Flag 0, then the byte: 8 plain bits or its prefix code.
  if (literal_mode_ == implode::kCodedLiterals) {
    bits_.Put(uint32_t{implode::kLiteralCodes[byte]} << 1,
              1 + implode::kLiteralCodeLengths[byte]);
  } else {
    bits_.Put(uint32_t{byte} << 1, 9);
  }
}

void StreamWriter::PutCopy(unsigned length, unsigned distance) {
  // Flag 1, length code, extra bits: length value = base + extra value.
  const unsigned value = length - implode::kMinCopy;
  const unsigned index = LengthIndex(value);
  const unsigned code_length = implode::kLengthCodeLengths[index];
  bits_.Put(1u | (uint32_t{implode::kLengthCodes[index]} << 1) |
                ((value - implode::kLengthBases[index]) << (1 + code_length)),
            1 + code_length + implode::kLengthExtraBits[index]);
  // Distance code of the high part of distance - 1, then its low bits raw.
  const unsigned low_bits = LowDistanceBits(length, dict_bits_);
  const unsigned back = distance - 1;
  const unsigned distance_index = back >> low_bits;
  bits_.Put(implode::kDistanceCodes[distance_index] |
                ((back & ((1u << low_bits) - 1)) << implode::kDistanceCodeLengths[distance_index]),
            implode::kDistanceCodeLengths[distance_index] + low_bits);
}

void StreamWriter::Finish() {
  // The marker is length value 517: index 15 (code 0000000) with extra bits 11111111.
  // It carries no distance, and nothing after it belongs to the stream.
  const unsigned value = implode::kEndOfStreamValue;
  const unsigned index = LengthIndex(value);
  const unsigned code_length = implode::kLengthCodeLengths[index];
  bits_.Put(1u | (uint32_t{implode::kLengthCodes[index]} << 1) |
                ((value - implode::kLengthBases[index]) << (1 + code_length)),
            kEndOfStreamBits);
  bits_.Flush();
}

}  // namespace vozip
