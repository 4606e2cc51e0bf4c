// Hash-chain match finder for the greedy and lazy parsers.
//
// Copies of 4 bytes or more are found through chains of earlier positions with the
// same hash of their first 4 bytes, newest first, walked up to a given depth. The
// short copies come from tables that keep only the newest position of each 3-byte
// hash and of each 2-byte value: for a given length the nearest source is the
// cheapest (the distance codes never get shorter further back), so one entry is all
// they need. Length-2 copies reach 256 bytes back at most.
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
    if (max_copy >= 4) {
      const uint32_t hash = Hash4(data + pos);
      prev_[pos & slot_mask_] = head_[hash];
      head_[hash] = pos;
    }
    if (max_copy >= 3) last3_[Hash3(data + pos)] = pos;
    if (max_copy >= 2) pair_[Pair(data + pos)] = static_cast<uint8_t>(pos);
  }

  // Longest copy for `pos` among `depth` chain entries (stopping early at `nice`
  // bytes), the nearest on equal length; else the nearest 3-byte copy; else the
  // nearest length-2 copy; else none. Must be called before Insert(pos).
  Match Find(const uint8_t* data, uint32_t pos, uint32_t max_copy, unsigned depth,
             unsigned nice) const;

  // The window moved down by `shift` bytes, a multiple of the dictionary size.
  void Rebase(uint32_t shift);

 private:
  // The dictionary holds 4096 positions at most: 16384 buckets keep collisions rare
  // and the tables small enough to stay in the processor's second-level cache.
  static constexpr unsigned kHashBits = 14;

  static uint32_t Hash4(const uint8_t* p) {
    const uint32_t v = p[0] | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) |
                       (uint32_t{p[3]} << 24);
    return (v * 0x9E3779B1u) >> (32 - kHashBits);
  }
  static uint32_t Hash3(const uint8_t* p) {
    const uint32_t v = p[0] | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16);
    return (v * 0x9E3779B1u) >> (32 - kHashBits);
  }
  static uint32_t Pair(const uint8_t* p) { return p[0] | (uint32_t{p[1]} << 8); }

  uint32_t dict_size_;
  uint32_t slot_mask_;
  std::vector<uint32_t> head_;   // hash of 4 bytes -> newest position
  std::vector<uint32_t> prev_;   // position mod dictionary size -> next older, same hash
  std::vector<uint32_t> last3_;  // hash of 3 bytes -> newest position
  // 2-byte value -> low 8 bits of its newest position. A length-2 copy reaches 256
  // bytes back, and every position is recorded: if the newest occurrence lies
  // within reach, the low bits name it; if not, none does, and the bytes at the
  // position they name differ.
  std::vector<uint8_t> pair_;
};

}  // namespace vozip
