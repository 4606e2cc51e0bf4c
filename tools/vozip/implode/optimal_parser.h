// Minimum-cost parse: the cheapest items, in bits, that cover a range.
//
// Every item's cost is fixed by the format, so the best parse of a range is a
// shortest path: positions are nodes, a literal is an edge to the next position, a
// copy of length L an edge L positions on. Walking the positions in order, each one's
// cheapest cost is final when it is reached (all edges go forward), and its edges
// relax the positions after it: the literal, and for every length 2 to 518 the copy
// from the nearest source of at least that length (the nearest is the cheapest, and
// the length codes are not monotone, so every length is tried). Following the chosen
// edges back from the range's end gives the parse.
//
// Several cost models (raw and coded literals) share one walk of the match finder.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "binary_tree.h"
#include "cost_model.h"
#include "parse.h"

namespace vozip {

struct TreeEffort {
  unsigned depth;  // tree nodes examined per position
  // A copy at least this long is taken whole, with no other edge from its start or
  // from inside it; above 518, never (the parse is then exact).
  unsigned nice;
};

class OptimalParser {
 public:
  static constexpr unsigned kMaxModels = 2;

  // `max_range` bounds the ranges given to Parse.
  explicit OptimalParser(uint32_t max_range);

  // Parses exactly [range.begin, range.end): no item runs past its end. For each of
  // the `model_count` models, items[k] receives the cheapest parse under costs[k];
  // every position of the range is inserted into `tree`.
  void Parse(BinaryTree& tree, const ParseRange& range, const TreeEffort& effort,
             const CostModel* const* costs, Items* const* items, unsigned model_count);

 private:
  // Cheapest known way to reach a position: its cost and the last item on it.
  struct Node {
    uint32_t cost;
    Item last;
  };

  void Relax(const CostModel& costs, Node* nodes, uint32_t at, uint8_t byte,
             const Match* matches, unsigned match_count, uint32_t room) const;
  static void RelaxCopy(const CostModel& costs, Node* nodes, uint32_t at,
                        uint32_t copy_length, uint32_t distance);
  static void Trace(const Node* nodes, uint32_t length, Items* items);

  // One node per position of a range and its end, for each model. Left
  // uninitialised until a range uses them: small inputs touch little of them.
  std::unique_ptr<Node[]> nodes_[kMaxModels];
  std::vector<Match> matches_;
};

}  // namespace vozip
