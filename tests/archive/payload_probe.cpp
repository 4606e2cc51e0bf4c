// A stand-in for the setup program: unpacks the payload appended to its own file
// into the folder named by its one argument (a program path). Exit code 0 when
// UnpackPayload succeeds, 1 when it fails; it prints how often it pumped.
//
// Its image must not hold the upper-case marker, exactly like the setup's.
#include <cstdio>

#include "archive/payload_locator.h"

namespace {

int pump_calls = 0;

void CountPump(bool destroy) {
  if (!destroy) ++pump_calls;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  InitPayloadMarker();
  const bool unpacked = UnpackPayload(argv[1], &CountPump);
  std::printf("pumps %d\n", pump_calls);
  return unpacked ? 0 : 1;
}
