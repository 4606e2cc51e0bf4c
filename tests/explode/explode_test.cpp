// The decoder seen from its two procedures: what it produces, which result it gives,
// and exactly when it reads and writes.

#include "explode/explode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "explode/implode_format.h"
#include "support/stream_builder.h"

namespace {

using Bytes = std::vector<uint8_t>;
using tsv_test::StreamBuilder;

// One call of a procedure: 'R' with the size the decoder offered and the count
// returned, or 'W' with the size handed over.
struct Call {
  char kind;
  uint32_t size;
  uint32_t count;
  bool operator==(const Call& other) const {
    return kind == other.kind && size == other.size && count == other.count;
  }
};

std::ostream& operator<<(std::ostream& os, const Call& call) {
  return os << call.kind << "(" << call.size << "," << call.count << ")";
}

Call R(uint32_t count) { return {'R', kExplodeReadSize, count}; }
Call W(uint32_t size) { return {'W', size, 0}; }

// Feeds the input in reads of the given sizes (the last size repeats), records
// every call, and collects the output.
struct Session {
  Bytes input;
  std::vector<size_t> read_sizes{kExplodeReadSize};
  size_t offset = 0;
  size_t reads = 0;
  Bytes output;
  std::vector<Call> calls;
  uint32_t result = 99;

  static uint32_t Read(uint8_t* buffer, uint32_t* size, void* param) {
    auto& run = *static_cast<Session*>(param);
    const size_t want = run.read_sizes[std::min(run.reads, run.read_sizes.size() - 1)];
    ++run.reads;
    const size_t n = std::min({want, size_t{*size}, run.input.size() - run.offset});
    if (n > 0) std::memcpy(buffer, run.input.data() + run.offset, n);
    run.offset += n;
    run.calls.push_back({'R', *size, static_cast<uint32_t>(n)});
    *size = 7;  // the decoder must not rely on what is left here
    return static_cast<uint32_t>(n);
  }

  static void Write(uint8_t* buffer, uint32_t* size, void* param) {
    auto& run = *static_cast<Session*>(param);
    run.output.insert(run.output.end(), buffer, buffer + *size);
    run.calls.push_back({'W', *size, 0});
    *size = 12345;  // nor on what is left here
  }
};

Session Decode(const Bytes& input, std::vector<size_t> read_sizes = {kExplodeReadSize},
           ExplodeState* state = nullptr) {
  Session run;
  run.input = input;
  run.read_sizes = std::move(read_sizes);
  auto owned = std::make_unique<ExplodeState>();
  if (state == nullptr) state = owned.get();
  run.result = ExplodeStream(&Session::Read, &Session::Write, state, &run);
  return run;
}

std::string Text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

// The format's own examples, as byte vectors.
struct Vector {
  const char* name;
  Bytes input;
  uint32_t result;
  std::string output;
  std::vector<Call> calls;
};

class ExplodeVectors : public ::testing::TestWithParam<Vector> {};

TEST_P(ExplodeVectors, DecodesWithExactCalls) {
  const Vector& v = GetParam();
  const Session run = Decode(v.input);
  EXPECT_EQ(run.result, v.result);
  EXPECT_EQ(Text(run.output), v.output);
  EXPECT_EQ(run.calls, v.calls);
}

INSTANTIATE_TEST_SUITE_P(
    Format, ExplodeVectors,
    ::testing::Values(
        Vector{"raw_copy_overlapping", {0x00, 0x04, 0x82, 0x24, 0x25, 0x8F, 0x80, 0x7F}, 0,
               "AIAIAIAIAIAIA", {R(8), R(0), W(13)}},
        Vector{"coded_same_content", {0x01, 0x04, 0x62, 0x41, 0xF2, 0x08, 0xF8, 0x07}, 0,
               "AIAIAIAIAIAIA", {R(8), R(0), W(13)}},
        Vector{"coded_space_a", {0x01, 0x06, 0x8E, 0xFF, 0x41, 0xC0, 0x3F}, 0, "a a a",
               {R(7), R(0), W(5)}},
        Vector{"shortest_stream_is_too_short", {0x00, 0x04, 0x01, 0xFF}, 3, "", {R(4)}},
        Vector{"shortest_stream_with_fifth_byte", {0x00, 0x04, 0x01, 0xFF, 0x55}, 0, "",
               {R(5), W(0)}},
        Vector{"empty_input", {}, 3, "", {R(0)}},
        Vector{"one_byte", {0x00}, 3, "", {R(1)}},
        Vector{"bad_dictionary", {0x00, 0x03, 0x01, 0xFF, 0x00}, 1, "", {R(5)}},
        Vector{"dictionary_7", {0x01, 0x07, 0x01, 0xFF, 0x00}, 1, "", {R(5)}},
        Vector{"bad_literal_mode", {0x02, 0x04, 0x01, 0xFF, 0x00}, 2, "", {R(5)}},
        Vector{"both_bad_dictionary_first", {0x07, 0x09, 0x01, 0xFF, 0x00}, 1, "", {R(5)}},
        Vector{"valid_but_four_bytes", {0x01, 0x06, 0x01, 0xFF}, 3, "", {R(4)}}),
    [](const auto& param_info) { return std::string(param_info.param.name); });

// The codes as the format lists them, first bit sent on the left.
struct ReferenceCode {
  int table;  // 0 length, 1 distance, 2 literal
  unsigned symbol;
  const char* bits;
};

TEST(ExplodeCodes, MatchReferenceBits) {
  const ReferenceCode references[] = {
      {0, 0, "101"},        {0, 1, "11"},         {0, 2, "100"},        {0, 3, "011"},
      {0, 4, "0101"},       {0, 7, "00101"},      {0, 10, "00010"},     {0, 11, "000011"},
      {0, 13, "000001"},    {0, 14, "0000001"},   {0, 15, "0000000"},   {1, 0, "11"},
      {1, 1, "1011"},       {1, 2, "1010"},       {1, 3, "10011"},      {1, 6, "10000"},
      {1, 7, "011111"},     {1, 21, "010001"},    {1, 22, "0100001"},   {1, 47, "0001000"},
      {1, 48, "00001111"},  {1, 63, "00000000"},  {2, 0x20, "1111"},    {2, 0x45, "11101"},
      {2, 0x61, "11100"},   {2, 0x65, "11011"},   {2, 0x74, "10100"},   {2, 0x0A, "0100011"},
      {2, 0x0D, "0100010"}, {2, 0x09, "00011101"}, {2, 0x00, "00001001001"},
      {2, 0x80, "0000001001000"}, {2, 0xFF, "0000000000000"},
  };
  for (const auto& ref : references) {
    unsigned expected = 0;
    const unsigned length = static_cast<unsigned>(std::strlen(ref.bits));
    for (unsigned i = 0; i < length; ++i) expected |= unsigned(ref.bits[i] == '1') << i;
    const unsigned code = ref.table == 0   ? implode::kLengthCodes[ref.symbol]
                          : ref.table == 1 ? implode::kDistanceCodes[ref.symbol]
                                           : implode::kLiteralCodes[ref.symbol];
    const unsigned code_length = ref.table == 0   ? implode::kLengthCodeLengths[ref.symbol]
                                 : ref.table == 1 ? implode::kDistanceCodeLengths[ref.symbol]
                                                  : implode::kLiteralCodeLengths[ref.symbol];
    EXPECT_EQ(code, expected) << "table " << ref.table << " symbol " << ref.symbol;
    EXPECT_EQ(code_length, length) << "table " << ref.table << " symbol " << ref.symbol;
  }
}

// Each code set fills its code space exactly, so every bit pattern decodes.
TEST(ExplodeCodes, AreComplete) {
  auto kraft = [](const auto& lengths) {
    double sum = 0;
    for (unsigned length : lengths) sum += 1.0 / double(1u << length);
    return sum;
  };
  EXPECT_DOUBLE_EQ(kraft(implode::kLengthCodeLengths), 1.0);
  EXPECT_DOUBLE_EQ(kraft(implode::kDistanceCodeLengths), 1.0);
  EXPECT_DOUBLE_EQ(kraft(implode::kLiteralCodeLengths), 1.0);
}

// Every byte value through both literal modes and every dictionary size.
TEST(ExplodeLiterals, EveryByteInBothModes) {
  for (uint8_t mode : {0, 1}) {
    for (uint8_t dict : {4, 5, 6}) {
      StreamBuilder stream(mode, dict);
      std::string expected;
      for (int b = 0; b < 256; ++b) {
        stream.Literal(static_cast<uint8_t>(b));
        expected.push_back(static_cast<char>(b));
      }
      const Session run = Decode(stream.End().bytes());
      EXPECT_EQ(run.result, 0u);
      EXPECT_EQ(Text(run.output), expected) << "mode " << int(mode) << " dict " << int(dict);
    }
  }
}

// n literals 'a'..: n bytes of output in a raw stream.
StreamBuilder RawLiterals(size_t n) {
  StreamBuilder stream(0, 6);
  for (size_t i = 0; i < n; ++i) stream.Literal(static_cast<uint8_t>('a' + i % 26));
  return stream;
}

TEST(ExplodeBlocks, WritesFullBlocksThenOneFinal) {
  struct Case {
    size_t bytes;
    std::vector<uint32_t> writes;
  };
  for (const Case& c : {Case{0, {0}}, Case{4095, {4095}}, Case{4096, {4096, 0}},
                        Case{4097, {4096, 1}}, Case{8192, {4096, 4096, 0}},
                        Case{10000, {4096, 4096, 1808}}}) {
    StreamBuilder stream = RawLiterals(c.bytes);
    stream.End().Literal(0);  // a byte after the marker keeps the stream over 4 bytes
    const Session run = Decode(stream.bytes());
    std::vector<uint32_t> writes;
    for (const Call& call : run.calls) {
      if (call.kind == 'W') writes.push_back(call.size);
    }
    EXPECT_EQ(run.result, 0u) << c.bytes;
    EXPECT_EQ(writes, c.writes) << c.bytes;
    EXPECT_EQ(run.output.size(), c.bytes);
    EXPECT_EQ(Text(run.output), Text(Decode(stream.bytes(), {5, 1}).output)) << c.bytes;
  }
}

TEST(ExplodeCopies, LongestCopyAtLastWindowPosition) {
  // 4095 literals put the output position at 8191; the copy then runs to the end of
  // the window's overflow room.
  StreamBuilder stream = RawLiterals(4095);
  stream.Copy(518, 1).Literal('!').End();
  const Session run = Decode(stream.bytes());
  ASSERT_EQ(run.result, 0u);
  ASSERT_EQ(run.output.size(), 4095u + 518 + 1);
  const uint8_t last = run.output[4094];
  for (size_t i = 4095; i < 4095 + 518; ++i) ASSERT_EQ(run.output[i], last) << i;
  EXPECT_EQ(run.output.back(), '!');
  std::vector<uint32_t> writes;
  for (const Call& call : run.calls) {
    if (call.kind == 'W') writes.push_back(call.size);
  }
  EXPECT_EQ(writes, (std::vector<uint32_t>{4096, 518}));
}

TEST(ExplodeCopies, ReachAsFarAsTheirLowBitsAllow) {
  // Copies of every length class at their farthest distance, checked against the
  // bytes they should repeat.
  for (uint8_t dict : {4, 5, 6}) {
    for (uint8_t mode : {0, 1}) {
      StreamBuilder stream(mode, dict);
      std::string expected;
      for (size_t i = 0; i < 5000; ++i) {
        const char c = static_cast<char>((i * 7919) % 251);
        stream.Literal(static_cast<uint8_t>(c));
        expected.push_back(c);
      }
      const unsigned far = 64u << dict;
      for (auto [length, distance] : {std::pair{2u, 256u}, {3u, far}, {518u, far}, {10u, 1u},
                                      {2u, 1u}, {300u, 5u}, {17u, 9u}}) {
        stream.Copy(length, distance);
        for (unsigned i = 0; i < length; ++i) expected.push_back(expected[expected.size() - distance]);
      }
      const Session run = Decode(stream.End().bytes(), {333});
      EXPECT_EQ(run.result, 0u);
      EXPECT_EQ(Text(run.output), expected) << "dict " << int(dict) << " mode " << int(mode);
    }
  }
}

TEST(ExplodeCopies, BeforeTheFirstByteYieldZeros) {
  auto state = std::make_unique<ExplodeState>();
  std::memset(state.get(), 0xAA, sizeof(ExplodeState));
  const Session run = Decode(StreamBuilder(0, 6).Literal('x').Copy(20, 4000).End().bytes(),
                         {kExplodeReadSize}, state.get());
  ASSERT_EQ(run.result, 0u);
  EXPECT_EQ(Text(run.output), "x" + std::string(20, '\0'));
}

TEST(ExplodeWorkArea, ServesOneStreamAfterAnother) {
  auto state = std::make_unique<ExplodeState>();
  const Session first = Decode(RawLiterals(9000).End().bytes(), {kExplodeReadSize}, state.get());
  const Session second = Decode({0x00, 0x04, 0x82, 0x24, 0x25, 0x8F, 0x80, 0x7F}, {kExplodeReadSize},
                            state.get());
  EXPECT_EQ(first.result, 0u);
  EXPECT_EQ(Text(second.output), "AIAIAIAIAIAIA");
}

// The marker may end in the last byte: the pending read returns 0 and is accepted.
TEST(ExplodeEnd, MarkerEndingTheInput) {
  StreamBuilder stream = RawLiterals(8);  // 72 bits, then 16 for the marker
  stream.End();
  ASSERT_EQ(stream.bit_count() % 8, 0u);
  const Session run = Decode(stream.bytes());
  EXPECT_EQ(run.result, 0u);
  EXPECT_EQ(Text(run.output), "abcdefgh");
  EXPECT_EQ(run.calls, (std::vector<Call>{R(13), R(0), W(8)}));
}

// Reads happen only when the buffer is used up and bits are needed; bytes after the
// marker are never interpreted, whatever they hold.
TEST(ExplodeEnd, NothingAfterTheMarkerIsRead) {
  StreamBuilder stream = RawLiterals(40);
  stream.End();
  Bytes input = stream.bytes();
  const size_t stream_bytes = input.size();
  for (int i = 0; i < 100; ++i) input.push_back(static_cast<uint8_t>(i * 37));
  const Session whole = Decode(input);
  const Session bytewise = Decode(input, {5, 1});
  EXPECT_EQ(whole.result, 0u);
  EXPECT_EQ(bytewise.result, 0u);
  EXPECT_EQ(whole.output, bytewise.output);
  // One byte at a time, the decoder takes at most the byte after the marker's last
  // one: it keeps 8 bits of lookahead and no more.
  EXPECT_LE(bytewise.offset, stream_bytes + 1);
  EXPECT_EQ(bytewise.calls.back(), W(40));
}

// A stream cut anywhere before its marker gives 4 (or 3 when four bytes or fewer
// remain), and everything decoded so far has been handed over by one final write.
TEST(ExplodeTruncated, CutInsideEveryKindOfItem) {
  for (uint8_t mode : {0, 1}) {
    StreamBuilder stream(mode, 5);
    // Literals reaching all four lookups, copies with and without extra bits, a
    // length-2 copy, far and near distances.
    stream.Literals("Text \n\r\x01\x80\xff\xe1 of many kinds");
    stream.Copy(2, 3).Copy(3, 17).Copy(11, 1000).Copy(200, 64).Copy(518, 2).Literal('z');
    const Session full = Decode(stream.End().bytes());
    ASSERT_EQ(full.result, 0u);
    const Bytes bytes = stream.bytes();
    for (size_t cut = 0; cut < bytes.size() - 1; ++cut) {
      const Bytes head(bytes.begin(), bytes.begin() + cut);
      for (const auto& sizes : {std::vector<size_t>{kExplodeReadSize}, std::vector<size_t>{5, 1}}) {
        const Session run = Decode(head, sizes);
        EXPECT_EQ(run.result, cut <= 4 ? 3u : 4u) << "cut " << cut;
        if (cut <= 4) continue;
        ASSERT_LE(run.output.size(), full.output.size());
        EXPECT_TRUE(std::equal(run.output.begin(), run.output.end(), full.output.begin()));
        EXPECT_EQ(run.calls.back().kind, 'W');
        EXPECT_EQ(std::count_if(run.calls.begin(), run.calls.end(),
                                [](const Call& c) { return c.kind == 'W'; }),
                  1);
      }
    }
  }
}

TEST(ExplodeTruncated, CompleteItemsWithoutMarker) {
  const Session literal = Decode(StreamBuilder(0, 4).Literals("abcdefgh").bytes());
  EXPECT_EQ(literal.result, 4u);
  const Session copy = Decode(StreamBuilder(1, 4).Literals("ab").Copy(30, 2).bytes());
  EXPECT_EQ(copy.result, 4u);
  EXPECT_EQ(copy.calls.back().kind, 'W');
}

TEST(ExplodeReads, AnySplitGivesTheSameOutput) {
  StreamBuilder stream(1, 6);
  std::string expected;
  for (int i = 0; i < 3000; ++i) {
    stream.Literals("line ");
    expected += "line ";
    if (i % 3 == 2) {
      stream.Copy(12, 7);
      for (int k = 0; k < 12; ++k) expected.push_back(expected[expected.size() - 7]);
    }
  }
  const Bytes input = stream.End().bytes();
  for (const auto& sizes : std::vector<std::vector<size_t>>{
           {2048}, {5, 1}, {7}, {2047, 1, 2048}, {13, 2048, 2}, {4000}}) {
    const Session run = Decode(input, sizes);
    EXPECT_EQ(run.result, 0u);
    EXPECT_EQ(Text(run.output), expected);
    for (const Call& call : run.calls) {
      if (call.kind == 'R') {
        EXPECT_EQ(call.size, kExplodeReadSize);
      }
    }
  }
}

// A read procedure that claims more than the 2048-byte buffer does not take the
// decoder beyond it.
TEST(ExplodeReads, OverlongReadCountIsBounded) {
  struct Liar {
    static uint32_t Read(uint8_t* buffer, uint32_t*, void*) {
      std::memset(buffer, 0x00, kExplodeReadSize);  // raw mode, zero literals
      buffer[1] = 4;
      return 100000;
    }
    static void Write(uint8_t*, uint32_t*, void* param) { ++*static_cast<int*>(param); }
  };
  auto state = std::make_unique<ExplodeState>();
  int writes = 0;
  // Every read claims 100000 bytes of zero literals; the decoder must stay inside its
  // buffer (sanitizers watch) and keep going until the writes prove it did.
  struct Bounded {
    static uint32_t Read(uint8_t* buffer, uint32_t* size, void* param) {
      auto& count = *static_cast<int*>(param);
      if (count > 3) return 0;
      return Liar::Read(buffer, size, nullptr);
    }
  };
  EXPECT_EQ(ExplodeStream(&Bounded::Read, &Liar::Write, state.get(), &writes), 4u);
  EXPECT_GT(writes, 3);
}

}  // namespace
