#!/usr/bin/env bash
# Building twice from the same commit gives byte-identical setup files. Builds the
# shipped (i686) setup program afresh in a scratch folder (another path, another
# time) and compares it with the preset build, packs the sample payload twice a
# second apart, and checks that no time stamp was written into either image. (The
# x86_64 program differs only in its compiler; one fresh build keeps this short.)
#
#   reproducible_dist_test.sh SOURCE_DIR VOZIP SCRATCH_DIR
# Exit 77 (skipped) when the win32 and win64 preset builds are not there to compare.
set -euo pipefail
source_dir=$1 vozip=$2 scratch=$3
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
declare -A preset_stub=(
  [i686]=$source_dir/build/win32/src/setup/setup.exe
  [x86_64]=$source_dir/build/win64/src/setup/setup.exe)
for arch in i686 x86_64; do
  if [ ! -f "${preset_stub[$arch]}" ]; then
    echo "skip: ${preset_stub[$arch]} is not built (build the win32 and win64 presets first)"
    exit 77
  fi
done

rm -rf "$scratch"
mkdir -p "$scratch"
failed=0
fail() { echo "FAIL: $*"; failed=1; }

for arch in i686; do
  build=$scratch/another/path/build-$arch
  cmake -S "$source_dir" -B "$build" -G Ninja --toolchain "$source_dir/cmake/toolchain-mingw-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
  cmake --build "$build" --target tsv_setup -j 2 >/dev/null
  if cmp "$build/src/setup/setup.exe" "${preset_stub[$arch]}"; then
    echo "ok: the $arch setup program built again is byte-identical"
  else
    fail "the $arch setup program differs between two builds"
  fi
done

export VOZIP=$vozip
STUB_I686=$scratch/another/path/build-i686/src/setup/setup.exe \
  "$source_dir/scripts/make-dist.sh" "$scratch/dist-1" >/dev/null
sleep 1
"$source_dir/scripts/make-dist.sh" "$scratch/dist-2" >/dev/null
for file in TesivoSetup.exe TesivoSetup-x64.exe; do
  if cmp "$scratch/dist-1/$file" "$scratch/dist-2/$file"; then
    echo "ok: $file is byte-identical when made twice"
  else
    fail "$file differs when made twice"
  fi
  stamps=$(python3 "$here/pe_timestamps.py" "$scratch/dist-1/$file")
  if nonzero=$(grep -v ' 0$' <<<"$stamps"); then
    fail "$file carries time stamps: $nonzero"
  else
    echo "ok: $file has no time stamp ($(wc -l <<<"$stamps") fields checked)"
  fi
done
exit "$failed"
