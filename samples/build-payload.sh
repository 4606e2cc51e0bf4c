#!/usr/bin/env bash
# Rebuilds the programs of the sample payload (samples/payload/) from samples/src/
# for 32-bit Windows. The results are kept in the repository, so a setup can be
# built without this step; run it after changing a source and commit the output.
# No C runtime and no time stamps: the same sources give the same bytes.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
cc=i686-w64-mingw32-gcc
flags=(-Os -s -nostdlib -fno-asynchronous-unwind-tables -Wall -Wextra -Werror
       -Wl,--no-insert-timestamp -Wl,--build-id=none)
"$cc" "${flags[@]}" -mwindows -e _Start -o payload/Tesivo.exe src/tesivo.c -luser32 -lgdi32 -lkernel32
"$cc" "${flags[@]}" -mwindows -e _Start -o payload/uninst.exe src/uninst.c -luser32 -lkernel32
"$cc" "${flags[@]}" -shared -e _DllMain@12 -Wl,--kill-at -o payload/Contmenu.dll src/contmenu.c -lkernel32
ls -l payload/Tesivo.exe payload/uninst.exe payload/Contmenu.dll
