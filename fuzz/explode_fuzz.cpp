// Fuzzes ExplodeStream with any bytes as the stream and any split of the reads, and
// checks it against the plain model decoder: same output, result and calls.
//
// Input layout: byte 0 = number of read sizes k (1-4), then k sizes of 2 bytes each
// (little-endian, 1-2048; the first at least 5 unless the input means to test the
// short-first-read result), then the stream.

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "explode/explode.h"
#include "support/reference_explode.h"
#include "support/scripted_explode.h"

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
  const tsv_test::ModelResult got = tsv_test::RunScriptedExplode(input, sizes, &state);
  const tsv_test::ModelResult want = tsv_test::ExplodeModel(input, sizes).Run();
  if (got.result != want.result || got.output != want.output ||
      !(got.calls == want.calls)) {
    std::abort();
  }
  return 0;
}
