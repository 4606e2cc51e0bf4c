#include "setup/driver_state.h"

namespace {
SetupDriverState state;
}  // namespace

SetupDriverState& Driver() { return state; }
