// A copy source found by a match finder.
#pragma once

#include <cstdint>

namespace vozip {

struct Match {
  uint32_t length = 0;  // 0: none
  uint32_t distance = 0;
};

// Stored positions are indices into the input window; kNoPosition marks an empty
// entry. Every real position is below it, and a search stops at any entry that is
// not older than the position it searches for.
constexpr uint32_t kNoPosition = UINT32_MAX;

// Moves a stored position down by `shift` when the window slides; positions that
// fall out of the window become empty.
inline uint32_t RebasePosition(uint32_t pos, uint32_t shift) {
  return pos != kNoPosition && pos >= shift ? pos - shift : kNoPosition;
}

}  // namespace vozip
