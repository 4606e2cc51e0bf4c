#!/usr/bin/env bash
# The Windows vozip under wine: packs a small folder, lists, tests and extracts it,
# builds a setup file from it and extracts that, and checks a damaged copy fails
# with the extractor's checksum result.
#
#   wine_smoke.sh VOZIP_EXE RUN_SH     (RUN_SH: scripts/wine/run.sh)
set -euo pipefail
vozip=$1
run=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

fail() { echo "FAIL: $*" >&2; exit 1; }
vz() { "$run" "$vozip" "$@"; }

mkdir -p payload/bin payload/docs
printf 'Tessivo\r\n' >payload/readme.txt
seq 1 20000 >payload/bin/numbers.txt
: >payload/docs/empty.dat
printf 'MZ fake setup program\n' >stub.exe

vz pack payload -o app.voz -9 --attrib 'docs/*=+H' >pack.txt || fail "pack: $(cat pack.txt)"
vz list app.voz >list.txt || fail "list"
grep -q 'bin\\numbers.txt' list.txt || fail "list lacks bin\\numbers.txt: $(cat list.txt)"
grep -q -- '-H-A docs\\empty.dat' list.txt || fail "list lacks the hidden empty file: $(cat list.txt)"
grep -q '3 files' list.txt || fail "list totals: $(cat list.txt)"
vz test app.voz >test.txt || fail "test: $(cat test.txt)"

vz extract app.voz -d out >/dev/null || fail "extract"
diff -r payload out || fail "extracted files differ"
[ ! -e out/tempfile.\$\$\$ ] || fail "temporary copy left behind"

vz build --stub stub.exe --archive app.voz -o setup.exe >/dev/null || fail "build"
vz extract setup.exe -d "from setup" >/dev/null || fail "extract of the setup file"
diff -r payload "from setup" || fail "files from the setup file differ"

cp app.voz damaged.voz
printf '\xAA' | dd of=damaged.voz bs=1 seek=20 conv=notrunc status=none
status=0
vz test damaged.voz 2>err.txt || status=$?
[ "$status" -eq 5 ] || fail "test of a damaged archive exited $status: $(cat err.txt)"
cmp -s app.voz damaged.voz && fail "the damaged copy is not damaged"
echo "vozip under wine: pack, list, test, extract, build all passed"
