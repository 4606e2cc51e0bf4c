#include "cost_model.h"

namespace vozip {

const std::array<uint8_t, implode::kEndOfStreamValue + 1>& LengthIndexTable() {
  static const auto table = [] {
    std::array<uint8_t, implode::kEndOfStreamValue + 1> t{};
    unsigned index = 0;
    for (unsigned value = 0; value < t.size(); ++value) {
      while (index + 1 < implode::kLengthBases.size() && implode::kLengthBases[index + 1] <= value) {
        ++index;
      }
      t[value] = static_cast<uint8_t>(index);
    }
    return t;
  }();
  return table;
}

CostModel MakeCostModel(uint8_t literal_mode, unsigned dict_bits) {
  CostModel m{};
  m.literal_mode = literal_mode;
  m.dict_bits = dict_bits;
  for (unsigned byte = 0; byte < 256; ++byte) {
    m.literal[byte] = static_cast<uint8_t>(
        1 + (literal_mode == implode::kCodedLiterals ? implode::kLiteralCodeLengths[byte] : 8));
  }
  for (unsigned len = implode::kMinCopy; len <= implode::kMaxCopy; ++len) {
    const unsigned index = LengthIndex(len - implode::kMinCopy);
    m.length[len] = static_cast<uint8_t>(1 + implode::kLengthCodeLengths[index] +
                                         implode::kLengthExtraBits[index]);
  }
  for (unsigned distance = 1; distance < m.short_distance.size(); ++distance) {
    const unsigned index = (distance - 1) >> implode::kShortCopyLowBits;
    m.short_distance[distance] =
        static_cast<uint8_t>(implode::kDistanceCodeLengths[index] + implode::kShortCopyLowBits);
  }
  for (unsigned distance = 1; distance <= (64u << dict_bits); ++distance) {
    const unsigned index = (distance - 1) >> dict_bits;
    m.long_distance[distance] =
        static_cast<uint8_t>(implode::kDistanceCodeLengths[index] + dict_bits);
  }
  return m;
}

}  // namespace vozip
