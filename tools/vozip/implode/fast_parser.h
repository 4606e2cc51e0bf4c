// The fastest parse (level 1): greedy, with one remembered position per hash of 3
// bytes and no search for length-2 copies.
#pragma once

#include <cstdint>
#include <vector>

#include "parse.h"

namespace vozip {

class FastParser {
 public:
  explicit FastParser(unsigned dict_size);

  // Parses [range.begin, range.end); the last copy may run up to 517 bytes past its
  // end. Returns the position after the last item.
  uint32_t Parse(const ParseRange& range, Items* items);

  // The window moved down by `shift` bytes.
  void Rebase(uint32_t shift);

 private:
  static constexpr unsigned kHashBits = 14;

  static uint32_t Hash3(const uint8_t* p) {
    const uint32_t v = p[0] | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16);
    return (v * 0x9E3779B1u) >> (32 - kHashBits);
  }

  uint32_t dict_size_;
  std::vector<uint32_t> last_;  // hash of 3 bytes -> newest position searched
};

}  // namespace vozip
