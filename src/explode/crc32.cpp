#include "explode/crc32.h"

#include <array>

namespace {

constexpr uint32_t kPolynomial = 0xEDB88320;

// Entry i is i put through eight steps of: shift right by one, XOR-ing in the
// polynomial when the bit shifted out was 1.
constexpr std::array<uint32_t, 256> MakeCrcTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t value = i;
    for (int step = 0; step < 8; ++step) value = (value >> 1) ^ ((value & 1) ? kPolynomial : 0);
    table[i] = value;
  }
  return table;
}

constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();
static_assert(kCrcTable[128] == kPolynomial);

}  // namespace

uint32_t UpdateCrc32(const uint8_t* data, const uint32_t* count, const uint32_t* running) {
  uint32_t value = *running;
  const uint8_t* const end = data + *count;
  for (; data != end; ++data) value = kCrcTable[(value ^ *data) & 0xFF] ^ (value >> 8);
  return value;
}
