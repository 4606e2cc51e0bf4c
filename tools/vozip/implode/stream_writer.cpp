#include "stream_writer.h"

#include "cost_model.h"

namespace vozip {
namespace {

// Flag 1, the length code, then the extra bits: length value = base + extra value.
// The marker is length value 517 (index 15 with extra bits 11111111).
uint32_t LengthBits(unsigned length_value) {
  const unsigned index = LengthIndex(length_value);
  return 1u | (uint32_t{implode::kLengthCodes[index]} << 1) |
         ((length_value - implode::kLengthBases[index]) << (1 + implode::kLengthCodeLengths[index]));
}

unsigned LengthBitCount(unsigned length_value) {
  const unsigned index = LengthIndex(length_value);
  return 1 + implode::kLengthCodeLengths[index] + implode::kLengthExtraBits[index];
}

}  // namespace

StreamWriter::StreamWriter(uint8_t literal_mode, unsigned dict_bits) {
  bits_.PutByte(literal_mode);
  bits_.PutByte(static_cast<uint8_t>(dict_bits));

  // Flag 0, then the byte: 8 plain bits or its prefix code.
  for (unsigned byte = 0; byte < 256; ++byte) {
    literal_[byte] = literal_mode == implode::kCodedLiterals
                         ? Code{uint32_t{implode::kLiteralCodes[byte]} << 1,
                                1u + implode::kLiteralCodeLengths[byte]}
                         : Code{uint32_t{byte} << 1, 9};
  }
  for (unsigned length = implode::kMinCopy; length <= implode::kMaxCopy; ++length) {
    length_[length] = {LengthBits(length - implode::kMinCopy),
                       LengthBitCount(length - implode::kMinCopy)};
  }
  // The distance code of the high part of distance - 1, then its low bits raw: 2 for
  // length-2 copies, d for longer ones.
  auto distance_code = [](unsigned distance, unsigned low_bits) {
    const unsigned back = distance - 1;
    const unsigned index = back >> low_bits;
    return Code{implode::kDistanceCodes[index] |
                    ((back & ((1u << low_bits) - 1)) << implode::kDistanceCodeLengths[index]),
                implode::kDistanceCodeLengths[index] + low_bits};
  };
  for (unsigned distance = 1; distance < short_distance_.size(); ++distance) {
    short_distance_[distance] = distance_code(distance, implode::kShortCopyLowBits);
  }
  for (unsigned distance = 1; distance <= (64u << dict_bits); ++distance) {
    long_distance_[distance] = distance_code(distance, dict_bits);
  }
}

void StreamWriter::WriteItems(const Items& items, const uint8_t* data, uint32_t pos) {
  BitPacker packer = bits_.Reserve(4 * items.size());  // no item takes more than 30 bits
  for (const Item item : items) {
    if (IsLiteral(item)) {
      const Code literal = literal_[data[pos]];
      packer.Put(literal.bits, literal.count);
    } else {
      // At most 16 bits of length and 14 of distance: one Put takes both.
      const Code length = length_[item.length];
      const Code distance = item.length == implode::kMinCopy ? short_distance_[item.distance]
                                                             : long_distance_[item.distance];
      packer.Put(length.bits | (distance.bits << length.count), length.count + distance.count);
    }
    pos += item.length;
  }
  bits_.Release(packer);
}

void StreamWriter::WriteItemsTwice(const Items& items, const uint8_t* data, uint32_t pos,
                                   StreamWriter& first, StreamWriter& second) {
  BitPacker packer1 = first.bits_.Reserve(4 * items.size());
  BitPacker packer2 = second.bits_.Reserve(4 * items.size());
  for (const Item item : items) {
    if (IsLiteral(item)) {
      const Code literal1 = first.literal_[data[pos]];
      const Code literal2 = second.literal_[data[pos]];
      packer1.Put(literal1.bits, literal1.count);
      packer2.Put(literal2.bits, literal2.count);
    } else {
      // Copies have the same codes in both modes.
      const Code length = first.length_[item.length];
      const Code distance = item.length == implode::kMinCopy
                                ? first.short_distance_[item.distance]
                                : first.long_distance_[item.distance];
      const uint32_t bits = length.bits | (distance.bits << length.count);
      packer1.Put(bits, length.count + distance.count);
      packer2.Put(bits, length.count + distance.count);
    }
    pos += item.length;
  }
  first.bits_.Release(packer1);
  second.bits_.Release(packer2);
}

void StreamWriter::Finish() {
  // Nothing after the marker belongs to the stream; it carries no distance.
  BitPacker packer = bits_.Reserve(4);
  packer.Put(LengthBits(implode::kEndOfStreamValue), kEndOfStreamBits);
  bits_.Release(packer);
  bits_.Flush();
}

}  // namespace vozip
