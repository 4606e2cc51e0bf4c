#include "hash_chain.h"

#include <cstddef>

#include "explode/implode_format.h"
#include "match_length.h"

namespace vozip {

HashChain::HashChain(unsigned dict_size)
    : dict_size_(dict_size),
      slot_mask_(dict_size - 1),
      head_(size_t{1} << kHashBits, kNoPosition),
      prev_(dict_size, kNoPosition),
      last3_(size_t{1} << kHashBits, kNoPosition),
      pair_(size_t{1} << 16, 0) {}

Match HashChain::Find(const uint8_t* data, uint32_t pos, uint32_t max_copy, unsigned depth,
                      unsigned nice) const {
  const uint8_t* here = data + pos;
  if (max_copy >= 4) {
    Match best;
    uint32_t best_length = 3;  // only longer copies come from the chains
    uint32_t candidate = head_[Hash4(here)];
    // Within the dictionary every position has its own slot, so the links of the
    // positions walked here have not been overwritten.
    while (depth-- > 0 && candidate < pos && pos - candidate <= dict_size_) {
      const uint8_t* there = data + candidate;
      if (there[best_length] == here[best_length]) {  // cannot beat best otherwise
        const uint32_t length = MatchLength(there, here, max_copy);
        if (length > best_length) {
          best_length = length;
          best = {length, pos - candidate};
          if (length >= nice || length == max_copy) break;
        }
      }
      const uint32_t next = prev_[candidate & slot_mask_];
      if (next >= candidate) break;
      candidate = next;
    }
    if (best.length != 0) return best;
  }
  if (max_copy >= 3) {
    // Hashes may collide: the bytes decide. A longer copy from here was missed by
    // the chains only if their walk was cut short; take it all the same.
    const uint32_t candidate = last3_[Hash3(here)];
    if (candidate < pos && pos - candidate <= dict_size_) {
      const uint32_t length = MatchLength(data + candidate, here, max_copy);
      if (length >= 3) return {length, pos - candidate};
    }
  }
  if (max_copy >= 2) {
    // Low bits equal to pos's own mean 256 back.
    const uint32_t distance = ((pos - pair_[Pair(here)] - 1) & 0xFF) + 1;
    if (distance <= pos && here[-static_cast<ptrdiff_t>(distance)] == here[0] &&
        here[1 - static_cast<ptrdiff_t>(distance)] == here[1]) {
      return {2, distance};
    }
  }
  return {};
}

void HashChain::Rebase(uint32_t shift) {
  // The pair table keeps low bits only, which a shift by a multiple of 256 leaves.
  for (auto* table : {&head_, &prev_, &last3_}) {
    for (uint32_t& pos : *table) pos = RebasePosition(pos, shift);
  }
}

}  // namespace vozip
