// Fuzzes ExplodeStream with any bytes as the stream and any split of the reads, and
// checks it against the plain model decoder: same output, result and calls.
//
// Input layout: byte 0 = number of read sizes k (1-4), then k sizes of 2 bytes each
// (little-endian, 1-2048; the first at least 5 unless the input means to test the
// short-first-read result), then the stream.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "explode/explode.h"
#include "support/reference_explode.h"

namespace {

struct Feed {
  const std::vector<uint8_t>* input;
  const std::vector<size_t>* sizes;
  size_t offset;
  size_t reads;
  tsv_test::ModelResult got;

  static uint32_t Read(uint8_t* buffer, uint32_t* size, void* param) {
    auto& feed = *static_cast<Feed*>(param);
    const auto& sizes = *feed.sizes;
    const size_t want = sizes[feed.reads < sizes.size() ? feed.reads : sizes.size() - 1];
    ++feed.reads;
    size_t n = feed.input->size() - feed.offset;
    if (n > want) n = want;
    if (n > *size) n = *size;
    if (n > 0) std::memcpy(buffer, feed.input->data() + feed.offset, n);
    feed.offset += n;
    feed.got.calls.push_back({'R', static_cast<uint32_t>(n)});
    return static_cast<uint32_t>(n);
  }

  static void Write(uint8_t* buffer, uint32_t* size, void* param) {
    auto& feed = *static_cast<Feed*>(param);
    feed.got.output.insert(feed.got.output.end(), buffer, buffer + *size);
    feed.got.calls.push_back({'W', *size});
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const size_t count = 1 + data[0] % 4;
  if (size < 1 + 2 * count) return 0;
  std::vector<size_t> sizes;
  for (size_t i = 0; i < count; ++i) {
    sizes.push_back(1 + (data[1 + 2 * i] | data[2 + 2 * i] << 8) % 2048);
  }
  const std::vector<uint8_t> input(data + 1 + 2 * count, data + size);

  static ExplodeState state;  // reused across inputs, as callers reuse work areas
  Feed feed{&input, &sizes, 0, 0, {}};
  feed.got.result = ExplodeStream(&Feed::Read, &Feed::Write, &state, &feed);
  const tsv_test::ModelResult want = tsv_test::ExplodeModel(input, sizes).Run();
  if (feed.got.result != want.result || feed.got.output != want.output ||
      !(feed.got.calls == want.calls)) {
    std::abort();
  }
  return 0;
}
