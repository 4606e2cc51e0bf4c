#!/usr/bin/env bash
# The Windows vozip under wine: implode then explode gives a binary file (vozip.exe
# itself, full of CR, LF and ^Z bytes that a text-mode file would mangle) and an
# empty file back byte for byte, and crc32 prints the running value.
#
#   codec_wine_smoke.sh RUNNER VOZIP_EXE WORK_DIR
set -euo pipefail
run=$1 vozip=$2 work=$3
rm -rf "$work"
mkdir -p "$work"
cd "$work"

cp "$vozip" in.bin
: >empty
printf abc >abc
for options in "" "-1 --literals coded --dict 1024"; do
  # shellcheck disable=SC2086  # options are words
  "$run" "$vozip" implode $options in.bin in.imp
  "$run" "$vozip" explode in.imp out.bin
  cmp in.bin out.bin
done
"$run" "$vozip" implode empty empty.imp
"$run" "$vozip" explode empty.imp empty.out
cmp empty empty.out
[ "$(stat -c %s in.imp)" -lt "$(stat -c %s in.bin)" ]

crc=$("$run" "$vozip" crc32 abc | tr -d '\r')
[ "$crc" = "CADBBE3D  abc" ] || { echo "crc32 printed '$crc'" >&2; exit 1; }
echo "codec wine smoke: ok"
