// What each compression level does: which parser, and how hard its match finder
// searches.
#pragma once

#include "chain_parsers.h"
#include "optimal_parser.h"

namespace vozip {

enum class Parser { kFast, kGreedy, kLazy, kOptimal };

struct LevelPlan {
  Parser parser;
  ChainEffort chain;  // greedy and lazy
  TreeEffort tree;    // optimal
};

// The plan of a level from 1 to 9 for the given dictionary size.
LevelPlan PlanForLevel(int level, unsigned dict_size);

}  // namespace vozip
