// The parsers over hash chains: greedy (take the best copy at each position) and
// lazy (first look whether the next position starts a better one).
#pragma once

#include "cost_model.h"
#include "hash_chain.h"
#include "parse.h"

namespace vozip {

struct ChainEffort {
  unsigned depth;         // chain entries examined per search
  unsigned nice;          // a copy this long ends a search
  bool insert_in_copies;  // index every position a copy covers (else only its start)
  unsigned lazy_limit;    // lazy: a copy this long is taken without looking ahead
};

// Both parse [range.begin, range.end) and may run up to 517 bytes past its end with
// a last copy; they return the position after their last item. `costs` decides
// where a copy is worth less than the literals it replaces.
uint32_t ParseGreedy(HashChain& chain, const ParseRange& range, const ChainEffort& effort,
                     const CostModel& costs, Items* items);
uint32_t ParseLazy(HashChain& chain, const ParseRange& range, const ChainEffort& effort,
                   const CostModel& costs, Items* items);

}  // namespace vozip
