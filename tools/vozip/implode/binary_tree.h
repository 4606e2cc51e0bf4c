// Binary-tree match finder for the minimum-cost parsers.
//
// For every 2-byte value, the positions in the dictionary that start with it form a
// binary search tree ordered by the bytes that follow them (the suffix), and heap-
// ordered by position: each new position becomes the root, and the old tree is
// split into the suffixes below it and those above it. A search for a position is
// that same insertion: it walks down from the root, so it meets the candidates
// nearest first, and it passes every suffix that shares the longest prefix with the
// new one. So for each copy length, the first candidate met that is at least that
// long is the nearest such source, which the fixed distance codes make the cheapest.
//
// Suffixes are compared over at most 518 bytes, all a copy can use; two that agree
// that far count as equal, and the newer takes the older one's place in the tree.
// Without a depth limit the list of sources is complete: for every length 2 to 518
// it holds the nearest source in the dictionary.
#pragma once

#include <cstdint>
#include <vector>

#include "match.h"

namespace vozip {

class BinaryTree {
 public:
  explicit BinaryTree(unsigned dict_size);

  // Inserts `pos` and stores in `matches` (ascending length, ascending distance) the
  // sources that are longer than every nearer one: entry k is the nearest source of
  // any length from entry k-1's length + 1 up to its own. `max_copy` is the number
  // of input bytes from pos on (at most 518). `depth` bounds the walk: the part of
  // the tree it does not reach is dropped. Returns the number of entries.
  unsigned FindAndInsert(const uint8_t* data, uint32_t pos, uint32_t max_copy, unsigned depth,
                         Match* matches);

  // The window moved down by `shift` bytes, a multiple of twice the dictionary size.
  void Rebase(uint32_t shift);

 private:
  uint32_t dict_size_;
  uint32_t slot_mask_;
  std::vector<uint32_t> root_;  // 2-byte value -> newest position
  // Children by position mod twice the dictionary size: the position a full
  // dictionary back is still a source while the new one's children are set.
  std::vector<uint32_t> left_;   // subtree of smaller suffixes
  std::vector<uint32_t> right_;  // subtree of greater suffixes
};

}  // namespace vozip
