#!/usr/bin/env bash
# Builds everything and runs the main job: all three targets, then the setup files
# of the sample payload (dist/TesivoSetup.exe, dist/TesivoSetup-x64.exe) and a run
# of the x64 one under wine64 on a virtual display (screenshots in build/demo/).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

scripts/install-deps.sh
jobs=$(nproc)
for preset in host win64 win32; do
  echo "== build: $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done

echo "== vozip: compress a sample file and restore it"
sample=README.md
demo=build/host/demo
mkdir -p "$demo"
build/host/vozip implode -9 "$sample" "$demo/sample.imp"
build/host/vozip explode "$demo/sample.imp" "$demo/sample.out"
cmp "$sample" "$demo/sample.out"
echo "$sample: $(wc -c <"$sample") bytes, imploded $(wc -c <"$demo/sample.imp") bytes, restored byte for byte"

echo "== setup files: dist/"
scripts/make-dist.sh
ls -l dist/

echo "== demo"
scripts/demo.sh
