#!/usr/bin/env bash
# Large-file check: packs one 3 GiB file of zeros, tests the archive and extracts
# it again, then checks the extracted file is 3 GiB of zeros. It exercises the
# sizes beyond 2 GiB (entries, positions, counters) that small tests cannot reach.
# Needs about 3 GiB of free disk space beside the work folder; takes minutes.
#
#   bench/roundtrip_3gib.sh [--vozip PATH] [WORK_PARENT]
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
vozip="$here/../build/host/vozip"
parent=${TMPDIR:-/tmp}
while [ $# -gt 0 ]; do
  case "$1" in
    --vozip) vozip=$2; shift 2 ;;
    -h|--help) sed -n '2,9p' "$0"; exit 0 ;;
    *) parent=$1; shift ;;
  esac
done
[ -x "$vozip" ] || { echo "no vozip at $vozip (build the host preset)" >&2; exit 1; }
size=$((3 * 1024 * 1024 * 1024))
work=$(mktemp -d "$parent/vozip-3gib.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/src"
# A sparse file reads as zeros without taking disk space.
truncate -s "$size" "$work/src/zeros.bin"

step() {
  local name=$1; shift
  local start end
  start=$(date +%s.%N)
  /usr/bin/time -f '%M' -o "$work/mem.txt" "$@"
  end=$(date +%s.%N)
  printf '%-8s %8.1f s  peak RSS %s KiB\n' "$name" "$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')" \
    "$(cat "$work/mem.txt")"
}

step pack "$vozip" pack "$work/src" -o "$work/zeros.voz"
printf 'archive: %s bytes for %s bytes\n' "$(stat -c %s "$work/zeros.voz")" "$size"
"$vozip" list "$work/zeros.voz"
step test "$vozip" test "$work/zeros.voz"
step extract "$vozip" extract "$work/zeros.voz" -d "$work/out"
actual=$(stat -c %s "$work/out/zeros.bin")
[ "$actual" -eq "$size" ] || { echo "FAIL: extracted $actual bytes, expected $size" >&2; exit 1; }
cmp -n "$size" "$work/out/zeros.bin" /dev/zero || { echo "FAIL: extracted file is not all zeros" >&2; exit 1; }
echo "OK: 3 GiB of zeros packed, tested and extracted intact"
