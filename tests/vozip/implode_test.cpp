// The compressor seen through our decoder and through a listing of its items: every
// stream decodes to its input, uses only copies the format allows, and reaches as
// far as the format lets it.

#include "implode/implode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "explode/crc32.h"
#include "implode/encoder.h"
#include "stream_items.h"
#include "test_data.h"

namespace {

using tsv_test::Bytes;
using vozip::ImplodeOptions;
using vozip::LiteralMode;

constexpr LiteralMode kModes[] = {LiteralMode::kRaw, LiteralMode::kCoded, LiteralMode::kAuto};
constexpr unsigned kDictSizes[] = {1024, 2048, 4096};

unsigned DictBits(unsigned dict_size) { return dict_size == 1024 ? 4 : dict_size == 2048 ? 5 : 6; }

std::string Describe(const ImplodeOptions& o) {
  const char* mode = o.literals == LiteralMode::kRaw     ? "raw"
                     : o.literals == LiteralMode::kCoded ? "coded"
                                                         : "auto";
  return std::string("level ") + std::to_string(o.level) + ", " + mode + ", dict " +
         std::to_string(o.dict_size);
}

Bytes Compress(const Bytes& input, const ImplodeOptions& options) {
  return vozip::Implode(input.data(), input.size(), options);
}

// Decodes `stream` and lists its items; checks all a stream of `input` must be.
void ExpectValidStreamOf(const Bytes& stream, const Bytes& input, const ImplodeOptions& o) {
  ASSERT_GE(stream.size(), 4u);
  if (o.literals != LiteralMode::kAuto) {
    EXPECT_EQ(stream[0], o.literals == LiteralMode::kCoded ? 1 : 0);
  }
  EXPECT_EQ(stream[1], DictBits(o.dict_size));

  const tsv_test::StreamListing listing = tsv_test::ListStream(stream);
  ASSERT_TRUE(listing.ok) << listing.error;
  EXPECT_EQ(listing.output_size, input.size());
  EXPECT_EQ(listing.trailing_bytes, 0u) << "bytes after the marker's byte";
  EXPECT_TRUE(listing.padding_zero);
  for (const auto& item : listing.items) {
    if (item.distance == 0) continue;
    ASSERT_GE(item.length, 2u);
    ASSERT_LE(item.length, 518u);
    ASSERT_LE(item.distance, item.length == 2 ? 256u : o.dict_size);
  }

  // Our decoder refuses streams of 4 bytes or fewer (the archive reads such an
  // entry as an empty file); bytes after the marker are never read, so one more
  // shows the stream itself is complete.
  Bytes padded = stream;
  if (padded.size() == 4) padded.push_back(0);
  const tsv_test::Decoded decoded = tsv_test::Explode(padded);
  EXPECT_EQ(decoded.result, 0u);
  EXPECT_TRUE(decoded.output == input) << "decoded output differs from the input";
}

struct Input {
  std::string name;
  Bytes data;
};

std::vector<Input> Inputs() {
  Bytes mixed = tsv_test::Text(3000, 7);
  const Bytes binary = tsv_test::BinaryWithRepeats(6000, 8);
  mixed.insert(mixed.end(), binary.begin(), binary.end());
  auto sized = [&](size_t n) { return Bytes(mixed.begin(), mixed.begin() + n); };
  Bytes run518_twice = tsv_test::RandomBytes(518, 3);
  run518_twice.insert(run518_twice.end(), run518_twice.begin(), run518_twice.end());
  return {
      {"empty", {}},
      {"one_byte", {0x41}},
      {"two_equal_bytes", {0, 0}},
      {"three_equal_bytes", {7, 7, 7}},
      {"run_518", tsv_test::Run(518, 'a')},
      {"run_519", tsv_test::Run(519, 'a')},
      {"run_520", tsv_test::Run(520, 0)},
      {"run_1037", tsv_test::Run(1037, 0xFF)},
      {"random_block_twice_518", run518_twice},
      {"text", tsv_test::Text(5000, 1)},
      {"random", tsv_test::RandomBytes(5000, 2)},
      {"two_letters", tsv_test::RandomBytes(3000, 4, 2)},
      {"binary_with_repeats", tsv_test::BinaryWithRepeats(12000, 5)},
      {"repeat_at_1024", tsv_test::RepeatAt(1024, 600, 6)},
      {"repeat_at_4096", tsv_test::RepeatAt(4096, 600, 6)},
      {"repeat_at_4097", tsv_test::RepeatAt(4097, 600, 6)},
      {"pair_at_256", tsv_test::PairRepeatedAt(256, 9)},
      {"pair_at_257", tsv_test::PairRepeatedAt(257, 9)},
      {"size_4095", sized(4095)},
      {"size_4096", sized(4096)},
      {"size_4097", sized(4097)},
      {"size_8191", sized(8191)},
      {"size_8192", sized(8192)},
      {"size_8193", sized(8193)},
  };
}

class ImplodeRoundTrip : public ::testing::TestWithParam<Input> {};

TEST_P(ImplodeRoundTrip, EveryLevelModeAndDictionary) {
  const Bytes& input = GetParam().data;
  for (int level = 1; level <= 9; ++level) {
    for (unsigned dict : kDictSizes) {
      Bytes by_mode[3];
      for (int m = 0; m < 3; ++m) {
        const ImplodeOptions o{kModes[m], dict, level};
        SCOPED_TRACE(Describe(o));
        by_mode[m] = Compress(input, o);
        ExpectValidStreamOf(by_mode[m], input, o);
        if (HasFatalFailure() || HasFailure()) return;  // one report per input is enough
      }
      // Auto is whichever of the two is smaller, raw on a tie.
      const Bytes& smaller = by_mode[1].size() < by_mode[0].size() ? by_mode[1] : by_mode[0];
      EXPECT_EQ(by_mode[2], smaller) << "auto, level " << level << ", dict " << dict;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Inputs, ImplodeRoundTrip, ::testing::ValuesIn(Inputs()),
                         [](const auto& param_info) { return param_info.param.name; });

TEST(ImplodeStreams, EmptyInputIsHeaderAndMarkerOnly) {
  for (unsigned dict : kDictSizes) {
    const uint8_t d = static_cast<uint8_t>(DictBits(dict));
    EXPECT_EQ(Compress({}, {LiteralMode::kRaw, dict, 6}), (Bytes{0, d, 0x01, 0xFF}));
    EXPECT_EQ(Compress({}, {LiteralMode::kCoded, dict, 9}), (Bytes{1, d, 0x01, 0xFF}));
    EXPECT_EQ(Compress({}, {LiteralMode::kAuto, dict, 1}), (Bytes{0, d, 0x01, 0xFF}));
  }
}

TEST(ImplodeStreams, CodedLiteralsWinOnTextRawOnRandomBytes) {
  const Bytes text = tsv_test::Text(4000, 11);
  const Bytes random = tsv_test::RandomBytes(4000, 12);
  for (int level : {1, 6, 9}) {
    EXPECT_EQ(Compress(text, {LiteralMode::kAuto, 4096, level})[0], 1) << level;
    EXPECT_EQ(Compress(random, {LiteralMode::kAuto, 4096, level})[0], 0) << level;
  }
}

// A copy the level-9 parse must find: `length` bytes seen `distance` bytes earlier
// and nowhere else.
bool HasCopy(const Bytes& stream, unsigned length, unsigned distance) {
  for (const auto& item : tsv_test::ListStream(stream).items) {
    if (item.length >= length && item.distance == distance) return true;
  }
  return false;
}

TEST(ImplodeReach, LongCopiesReachTheWholeDictionaryAndNoFurther) {
  for (unsigned dict : kDictSizes) {
    SCOPED_TRACE(dict);
    const Bytes at_limit = tsv_test::RepeatAt(dict, 300, 21);
    const Bytes beyond = tsv_test::RepeatAt(dict + 1, 300, 21);
    for (int level : {2, 6, 9}) {
      const Bytes near = Compress(at_limit, {LiteralMode::kRaw, dict, level});
      EXPECT_TRUE(HasCopy(near, 300, dict)) << "level " << level;
      // Out of reach, the repeat costs its 300 literals.
      const Bytes far = Compress(beyond, {LiteralMode::kRaw, dict, level});
      EXPECT_GT(far.size(), near.size() + 280) << "level " << level;
    }
  }
}

TEST(ImplodeReach, LengthTwoCopiesReach256Back) {
  const Bytes at_limit = tsv_test::PairRepeatedAt(256, 31);
  const Bytes beyond = tsv_test::PairRepeatedAt(257, 31);
  for (unsigned dict : kDictSizes) {
    for (int level : {2, 6, 9}) {
      SCOPED_TRACE(Describe({LiteralMode::kRaw, dict, level}));
      // Raw literals cost 18 bits for two bytes; the copy 14.
      EXPECT_TRUE(HasCopy(Compress(at_limit, {LiteralMode::kRaw, dict, level}), 2, 256));
      const auto listing = tsv_test::ListStream(Compress(beyond, {LiteralMode::kRaw, dict, level}));
      for (const auto& item : listing.items) EXPECT_EQ(item.distance, 0u);
    }
  }
}

TEST(ImplodeReach, LongestCopiesAre518) {
  // 'a' then one copy of 518 at distance 1; one byte more needs a further item.
  for (int level : {1, 6, 9}) {
    const auto listing =
        tsv_test::ListStream(Compress(tsv_test::Run(519, 'a'), {LiteralMode::kRaw, 4096, level}));
    ASSERT_EQ(listing.items.size(), 2u) << level;
    EXPECT_EQ(listing.items[1].length, 518u);
    EXPECT_EQ(listing.items[1].distance, 1u);
    EXPECT_EQ(tsv_test::ListStream(Compress(tsv_test::Run(520, 'a'),
                                            {LiteralMode::kRaw, 4096, level}))
                  .items.size(),
              3u)
        << level;
  }
}

// Seeds come from VOZIP_TEST_SEED when set, so a failure can be replayed.
uint32_t BaseSeed() {
  const char* text = std::getenv("VOZIP_TEST_SEED");
  return text != nullptr ? static_cast<uint32_t>(std::strtoul(text, nullptr, 10)) : 20240601u;
}

// Random inputs built from pieces with every shape a parser meets: random bytes
// over alphabets of any size, runs, and copies of earlier stretches.
Bytes RandomInput(std::mt19937& rng) {
  const size_t size = rng() % 3 == 0 ? rng() % 64 : rng() % 24000;
  const unsigned alphabet = 2 + rng() % 255;
  Bytes out;
  while (out.size() < size) {
    switch (rng() % 3) {
      case 0:
        for (unsigned n = 1 + rng() % 300; n > 0; --n) {
          out.push_back(static_cast<uint8_t>(rng() % alphabet));
        }
        break;
      case 1: out.insert(out.end(), 1 + rng() % 1100, static_cast<uint8_t>(rng())); break;
      default:
        if (out.empty()) break;
        const size_t back = 1 + rng() % std::min<size_t>(out.size(), 4200);
        for (size_t n = 1 + rng() % 1100; n > 0; --n) out.push_back(out[out.size() - back]);
    }
  }
  out.resize(size);
  return out;
}

TEST(ImplodeRandomized, RoundTrips) {
  const uint32_t base = BaseSeed();
  for (uint32_t i = 0; i < 150; ++i) {
    std::mt19937 rng(base + i);
    const Bytes input = RandomInput(rng);
    const ImplodeOptions o{kModes[rng() % 3], kDictSizes[rng() % 3], 1 + static_cast<int>(rng() % 9)};
    SCOPED_TRACE("seed " + std::to_string(base + i) + ", " + Describe(o));
    ExpectValidStreamOf(Compress(input, o), input, o);
    if (HasFailure()) return;
  }
}

// Feeds `input` in reads of the given sizes (cycling) and collects the stream.
struct Streamed {
  vozip::ImplodeStatus status;
  Bytes stream;
  vozip::ImplodeSummary summary;
};

Streamed Stream(const Bytes& input, const ImplodeOptions& o, const vozip::EncoderLimits& limits,
                std::vector<size_t> read_sizes = {1 << 16}) {
  size_t offset = 0;
  size_t calls = 0;
  const vozip::ImplodeReader read = [&](uint8_t* buffer, size_t capacity, size_t* stored) {
    *stored = std::min({capacity, read_sizes[calls++ % read_sizes.size()], input.size() - offset});
    std::copy_n(input.begin() + static_cast<std::ptrdiff_t>(offset), *stored, buffer);
    offset += *stored;
    return true;
  };
  Streamed out;
  const vozip::ImplodeWriter write = [&](const uint8_t* data, size_t size) {
    out.stream.insert(out.stream.end(), data, data + size);
    return true;
  };
  out.status = vozip::RunEncoder(read, write, o, limits, &out.summary);
  return out;
}

// How reads are split does not change the stream, and the summary describes it.
TEST(ImplodeStreaming, MatchesInMemoryAndSummarises) {
  Bytes input = tsv_test::BinaryWithRepeats(50000, 41);
  const Bytes text = tsv_test::Text(50000, 42);
  input.insert(input.end(), text.begin(), text.end());
  for (int level : {1, 4, 7, 9}) {
    for (LiteralMode mode : kModes) {
      const ImplodeOptions o{mode, 2048, level};
      SCOPED_TRACE(Describe(o));
      const Streamed run = Stream(input, o, {}, {1, 7, 4095, 65536, 100001});
      ASSERT_EQ(run.status, vozip::ImplodeStatus::kOk);
      EXPECT_EQ(run.stream, Compress(input, o));

      const uint32_t size = static_cast<uint32_t>(input.size());
      EXPECT_EQ(run.summary.input_size, input.size());
      EXPECT_EQ(run.summary.output_size, run.stream.size());
      EXPECT_EQ(run.summary.input_crc, UpdateCrc32(input.data(), &size, &kCrc32Preset));
      EXPECT_EQ(run.summary.literal_mode, run.stream[0]);
    }
  }
}

// Small parse blocks make every parser meet many block ends and window slides, and
// a small spill limit sends both candidates of literals auto through temporary files.
TEST(ImplodeStreaming, SmallBlocksAndSpilledCandidatesRoundTrip) {
  Bytes input = tsv_test::BinaryWithRepeats(20000, 43);
  const Bytes text = tsv_test::Text(20000, 44);
  input.insert(input.end(), text.begin(), text.end());
  vozip::EncoderLimits limits;
  limits.optimal_block = 5000;
  limits.chain_block = 3001;
  limits.spill_memory = 1000;
  for (int level = 1; level <= 9; ++level) {
    for (unsigned dict : kDictSizes) {
      Bytes by_mode[3];
      for (int m = 0; m < 3; ++m) {
        const ImplodeOptions o{kModes[m], dict, level};
        SCOPED_TRACE(Describe(o));
        Streamed run = Stream(input, o, limits);
        ASSERT_EQ(run.status, vozip::ImplodeStatus::kOk);
        ExpectValidStreamOf(run.stream, input, o);
        by_mode[m] = std::move(run.stream);
      }
      const Bytes& smaller = by_mode[1].size() < by_mode[0].size() ? by_mode[1] : by_mode[0];
      EXPECT_EQ(by_mode[2], smaller) << "auto, level " << level << ", dict " << dict;
    }
  }
}

TEST(ImplodeStreaming, ReportsFailures) {
  const Bytes input = tsv_test::Text(100000, 51);
  size_t offset = 0;
  const vozip::ImplodeReader read = [&](uint8_t* buffer, size_t capacity, size_t* stored) {
    *stored = std::min(capacity, input.size() - offset);
    std::copy_n(input.begin() + static_cast<std::ptrdiff_t>(offset), *stored, buffer);
    offset += *stored;
    return true;
  };
  const vozip::ImplodeReader failing_read = [&](uint8_t*, size_t, size_t*) { return false; };
  const vozip::ImplodeWriter sink = [](const uint8_t*, size_t) { return true; };
  const vozip::ImplodeWriter refusing = [](const uint8_t*, size_t) { return false; };
  using vozip::ImplodeStatus;

  EXPECT_EQ(vozip::ImplodeStream(failing_read, sink, {}), ImplodeStatus::kReadFailed);
  for (LiteralMode mode : kModes) {
    offset = 0;
    EXPECT_EQ(vozip::ImplodeStream(read, refusing, {mode, 4096, 6}), ImplodeStatus::kWriteFailed);
  }
  for (const ImplodeOptions& bad : {ImplodeOptions{LiteralMode::kAuto, 512, 6},
                                    ImplodeOptions{LiteralMode::kAuto, 4097, 6},
                                    ImplodeOptions{LiteralMode::kAuto, 4096, 0},
                                    ImplodeOptions{LiteralMode::kAuto, 4096, 10}}) {
    EXPECT_FALSE(vozip::ValidImplodeOptions(bad));
    EXPECT_EQ(vozip::ImplodeStream(read, sink, bad), ImplodeStatus::kBadOptions);
    EXPECT_THROW(vozip::Implode(input.data(), input.size(), bad), std::invalid_argument);
  }
}

}  // namespace
