#include "binary_tree.h"

#include <algorithm>

#include "explode/implode_format.h"
#include "match_length.h"

namespace vozip {

BinaryTree::BinaryTree(unsigned dict_size)
    : dict_size_(dict_size),
      slot_mask_(2 * dict_size - 1),
      root_(size_t{1} << 16, kNoPosition),
      left_(2 * size_t{dict_size}, kNoPosition),
      right_(2 * size_t{dict_size}, kNoPosition) {}

unsigned BinaryTree::FindAndInsert(const uint8_t* data, uint32_t pos, uint32_t max_copy,
                                   unsigned depth, Match* matches) {
  if (max_copy < 2) return 0;  // the input ends: no copy starts here, none will
  const uint8_t* here = data + pos;
  uint32_t& root = root_[here[0] | (uint32_t{here[1]} << 8)];
  uint32_t candidate = root;
  root = pos;

  // Where the next candidate found smaller (greater) than pos is hung: first pos's
  // own children, then deeper as the old tree is split around pos.
  uint32_t* smaller_slot = &left_[pos & slot_mask_];
  uint32_t* greater_slot = &right_[pos & slot_mask_];
  // Every candidate below a smaller (greater) one shares at least as many bytes with
  // pos as it did, so comparisons can start after the lesser of the two.
  uint32_t smaller_prefix = 0;
  uint32_t greater_prefix = 0;
  uint32_t best_length = 1;
  unsigned count = 0;

  for (;;) {
    if (candidate >= pos || pos - candidate > dict_size_ || depth-- == 0) {
      *smaller_slot = kNoPosition;
      *greater_slot = kNoPosition;
      break;
    }
    const uint8_t* there = data + candidate;
    const uint32_t known = std::min(smaller_prefix, greater_prefix);
    const uint32_t length = known + MatchLength(there + known, here + known, max_copy - known);
    if (length > best_length) {
      best_length = length;
      matches[count++] = {length, pos - candidate};
    }
    const uint32_t slot = candidate & slot_mask_;
    if (length == implode::kMaxCopy) {
      // As far as copies can see, the two suffixes are equal: pos, being nearer,
      // replaces the candidate and takes over its children, which were ordered
      // within the same 518 bytes.
      *smaller_slot = left_[slot];
      *greater_slot = right_[slot];
      break;
    }
    // Where the input ends before 518 bytes, pos's suffix may be a prefix of the
    // older, longer one: then it sorts below it.
    if (length < max_copy && there[length] < here[length]) {
      *smaller_slot = candidate;
      smaller_slot = &right_[slot];
      candidate = right_[slot];
      smaller_prefix = length;
    } else {
      *greater_slot = candidate;
      greater_slot = &left_[slot];
      candidate = left_[slot];
      greater_prefix = length;
    }
  }
  return count;
}

void BinaryTree::Rebase(uint32_t shift) {
  for (auto* table : {&root_, &left_, &right_}) {
    for (uint32_t& pos : *table) pos = RebasePosition(pos, shift);
  }
}

}  // namespace vozip
