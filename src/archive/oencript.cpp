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

// The keystream byte of each position is RandomBelow(256) drawn from the borrowed
// generator: the top byte of the next state. The state lives in locals while the
// buffer is worked through (the buffer's bytes could otherwise alias the global), and
// four consecutive states advance at once, s(j + 4) = a^4 s(j) + (a^3 + a^2 + a + 1),
// so the multiplications do not wait on one another.
void ScrambleBuffer(uint8_t* buffer, int32_t count) {
  if (count <= 0) return;
  SavedRandomSeed = RandomSeed;
  RandomSeed = ScrambleSeed;

  constexpr uint32_t kA2 = kMultiplier * kMultiplier;
  constexpr uint32_t kA3 = kA2 * kMultiplier;
  constexpr uint32_t kA4 = kA3 * kMultiplier;
  constexpr uint32_t kC4 = kA3 + kA2 + kMultiplier + 1;
  uint32_t state = RandomSeed;
  int32_t i = 0;
  if (count >= 4) {
    uint32_t s1 = state * kMultiplier + 1;
    uint32_t s2 = s1 * kMultiplier + 1;
    uint32_t s3 = s2 * kMultiplier + 1;
    uint32_t s4 = s3 * kMultiplier + 1;
    for (; i + 4 <= count; i += 4) {
      buffer[i] ^= static_cast<uint8_t>(s1 >> 24);
      buffer[i + 1] ^= static_cast<uint8_t>(s2 >> 24);
      buffer[i + 2] ^= static_cast<uint8_t>(s3 >> 24);
      buffer[i + 3] ^= static_cast<uint8_t>(s4 >> 24);
      state = s4;
      s1 = s1 * kA4 + kC4;
      s2 = s2 * kA4 + kC4;
      s3 = s3 * kA4 + kC4;
      s4 = s4 * kA4 + kC4;
    }
  }
  for (; i < count; ++i) {
    state = state * kMultiplier + 1;
    buffer[i] ^= static_cast<uint8_t>(state >> 24);
  }

  RandomSeed = state;
  ScrambleSeed = RandomSeed;
  RandomSeed = SavedRandomSeed;
}
