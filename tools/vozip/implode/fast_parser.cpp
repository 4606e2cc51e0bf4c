#include "fast_parser.h"

#include "match.h"
#include "match_length.h"

namespace vozip {

FastParser::FastParser(unsigned dict_size)
    : dict_size_(dict_size), last_(size_t{1} << kHashBits, kNoPosition) {}

uint32_t FastParser::Parse(const ParseRange& range, Items* items) {
  const uint8_t* data = range.data;
  uint32_t pos = range.begin;
  while (pos < range.end) {
    const uint32_t max_copy = MaxCopyAt(range, pos);
    if (max_copy >= 3) {
      uint32_t& slot = last_[Hash3(data + pos)];
      const uint32_t candidate = slot;
      slot = pos;
      // A 3-byte copy costs at most 1 + 2 + 8 + 6 = 17 bits: less than the 27 of
      // three raw literals, and in coded mode less than most three letters.
      if (candidate < pos && pos - candidate <= dict_size_) {
        const uint32_t length = MatchLength(data + candidate, data + pos, max_copy);
        if (length >= 3) {
          items->push_back({static_cast<uint16_t>(length), static_cast<uint16_t>(pos - candidate)});
          pos += length;
          continue;
        }
      }
    }
    items->push_back({1, 0});
    ++pos;
  }
  return pos;
}

void FastParser::Rebase(uint32_t shift) {
  for (uint32_t& pos : last_) pos = RebasePosition(pos, shift);
}

}  // namespace vozip
