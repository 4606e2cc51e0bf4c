// The key fold, the generator and the keystream.

#include "archive/oencript.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Scrambled(const char* key, Bytes bytes, const std::vector<int32_t>& pieces) {
  SetScrambleKey(key);
  size_t offset = 0;
  for (int32_t piece : pieces) {
    ScrambleBuffer(bytes.data() + offset, piece);
    offset += piece > 0 ? static_cast<size_t>(piece) : 0;
  }
  return bytes;
}

Bytes Sample(size_t size) {
  Bytes bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 3);
  return bytes;
}

TEST(FoldScrambleKey, AddsEachCharacterIntoItsByteWithCarries) {
  struct Case {
    std::string key;
    uint32_t seed;
  };
  const Case cases[] = {
      {"", 0},
      {"A", 0x41 * 256},
      {"abcd", 0x61u << 8 | 0x62u << 16 | 0x63u << 24 | 0x64u},
      {"abcde", (0x61u << 8 | 0x62u << 16 | 0x63u << 24 | 0x64u) + (0x65u << 8)},
      // Carries run upward and wrap at 32 bits.
      {"\xFF\xFF\xFF\xFF\xFF", 0x0000FEFF},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    EXPECT_EQ(FoldScrambleKey(c.key.data(), c.key.size()), c.seed);
  }
}

TEST(FoldScrambleKey, CountsTheLengthIn16Bits) {
  const std::string key(65537, 'x');
  EXPECT_EQ(FoldScrambleKey(key.data(), 65536), 0u);
  EXPECT_EQ(FoldScrambleKey(key.data(), 65537), uint32_t{'x'} << 8);
}

TEST(RandomBelow, StepsTheGeneratorAndScalesTheNewState) {
  RandomSeed = 0x12345678;
  EXPECT_EQ(RandomBelow(256), 203u);
  EXPECT_EQ(RandomSeed, 0xCB5B9059u);
  RandomSeed = 0x12345678;
  EXPECT_EQ(RandomBelow(1000), 794u);
  RandomSeed = 0;
}

TEST(ScrambleBuffer, XorsTheTopBytesOfTheGeneratorStates) {
  const Bytes zeros(8, 0);
  EXPECT_EQ(Scrambled(nullptr, zeros, {8}), (Bytes{0, 8, 220, 51, 69, 171, 81, 41}));
  EXPECT_EQ(Scrambled("", zeros, {8}), Scrambled(nullptr, zeros, {8}));
  EXPECT_EQ(Scrambled("K", zeros, {4}), (Bytes{126, 170, 72, 188, 0, 0, 0, 0}));
}

TEST(ScrambleBuffer, IsItsOwnInverseAndIndependentOfHowTheStreamIsCut) {
  const Bytes plain = Sample(30000);
  const Bytes whole = Scrambled("key", plain, {30000});
  EXPECT_NE(whole, plain);
  EXPECT_EQ(Scrambled("key", whole, {30000}), plain);
  EXPECT_EQ(Scrambled("key", plain, {12596, 12596, 4808}), whole);
  EXPECT_EQ(Scrambled("key", plain, {1, 0, 12596, -5, 1, 17402}), whole);
  EXPECT_NE(Scrambled("kez", plain, {30000}), whole);

  // Byte after byte, the keystream is what RandomBelow(256) draws from the folded key.
  Bytes expected = plain;
  RandomSeed = FoldScrambleKey("key", 3);
  for (uint8_t& byte : expected) byte ^= static_cast<uint8_t>(RandomBelow(256));
  RandomSeed = 0;
  EXPECT_EQ(whole, expected);
}

TEST(ScrambleBuffer, LeavesTheProgramsGeneratorAsItFoundIt) {
  Bytes bytes = Sample(100);
  const Bytes before = bytes;
  RandomSeed = 0xDEADBEEF;
  SetScrambleKey("key");
  ScrambleBuffer(bytes.data(), 0);
  ScrambleBuffer(bytes.data(), -1);
  EXPECT_EQ(bytes, before);  // a count of 0 or less does nothing
  ScrambleBuffer(bytes.data(), 100);
  EXPECT_EQ(RandomSeed, 0xDEADBEEFu);
  EXPECT_EQ(bytes, Scrambled("key", before, {100}));
  RandomSeed = 0;
}

}  // namespace
