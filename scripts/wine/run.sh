#!/usr/bin/env bash
# CTest's emulator for the win64 build: runs a Windows program under wine64 in the
# session named by TSV_WINE_DIR (started by session.sh, normally as a CTest fixture).
# The program's exit status is passed through.
#
# Wine may start helper processes (services, explorer) that outlive the program and
# inherit its output descriptors; CTest would then wait on the pipe forever. So the
# program writes to files, which are copied to our output once it has ended.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
: "${TSV_WINE_DIR:?run.sh: TSV_WINE_DIR names no wine session (see session.sh)}"
"$here/session.sh" start "$TSV_WINE_DIR"
eval "$("$here/session.sh" env "$TSV_WINE_DIR")"

out=$(mktemp "$TSV_WINE_DIR/run.XXXXXX")
trap 'rm -f "$out" "$out.err"' EXIT
status=0
/usr/lib/wine/wine64 "$@" >"$out" 2>"$out.err" </dev/null || status=$?
cat "$out"
cat "$out.err" >&2
exit "$status"
