#include "optimal_parser.h"

#include <algorithm>

#include "explode/implode_format.h"

namespace vozip {

OptimalParser::OptimalParser(uint32_t max_range) : matches_(implode::kMaxCopy + 1) {
  for (auto& nodes : nodes_) nodes.reset(new Node[size_t{max_range} + 1]);
}

void OptimalParser::Parse(BinaryTree& tree, const ParseRange& range, const TreeEffort& effort,
                          const CostModel* const* costs, Items* const* items,
                          unsigned model_count) {
  const uint32_t length = range.end - range.begin;
  for (unsigned k = 0; k < model_count; ++k) {
    std::fill_n(nodes_[k].get(), length + 1, Node{UINT32_MAX, {0, 0}});
    nodes_[k][0].cost = 0;
  }
  uint32_t covered = 0;  // positions before this are inside a copy taken whole
  for (uint32_t at = 0; at < length; ++at) {
    const uint32_t pos = range.begin + at;
    const unsigned match_count = tree.FindAndInsert(range.data, pos, MaxCopyAt(range, pos),
                                                    effort.depth, matches_.data());
    if (at < covered) continue;  // no edges leave from inside such a copy
    const uint32_t room = length - at;
    if (match_count > 0 && matches_[match_count - 1].length >= effort.nice && room >= 2) {
      // A long copy is taken whole, without weighing every shorter length and every
      // position it covers: a shortcut of the faster levels.
      const Match longest = matches_[match_count - 1];
      const uint32_t copy_length = std::min(longest.length, room);
      for (unsigned k = 0; k < model_count; ++k) {
        RelaxCopy(*costs[k], nodes_[k].get(), at, copy_length, longest.distance);
      }
      covered = at + copy_length;
      continue;
    }
    for (unsigned k = 0; k < model_count; ++k) {
      Relax(*costs[k], nodes_[k].get(), at, range.data[pos], matches_.data(), match_count, room);
    }
  }
  for (unsigned k = 0; k < model_count; ++k) Trace(nodes_[k].get(), length, items[k]);
}

// Offers the edges leaving `at` (whose cost is final) to the positions they reach.
// `room` is how many positions are left in the range.
void OptimalParser::Relax(const CostModel& costs, Node* nodes, uint32_t at,
                          uint8_t byte, const Match* matches, unsigned match_count,
                          uint32_t room) const {
  const uint32_t here = nodes[at].cost;
  Node* const next = nodes + at;
  const uint32_t literal = here + costs.LiteralCost(byte);
  if (literal < next[1].cost) next[1] = {literal, {1, 0}};

  // Entry k is the nearest source for every length from the previous entry's + 1 to
  // its own; a length-2 copy must come from no more than 256 bytes back.
  uint32_t copy_length = implode::kMinCopy;
  for (unsigned k = 0; k < match_count && copy_length <= room; ++k) {
    const uint32_t top = std::min(matches[k].length, room);
    const uint32_t distance = matches[k].distance;
    const uint16_t distance16 = static_cast<uint16_t>(distance);
    if (copy_length == implode::kMinCopy) {
      if (distance <= implode::kMaxShortCopyDistance) {
        const uint32_t cost = here + costs.length[2] + costs.short_distance[distance];
        if (cost < next[2].cost) next[2] = {cost, {2, distance16}};
      }
      copy_length = 3;
    }
    const uint32_t base = here + costs.long_distance[distance];
    for (; copy_length <= top; ++copy_length) {
      const uint32_t cost = base + costs.length[copy_length];
      if (cost < next[copy_length].cost) {
        next[copy_length] = {cost, {static_cast<uint16_t>(copy_length), distance16}};
      }
    }
  }
}

void OptimalParser::RelaxCopy(const CostModel& costs, Node* nodes, uint32_t at,
                              uint32_t copy_length, uint32_t distance) {
  const uint32_t cost = nodes[at].cost + costs.CopyCost(copy_length, distance);
  Node& to = nodes[at + copy_length];
  if (cost < to.cost) {
    to = {cost, {static_cast<uint16_t>(copy_length), static_cast<uint16_t>(distance)}};
  }
}

void OptimalParser::Trace(const Node* nodes, uint32_t length, Items* items) {
  items->clear();
  for (uint32_t at = length; at > 0; at -= nodes[at].last.length) items->push_back(nodes[at].last);
  std::reverse(items->begin(), items->end());
}

}  // namespace vozip
