// Hash-chain match finder for the greedy and lazy parsers.
//
// Copies of 3 bytes or more are found through chains of earlier positions with the
// same hash of their first 3 bytes, newest first, walked up to a given depth.
// Length-2 copies, which only reach 256 bytes back, come from a second table that
// keeps the newest position of every 2-byte value: the nearest source is the
// cheapest, so one entry per value is all a length-2 copy needs.
#pragma once

#include <cstdint>
#include <vector>

#include "match.h"

namespace vozip {

class HashChain {
 public:
  explicit HashChain(unsigned dict_size);

  // Records `pos` as a source for later positions. `max_copy` is the number of
  // input bytes from pos on (at most 518).
  void Insert(const uint8_t* data, uint32_t pos, uint32_t max_copy) {
    if (max_copy >= 3) {
      const uint32_t hash = Hash3(data + pos);
      prev_[pos & slot_mask_] = head_[hash];
      head_[hash] = pos;
    }
    if (max_copy >= 2) pair_[Pair(data + pos)] = pos;
  }

  // Longest copy for `pos` among `depth` chain entries (stopping early at `nice`
  // bytes), the nearest on equal length; else the nearest length-2 copy; else none.
  // Must be called before Insert(pos).
  Match Find(const uint8_t* data, uint32_t pos, uint32_t max_copy, unsigned depth,
             unsigned nice) const;

  // The window moved down by `shift` bytes, a multiple of the dictionary size.
  void Rebase(uint32_t shift);

 private:
  static constexpr unsigned kHashBits = 15;

  static uint32_t Hash3(const uint8_t* p) {
    const uint32_t v = p[0] | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16);
    return (v * 0x9E3779B1u) >> (32 - kHashBits);
  }
  static uint32_t Pair(const uint8_t* p) { return p[0] | (uint32_t{p[1]} << 8); }

  uint32_t dict_size_;
  uint32_t slot_mask_;
  std::vector<uint32_t> head_;  // hash of 3 bytes -> newest position
  std::vector<uint32_t> prev_;  // position mod dictionary size -> next older, same hash
  std::vector<uint32_t> pair_;  // 2-byte value -> newest position
};

}  // namespace vozip
