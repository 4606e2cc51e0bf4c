#!/usr/bin/env bash
# Runs every test suite from a fresh checkout: installs what is missing, builds the
# host, sanitizer, fuzzing and both Windows configurations, then runs the host tests
# natively, again under ASan/UBSan, short fuzzing runs, and the Windows tests under
# wine64 in a virtual display. The 32-bit build is compiled and linked; it runs only
# in the one end-to-end case that emulates it.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

scripts/install-deps.sh
jobs=$(nproc)

for preset in host host-asan fuzz win64 win32; do
  echo "== build: $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done

for preset in host host-asan fuzz win64; do
  echo "== test: $preset"
  ctest --preset "$preset" -j "$jobs"
done
echo "== all test suites passed"
