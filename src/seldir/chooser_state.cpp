#include "seldir/chooser_state.h"

namespace {
ChooserState state;
}  // namespace

ChooserState& Chooser() { return state; }
