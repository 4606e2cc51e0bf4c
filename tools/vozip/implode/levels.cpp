#include "levels.h"

namespace vozip {

LevelPlan PlanForLevel(int level, unsigned dict_size) {
  switch (level) {
    case 1: return {Parser::kGreedy, {1, 16, false, 0}, {}};
    case 2: return {Parser::kGreedy, {4, 32, true, 0}, {}};
    case 3: return {Parser::kGreedy, {12, 64, true, 0}, {}};
    case 4: return {Parser::kLazy, {8, 32, true, 16}, {}};
    case 5: return {Parser::kLazy, {16, 64, true, 32}, {}};
    case 6: return {Parser::kLazy, {48, 128, true, 64}, {}};
    case 7: return {Parser::kOptimal, {}, {8}};
    case 8: return {Parser::kOptimal, {}, {32}};
    // A tree never holds more nodes than the dictionary has positions, so this
    // depth never cuts a search: every source is seen.
    default: return {Parser::kOptimal, {}, {dict_size}};
  }
}

}  // namespace vozip
