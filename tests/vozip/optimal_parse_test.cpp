// Level 9 against other parses: never longer than any other level, and exactly as
// short as a brute-force shortest path that tries every distance in the dictionary.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "explode/implode_format.h"
#include "implode/implode.h"
#include "stream_items.h"
#include "test_data.h"

namespace {

using tsv_test::Bytes;
using vozip::ImplodeOptions;
using vozip::LiteralMode;

constexpr unsigned kDictSizes[] = {1024, 2048, 4096};
constexpr LiteralMode kFixedModes[] = {LiteralMode::kRaw, LiteralMode::kCoded};

// Bits of the stream after its header: every item and the marker.
uint64_t StreamBits(const Bytes& input, const ImplodeOptions& options) {
  const auto listing = tsv_test::ListStream(vozip::Implode(input.data(), input.size(), options));
  EXPECT_TRUE(listing.ok) << listing.error;
  return listing.item_bits;
}

// The format's cost of each item, straight from its tables.
unsigned LiteralBits(uint8_t byte, LiteralMode mode) {
  return 1 + (mode == LiteralMode::kCoded ? implode::kLiteralCodeLengths[byte] : 8);
}

unsigned CopyBits(unsigned length, unsigned distance, unsigned dict_bits) {
  unsigned index = 0;
  while (index < 15 && implode::kLengthBases[index + 1] <= length - 2) ++index;
  const unsigned low_bits = length == 2 ? 2 : dict_bits;
  return 1 + implode::kLengthCodeLengths[index] + implode::kLengthExtraBits[index] +
         implode::kDistanceCodeLengths[(distance - 1) >> low_bits] + low_bits;
}

// Shortest path over every literal and every copy the format allows: each distance
// up to the dictionary size, each length up to what matches there.
uint64_t BruteForceBits(const Bytes& in, LiteralMode mode, unsigned dict_size) {
  const unsigned dict_bits = dict_size == 1024 ? 4 : dict_size == 2048 ? 5 : 6;
  const size_t n = in.size();
  std::vector<uint64_t> best(n + 1, UINT64_MAX);
  best[0] = 0;
  for (size_t i = 0; i < n; ++i) {
    best[i + 1] = std::min(best[i + 1], best[i] + LiteralBits(in[i], mode));
    for (size_t distance = 1; distance <= std::min<size_t>(i, dict_size); ++distance) {
      size_t match = 0;
      while (match < 518 && i + match < n && in[i + match] == in[i + match - distance]) ++match;
      for (size_t length = 2; length <= match; ++length) {
        if (length == 2 && distance > 256) continue;
        const uint64_t cost = best[i] + CopyBits(static_cast<unsigned>(length),
                                                 static_cast<unsigned>(distance), dict_bits);
        best[i + length] = std::min(best[i + length], cost);
      }
    }
  }
  return best[n] + 16;  // the end-of-stream marker
}

struct Input {
  std::string name;
  Bytes data;
};

TEST(OptimalParse, EqualsBruteForceShortestPath) {
  Bytes pairs_near_and_far = tsv_test::PairRepeatedAt(256, 5);
  const Bytes far_pair = tsv_test::PairRepeatedAt(257, 6);
  pairs_near_and_far.insert(pairs_near_and_far.end(), far_pair.begin(), far_pair.end());
  const Input inputs[] = {
      {"two_letters", tsv_test::RandomBytes(1100, 1, 2)},
      {"four_letters", tsv_test::RandomBytes(800, 2, 4)},
      {"text", tsv_test::Text(1100, 3)},
      {"binary_with_repeats", tsv_test::BinaryWithRepeats(1100, 4)},
      {"run", tsv_test::Run(300, 0)},
      {"pairs_near_and_far", pairs_near_and_far},
      {"repeat_beyond_small_dictionary", tsv_test::RepeatAt(1500, 200, 7)},
  };
  for (const Input& input : inputs) {
    for (unsigned dict : kDictSizes) {
      for (LiteralMode mode : kFixedModes) {
        SCOPED_TRACE(input.name + ", dict " + std::to_string(dict) +
                     (mode == LiteralMode::kRaw ? ", raw" : ", coded"));
        EXPECT_EQ(StreamBits(input.data, {mode, dict, 9}),
                  BruteForceBits(input.data, mode, dict));
      }
    }
  }
}

TEST(OptimalParse, NeverLongerThanAnyOtherLevel) {
  Bytes mixed = tsv_test::Text(8000, 11);
  const Bytes binary = tsv_test::BinaryWithRepeats(8000, 12);
  mixed.insert(mixed.end(), binary.begin(), binary.end());
  const Input inputs[] = {
      {"text", tsv_test::Text(12000, 13)},
      {"binary_with_repeats", tsv_test::BinaryWithRepeats(16000, 14)},
      {"four_letters", tsv_test::RandomBytes(8000, 15, 4)},
      {"text_then_binary", mixed},
  };
  for (const Input& input : inputs) {
    for (unsigned dict : kDictSizes) {
      for (LiteralMode mode : kFixedModes) {
        const uint64_t best = StreamBits(input.data, {mode, dict, 9});
        for (int level = 1; level <= 8; ++level) {
          EXPECT_LE(best, StreamBits(input.data, {mode, dict, level}))
              << input.name << ", dict " << dict << ", level " << level
              << (mode == LiteralMode::kRaw ? ", raw" : ", coded");
        }
      }
    }
  }
}

}  // namespace
