#!/usr/bin/env bash
# CTest's emulator for the win64 build: runs a Windows program under wine64 in the
# session named by TSV_WINE_DIR (started by session.sh, normally as a CTest fixture).
# The program's exit status is passed through.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
: "${TSV_WINE_DIR:?run.sh: TSV_WINE_DIR names no wine session (see session.sh)}"
"$here/session.sh" start "$TSV_WINE_DIR"
eval "$("$here/session.sh" env "$TSV_WINE_DIR")"
exec /usr/lib/wine/wine64 "$@"
