#include "explode/crc32.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

uint32_t Crc(const std::string& text, uint32_t running = kCrc32Preset) {
  const uint32_t count = static_cast<uint32_t>(text.size());
  return UpdateCrc32(reinterpret_cast<const uint8_t*>(text.data()), &count, &running);
}

TEST(Crc32, RunningValueIsTheComplementOfTheUsualCrc) {
  EXPECT_EQ(Crc("abc"), 0xCADBBE3Du);
  EXPECT_EQ(~Crc("abc"), 0x352441C2u);
  EXPECT_EQ(~Crc("123456789"), 0xCBF43926u);  // the usual check value
  EXPECT_EQ(Crc(""), kCrc32Preset);
  EXPECT_EQ(Crc("", 0x12345678), 0x12345678u);
}

TEST(Crc32, BlocksOfAnySizeCarryOver) {
  std::string data;
  for (int i = 0; i < 10000; ++i) data.push_back(static_cast<char>(i * 131 + (i >> 5)));
  const uint32_t whole = Crc(data);
  for (size_t block : {1u, 3u, 4096u, 9999u}) {
    uint32_t running = kCrc32Preset;
    for (size_t at = 0; at < data.size(); at += block) running = Crc(data.substr(at, block), running);
    EXPECT_EQ(running, whole) << block;
  }
}

}  // namespace
