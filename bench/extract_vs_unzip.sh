#!/usr/bin/env bash
# Extraction benchmark: 'vozip extract' of an archive of a folder next to 'unzip' of
# a zip of the same files (deflate level 6, 'zip -6'), in one run.
#
#   bench/extract_vs_unzip.sh [--runs N] [--vozip PATH] [FOLDER]
#
# FOLDER defaults to the shared corpus (/work/shared/corpus), vozip to the host
# build (build/host/vozip). Each tool extracts N times (default 7) into a fresh
# folder; the report gives the minimum wall time, the minimum processor time (user
# + system, which other load on the machine disturbs less) and the peak memory
# (maximum resident set size, from GNU time) of each, and the peak memory of the
# same program doing nothing ('vozip --help', 'unzip -v'): the difference is what
# the extraction itself holds. Both outputs are compared with the source folder.
# Runs alternate between the two tools so that a busy machine hurts both alike.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
runs=7
vozip="$here/../build/host/vozip"
folder=/work/shared/corpus
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs=$2; shift 2 ;;
    --vozip) vozip=$2; shift 2 ;;
    -h|--help) sed -n '2,15p' "$0"; exit 0 ;;
    *) folder=$1; shift ;;
  esac
done
[ -x "$vozip" ] || { echo "no vozip at $vozip (build the host preset)" >&2; exit 1; }
for tool in zip unzip /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "needs $tool" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The payload: a copy without MANIFEST-like extras is not needed; both tools get
# exactly the same files.
cp -r "$folder" "$work/src"
"$vozip" pack "$work/src" -o "$work/payload.voz" >/dev/null
(cd "$work/src" && zip -q -6 -r "$work/payload.zip" .)

# Wall seconds, peak kilobytes and processor seconds of one command, from GNU time.
measure() {
  /usr/bin/time -f '%e %M %U %S' -o "$work/time.txt" "$@" >/dev/null 2>&1
  awk '{ printf "%s %s %.2f\n", $1, $2, $3 + $4 }' "$work/time.txt"
}

min() { awk 'NR==1 || $1 < m { m = $1 } END { print m }'; }

: >"$work/vozip.txt"
: >"$work/unzip.txt"
for _ in $(seq "$runs"); do
  rm -rf "$work/out-vozip" "$work/out-unzip"
  sync
  measure "$vozip" extract "$work/payload.voz" -d "$work/out-vozip" >>"$work/vozip.txt"
  measure unzip -q "$work/payload.zip" -d "$work/out-unzip" >>"$work/unzip.txt"
done
diff -r "$work/src" "$work/out-vozip" >/dev/null || { echo "vozip extract differs from the source" >&2; exit 1; }
diff -r "$work/src" "$work/out-unzip" >/dev/null || { echo "unzip differs from the source" >&2; exit 1; }

vozip_base=$(measure "$vozip" --help | cut -d' ' -f2)
unzip_base=$(measure unzip -v | cut -d' ' -f2)
files=$(find "$work/src" -type f | wc -l)
bytes=$(du -sb --apparent-size "$work/src" | cut -f1)

printf 'payload: %s files, %s bytes; archive %s bytes, zip %s bytes\n' "$files" "$bytes" \
  "$(stat -c %s "$work/payload.voz")" "$(stat -c %s "$work/payload.zip")"
printf 'runs: %s each, alternating; minimum times in seconds; peak RSS in KiB\n' "$runs"
printf '%-14s %8s %8s %10s %10s %10s\n' tool wall cpu peak baseline "peak-base"
report() {
  local name=$1 file=$2 base=$3 wall cpu peak
  wall=$(cut -d' ' -f1 "$file" | min)
  cpu=$(cut -d' ' -f3 "$file" | min)
  peak=$(cut -d' ' -f2 "$file" | sort -n | tail -1)
  printf '%-14s %8s %8s %10s %10s %10s\n' "$name" "$wall" "$cpu" "$peak" "$base" $((peak - base))
}
report "vozip extract" "$work/vozip.txt" "$vozip_base"
report "unzip" "$work/unzip.txt" "$unzip_base"
awk -v a="$(cut -d' ' -f1 "$work/vozip.txt" | min)" -v b="$(cut -d' ' -f1 "$work/unzip.txt" | min)" \
    -v c="$(cut -d' ' -f3 "$work/vozip.txt" | min)" -v d="$(cut -d' ' -f3 "$work/unzip.txt" | min)" \
    'BEGIN { if (b > 0 && d > 0) printf "vozip/unzip: wall %.2f, cpu %.2f\n", a / b, c / d }'
