// The encoder behind ImplodeStream and Implode, with the sizes they fix: how much
// input one parse step covers, and how much of each candidate stream literals auto
// keeps in memory before spilling it to a temporary file.
#pragma once

#include <cstddef>
#include <cstdint>

#include "implode.h"

namespace vozip {

struct EncoderLimits {
  // Positions parsed per step. The minimum-cost parse is exact within a block (its
  // items do not cross a block's end, which costs about a byte per block); its
  // memory grows with the block, 8 bytes per position and literal mode.
  uint32_t optimal_block = 1u << 20;
  // The other parses only need a block to keep their buffers small.
  uint32_t chain_block = 1u << 18;
  size_t spill_memory = size_t{16} << 20;
};

ImplodeStatus RunEncoder(const ImplodeReader& read, const ImplodeWriter& write,
                         const ImplodeOptions& options, const EncoderLimits& limits,
                         ImplodeSummary* summary);

}  // namespace vozip
