// Length of the common prefix of two places in the input window.
#pragma once

#include <cstdint>
#include <cstring>

namespace vozip {

// Counts equal bytes at a and b, up to `limit`; reads nothing past the limit.
inline unsigned MatchLength(const uint8_t* a, const uint8_t* b, unsigned limit) {
  unsigned n = 0;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  while (n + 8 <= limit) {
    uint64_t x, y;
    std::memcpy(&x, a + n, 8);
    std::memcpy(&y, b + n, 8);
    if (x != y) return n + static_cast<unsigned>(__builtin_ctzll(x ^ y)) / 8;
    n += 8;
  }
#endif
  while (n < limit && a[n] == b[n]) ++n;
  return n;
}

}  // namespace vozip
