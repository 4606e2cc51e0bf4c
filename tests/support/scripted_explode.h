// Runs the real decoder the way the model of reference_explode.h runs: the input
// handed out in a script of read sizes (the last size repeating), and every read and
// write recorded, so the two results compare call for call.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "explode/explode.h"
#include "support/reference_explode.h"

namespace tsv_test {

inline ModelResult RunScriptedExplode(const std::vector<uint8_t>& input, const std::vector<size_t>& sizes,
                                      ExplodeState* state) {
  struct Feed {
    const std::vector<uint8_t>& input;
    const std::vector<size_t>& sizes;
    size_t offset = 0;
    size_t reads = 0;
    ModelResult got;

    static uint32_t Read(uint8_t* buffer, uint32_t* size, void* param) {
      auto& feed = *static_cast<Feed*>(param);
      const size_t want = feed.sizes[std::min(feed.reads++, feed.sizes.size() - 1)];
      const size_t n = std::min({want, size_t{*size}, feed.input.size() - feed.offset});
      if (n > 0) std::memcpy(buffer, feed.input.data() + feed.offset, n);
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
  Feed feed{input, sizes, 0, 0, {}};
  feed.got.result = ExplodeStream(&Feed::Read, &Feed::Write, state, &feed);
  return feed.got;
}

}  // namespace tsv_test
