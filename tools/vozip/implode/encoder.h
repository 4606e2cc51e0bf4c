// The encoder behind ImplodeStream and Implode, with the one setting they fix: how
// much of each candidate stream literals auto keeps in memory before spilling it to
// a temporary file.
#pragma once

#include <cstddef>

#include "implode.h"

namespace vozip {

ImplodeStatus RunEncoder(const ImplodeReader& read, const ImplodeWriter& write,
                         const ImplodeOptions& options, size_t spill_memory,
                         ImplodeSummary* summary);

}  // namespace vozip
