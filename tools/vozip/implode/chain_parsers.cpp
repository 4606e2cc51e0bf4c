#include "chain_parsers.h"

namespace vozip {
namespace {

// A copy is kept only when it costs fewer bits than the literals it stands for.
// Long ones always do: 7 literals cost at least 35 bits, a copy at most 30.
bool Pays(const Match& match, const ParseRange& range, uint32_t pos, const CostModel& costs) {
  if (match.length == 0) return false;
  if (match.length >= 7) return true;
  unsigned literal_bits = 0;
  for (uint32_t i = 0; i < match.length; ++i) {
    literal_bits += costs.LiteralCost(range.data[pos + i]);
  }
  return costs.CopyCost(match.length, match.distance) < literal_bits;
}

class ChainParse {
 public:
  ChainParse(HashChain& chain, const ParseRange& range, const ChainEffort& effort,
             const CostModel& costs, Items* items)
      : chain_(chain), range_(range), effort_(effort), costs_(costs), items_(*items) {}

  // The best copy at pos that pays for itself, and pos indexed for later searches.
  Match FindAndInsert(uint32_t pos) {
    const uint32_t max_copy = MaxCopyAt(range_, pos);
    Match match = chain_.Find(range_.data, pos, max_copy, effort_.depth, effort_.nice);
    chain_.Insert(range_.data, pos, max_copy);
    return Pays(match, range_, pos, costs_) ? match : Match{};
  }

  void Literal() { items_.push_back({1, 0}); }

  // Emits a copy starting at pos, whose first `indexed` positions are already in
  // the chains; returns the position after it.
  uint32_t Copy(uint32_t pos, const Match& match, uint32_t indexed) {
    items_.push_back({static_cast<uint16_t>(match.length), static_cast<uint16_t>(match.distance)});
    const uint32_t after = pos + match.length;
    if (effort_.insert_in_copies) {
      for (uint32_t p = pos + indexed; p < after; ++p) {
        chain_.Insert(range_.data, p, MaxCopyAt(range_, p));
      }
    }
    return after;
  }

 private:
  HashChain& chain_;
  const ParseRange& range_;
  const ChainEffort& effort_;
  const CostModel& costs_;
  Items& items_;
};

// Lazy evaluation prefers the later copy when it is longer: one literal more, but
// fewer bytes left for the items after it.
bool Better(const Match& later, const Match& now) { return later.length > now.length; }

}  // namespace

uint32_t ParseGreedy(HashChain& chain, const ParseRange& range, const ChainEffort& effort,
                     const CostModel& costs, Items* items) {
  ChainParse parse(chain, range, effort, costs, items);
  uint32_t pos = range.begin;
  while (pos < range.end) {
    const Match match = parse.FindAndInsert(pos);
    if (match.length == 0) {
      parse.Literal();
      ++pos;
    } else {
      pos = parse.Copy(pos, match, 1);
    }
  }
  return pos;
}

uint32_t ParseLazy(HashChain& chain, const ParseRange& range, const ChainEffort& effort,
                   const CostModel& costs, Items* items) {
  ChainParse parse(chain, range, effort, costs, items);
  uint32_t pos = range.begin;
  Match match = pos < range.end ? parse.FindAndInsert(pos) : Match{};
  while (pos < range.end) {
    if (match.length == 0) {
      parse.Literal();
      if (++pos < range.end) match = parse.FindAndInsert(pos);
      continue;
    }
    // Looking ahead stays inside the range, so that no position is indexed twice.
    if (match.length < effort.lazy_limit && pos + 1 < range.end) {
      const Match later = parse.FindAndInsert(pos + 1);
      if (Better(later, match)) {
        parse.Literal();
        ++pos;
        match = later;
        continue;
      }
      pos = parse.Copy(pos, match, 2);
    } else {
      pos = parse.Copy(pos, match, 1);
    }
    if (pos < range.end) match = parse.FindAndInsert(pos);
  }
  return pos;
}

}  // namespace vozip
