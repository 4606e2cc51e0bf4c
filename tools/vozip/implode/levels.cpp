#include "levels.h"

#include "explode/implode_format.h"

namespace vozip {

LevelPlan PlanForLevel(int level, unsigned dict_size) {
  switch (level) {
    case 1: return {Parser::kFast, {}, {}};
    case 2: return {Parser::kGreedy, {4, 32, true, 0}, {}};
    case 3: return {Parser::kGreedy, {12, 64, true, 0}, {}};
    case 4: return {Parser::kLazy, {8, 32, true, 8}, {}};
    case 5: return {Parser::kLazy, {16, 64, true, 16}, {}};
    case 6: return {Parser::kLazy, {32, 96, true, 32}, {}};
    case 7: return {Parser::kOptimal, {}, {8, 32}};
    case 8: return {Parser::kOptimal, {}, {32, 128}};
    // A tree never holds more nodes than the dictionary has positions, so this
    // depth never cuts a search: every source is seen, every edge weighed.
    default: return {Parser::kOptimal, {}, {dict_size, implode::kMaxCopy + 1}};
  }
}

}  // namespace vozip
