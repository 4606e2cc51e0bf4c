#include "archive/oencript.h"

#include <cstring>

uint32_t RandomSeed = 0;

namespace {

uint32_t ScrambleSeed = 0;  // the keystream state between ScrambleBuffer calls
uint32_t SavedRandomSeed = 0;

constexpr uint32_t kMultiplier = 0x08088405;

}  // namespace

uint32_t FoldScrambleKey(const char* key, size_t length) {
  const uint16_t counted = static_cast<uint16_t>(length);
  uint32_t seed = 0;
  for (uint32_t i = 1; i <= counted; ++i) {
    seed += static_cast<uint32_t>(static_cast<uint8_t>(key[i - 1])) << (8 * (i % 4));
  }
  return seed;
}

void SetScrambleKey(const char* key) {
  ScrambleSeed = key != nullptr ? FoldScrambleKey(key, std::strlen(key)) : 0;
}

uint32_t RandomBelow(uint32_t range) {
  RandomSeed = RandomSeed * kMultiplier + 1;
  return static_cast<uint32_t>((static_cast<uint64_t>(range) * RandomSeed) >> 32);
}

void ScrambleBuffer(uint8_t* buffer, int32_t count) {
  if (count <= 0) return;
  SavedRandomSeed = RandomSeed;
  RandomSeed = ScrambleSeed;
  for (int32_t i = 0; i < count; ++i) buffer[i] ^= static_cast<uint8_t>(RandomBelow(256));
  ScrambleSeed = RandomSeed;
  RandomSeed = SavedRandomSeed;
}
