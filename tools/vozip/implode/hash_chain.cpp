#include "hash_chain.h"

#include "explode/implode_format.h"
#include "match_length.h"

namespace vozip {

HashChain::HashChain(unsigned dict_size)
    : dict_size_(dict_size),
      slot_mask_(dict_size - 1),
      head_(size_t{1} << kHashBits, kNoPosition),
      prev_(dict_size, kNoPosition),
      pair_(size_t{1} << 16, kNoPosition) {}

Match HashChain::Find(const uint8_t* data, uint32_t pos, uint32_t max_copy, unsigned depth,
                      unsigned nice) const {
  Match best;
  if (max_copy >= 3) {
    const uint8_t* here = data + pos;
    uint32_t best_length = 2;  // only longer copies come from the chains
    uint32_t candidate = head_[Hash3(here)];
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
  }
  if (best.length == 0 && max_copy >= 2) {
    const uint32_t candidate = pair_[Pair(data + pos)];
    if (candidate < pos && pos - candidate <= implode::kMaxShortCopyDistance) {
      best = {2, pos - candidate};
    }
  }
  return best;
}

void HashChain::Rebase(uint32_t shift) {
  for (auto* table : {&head_, &prev_, &pair_}) {
    for (uint32_t& pos : *table) pos = RebasePosition(pos, shift);
  }
}

}  // namespace vozip
