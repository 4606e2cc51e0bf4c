#!/usr/bin/env bash
# Builds the setup files of the sample payload from the finished builds:
#   dist/TesivoSetup.exe      the i686 setup program (build/win32), the one we ship
#   dist/TesivoSetup-x64.exe  the x86_64 one (build/win64), which our tests run
# with build/host/vozip. Reproducible: file times later than SOURCE_DATE_EPOCH
# (default: the time of the last commit) are stored as that time, and times are
# taken in UTC, so the same commit gives the same bytes on any machine.
#
#   scripts/make-dist.sh [OUT_DIR]      (default: dist)
#
# STUB_I686, STUB_X64 and VOZIP name other setup programs and another vozip.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=${1:-$root/dist}
vozip=${VOZIP:-$root/build/host/vozip}
payload=$root/samples/payload

export TZ=UTC
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo 0)
fi
export SOURCE_DATE_EPOCH

rules=()
while IFS= read -r rule; do
  case "$rule" in ''|'#'*) continue ;; esac
  rules+=(--attrib "$rule")
done <"$root/samples/payload-attributes.txt"

mkdir -p "$out"
build() {  # stub output
  if [ ! -f "$1" ]; then
    echo "make-dist: $1 is missing: build the win32 and win64 presets first" >&2
    exit 1
  fi
  "$vozip" build --stub "$1" --payload "$payload" -o "$2" "${rules[@]}"
}
build "${STUB_I686:-$root/build/win32/src/setup/setup.exe}" "$out/TesivoSetup.exe"
build "${STUB_X64:-$root/build/win64/src/setup/setup.exe}" "$out/TesivoSetup-x64.exe"
