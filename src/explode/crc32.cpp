#include "explode/crc32.h"

#include <array>

namespace {

constexpr uint32_t kPolynomial = 0xEDB88320;

// Entry i of table 0 is i put through eight steps of: shift right by one, XOR-ing in
// the polynomial when the bit shifted out was 1. Table k (k > 0) is the CRC of byte i
// followed by k zero bytes, which lets eight bytes be folded in at once.
#if defined(TSV_CRC_ONE_TABLE)
constexpr int kTables = 1;
#else
constexpr int kTables = 8;
#endif

constexpr std::array<std::array<uint32_t, 256>, kTables> MakeCrcTables() {
  std::array<std::array<uint32_t, 256>, kTables> tables{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t value = i;
    for (int step = 0; step < 8; ++step) value = (value >> 1) ^ ((value & 1) ? kPolynomial : 0);
    tables[0][i] = value;
  }
  for (int k = 1; k < kTables; ++k) {
    for (uint32_t i = 0; i < 256; ++i) {
      const uint32_t previous = tables[k - 1][i];
      tables[k][i] = tables[0][previous & 0xFF] ^ (previous >> 8);
    }
  }
  return tables;
}

constexpr auto kCrcTables = MakeCrcTables();
static_assert(kCrcTables[0][128] == kPolynomial);

uint32_t UpdateByte(uint32_t value, uint8_t byte) {
  return kCrcTables[0][(value ^ byte) & 0xFF] ^ (value >> 8);
}

#if !defined(TSV_CRC_ONE_TABLE)
uint32_t LoadLittleEndian32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

// Eight bytes at a time: still one table lookup per byte, but eight independent ones
// instead of a chain of eight.
uint32_t UpdateEight(uint32_t value, const uint8_t* data) {
  const uint32_t low = value ^ LoadLittleEndian32(data);
  const uint32_t high = LoadLittleEndian32(data + 4);
  return kCrcTables[7][low & 0xFF] ^ kCrcTables[6][(low >> 8) & 0xFF] ^
         kCrcTables[5][(low >> 16) & 0xFF] ^ kCrcTables[4][low >> 24] ^
         kCrcTables[3][high & 0xFF] ^ kCrcTables[2][(high >> 8) & 0xFF] ^
         kCrcTables[1][(high >> 16) & 0xFF] ^ kCrcTables[0][high >> 24];
}
#endif

}  // namespace

uint32_t UpdateCrc32(const uint8_t* data, const uint32_t* count, const uint32_t* running) {
  uint32_t value = *running;
  const uint8_t* const end = data + *count;
#if !defined(TSV_CRC_ONE_TABLE)
  for (; end - data >= 8; data += 8) value = UpdateEight(value, data);
#endif
  for (; data != end; ++data) value = UpdateByte(value, *data);
  return value;
}
