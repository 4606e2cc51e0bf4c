// The decoder against the plain model of tests/support/reference_explode.h, on
// streams of random items cut at random places and on random bytes, each fed in
// random read sizes: output, result and the exact sequence of reads and writes
// must agree.

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "explode/explode.h"
#include "support/reference_explode.h"
#include "support/scripted_explode.h"
#include "support/stream_builder.h"

namespace {

using tsv_test::ExplodeModel;
using tsv_test::ModelResult;

void ExpectAgreement(const std::vector<uint8_t>& input, const std::vector<size_t>& sizes,
                     ExplodeState* state) {
  const ModelResult got = tsv_test::RunScriptedExplode(input, sizes, state);
  const ModelResult want = ExplodeModel(input, sizes).Run();
  ASSERT_EQ(got.result, want.result);
  ASSERT_EQ(got.output, want.output);
  ASSERT_EQ(got.calls.size(), want.calls.size());
  for (size_t i = 0; i < want.calls.size(); ++i) {
    ASSERT_TRUE(got.calls[i] == want.calls[i])
        << "call " << i << ": " << got.calls[i].kind << got.calls[i].count
        << " instead of " << want.calls[i].kind << want.calls[i].count;
  }
}

std::vector<size_t> RandomReadSizes(std::mt19937& rng) {
  std::vector<size_t> sizes;
  const int count = 1 + int(rng() % 4);
  for (int i = 0; i < count; ++i) {
    const unsigned kind = rng() % 3;
    sizes.push_back(kind == 0 ? 2048 : kind == 1 ? 1 + rng() % 16 : 1 + rng() % 2048);
  }
  if (sizes[0] < 5) sizes[0] = 5 + rng() % 20;  // a first read of 4 or fewer is result 3
  return sizes;
}

// A stream of random items, with copies as likely as literals so that blocks fill.
std::vector<uint8_t> RandomStream(std::mt19937& rng, int max_items = 3000) {
  const uint8_t mode = rng() % 2;
  const uint8_t dict = 4 + rng() % 3;
  tsv_test::StreamBuilder stream(mode, dict);
  const int items = int(rng() % max_items);
  for (int i = 0; i < items; ++i) {
    if (rng() % 2 == 0) {
      // Text-like bytes mostly, so that short and long literal codes both appear.
      stream.Literal(rng() % 4 ? static_cast<uint8_t>(' ' + rng() % 95) : static_cast<uint8_t>(rng()));
    } else {
      const unsigned length = rng() % 4 ? 2 + rng() % 20 : 2 + rng() % 517;
      const unsigned reach = length == 2 ? 256 : 64u << dict;
      stream.Copy(length, 1 + rng() % reach);
    }
  }
  if (rng() % 8 != 0) stream.End();
  std::vector<uint8_t> bytes = stream.bytes();
  if (rng() % 4 == 0 && bytes.size() > 2) bytes.resize(2 + rng() % (bytes.size() - 1));
  if (rng() % 4 == 0) bytes.push_back(static_cast<uint8_t>(rng()));
  return bytes;
}

TEST(ExplodeModel, AgreesOnRandomItemStreams) {
  std::mt19937 rng(20261210);
  auto state = std::make_unique<ExplodeState>();
  for (int round = 0; round < 400; ++round) {
    const std::vector<uint8_t> input = RandomStream(rng);
    ExpectAgreement(input, RandomReadSizes(rng), state.get());
    if (HasFatalFailure()) {
      ADD_FAILURE() << "round " << round << ", " << input.size() << " bytes";
      return;
    }
  }
}

// Short streams cut at every byte: whichever consumption meets the end of the input,
// it must fail or succeed exactly as the model's does.
TEST(ExplodeModel, AgreesOnEveryCutOfShortStreams) {
  std::mt19937 rng(1);
  auto state = std::make_unique<ExplodeState>();
  for (int round = 0; round < 60; ++round) {
    const std::vector<uint8_t> stream = RandomStream(rng, 40);
    for (size_t cut = 0; cut <= stream.size(); ++cut) {
      const std::vector<uint8_t> input(stream.begin(), stream.begin() + cut);
      for (const std::vector<size_t>& sizes : {std::vector<size_t>{2048}, std::vector<size_t>{5, 1}}) {
        ExpectAgreement(input, sizes, state.get());
        if (HasFatalFailure()) {
          ADD_FAILURE() << "round " << round << ", cut " << cut;
          return;
        }
      }
    }
  }
}

TEST(ExplodeModel, AgreesOnRandomBytes) {
  std::mt19937 rng(7);
  auto state = std::make_unique<ExplodeState>();
  for (int round = 0; round < 400; ++round) {
    std::vector<uint8_t> input(rng() % 3000);
    for (auto& byte : input) byte = static_cast<uint8_t>(rng());
    // Mostly valid headers, so that the bit stream behind them gets decoded.
    if (input.size() >= 2 && rng() % 8 != 0) {
      input[0] = rng() % 2;
      input[1] = 4 + rng() % 3;
    }
    ExpectAgreement(input, RandomReadSizes(rng), state.get());
    if (HasFatalFailure()) {
      ADD_FAILURE() << "round " << round;
      return;
    }
  }
}

}  // namespace
