#!/usr/bin/env bash
# The shipped file itself: installs the i686 dist/TesivoSetup.exe with 32-bit wine,
# which this x86_64 machine runs through qemu-i386 user emulation, in the suite's
# wine session, and compares the installed files with the sample payload.
#
#   i686_install_test.sh SOURCE_DIR UIDRIVER_EXE SCRATCH_DIR
# Exit 77 (skipped, with the reason) when 32-bit programs cannot run here.
set -euo pipefail
source_dir=$1 uidriver=$2 scratch=$3
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
session=$source_dir/scripts/wine/session.sh
: "${TSV_WINE_DIR:?names the wine session of the suite}"
# Starting 32-bit wine under emulation is slow; its first program gets this long.
start_budget=${TSV_I686_START_SECONDS:-120}

# The emulator's registration is undone afterwards if this case made it: while it
# stands, new 64-bit wine prefixes cannot be made on this machine.
registered_before=no
[ -e /proc/sys/fs/binfmt_misc/qemu-i386 ] && registered_before=yes
# 32-bit wine runs in process groups of its own (setsid), ended as a whole.
groups=()
restore() {
  for group in "${groups[@]}"; do kill -9 -- "-$group" 2>/dev/null || true; done
  [ "$registered_before" = no ] && "$source_dir/scripts/qemu-i386-binfmt.sh" remove
  return 0
}
trap restore EXIT
"$source_dir/scripts/qemu-i386-binfmt.sh"  # prints "skip: ..." and exits 77 when it cannot
setup_file=$source_dir/dist/TesivoSetup.exe
if [ ! -f "$setup_file" ]; then
  setup_file=$scratch/dist/TesivoSetup.exe
  [ -f "$source_dir/build/host/vozip" ] && [ -f "$source_dir/build/win32/src/setup/setup.exe" ] ||
    { echo "skip: no dist/TesivoSetup.exe, and no host and win32 builds to make one"; exit 77; }
  "$source_dir/scripts/make-dist.sh" "$scratch/dist" >/dev/null
fi

"$session" start "$TSV_WINE_DIR" </dev/null >/dev/null 2>&1
eval "$("$session" env "$TSV_WINE_DIR")"
ui() { /usr/lib/wine/wine64 "$uidriver" "$@" </dev/null; }

mkdir -p "$scratch"
setsid /usr/lib/wine/wine cmd /c exit </dev/null >/dev/null 2>&1 &
probe=$!
groups+=("$probe")
for _ in $(seq 1 "$start_budget"); do
  kill -0 "$probe" 2>/dev/null || break
  sleep 1
done
if kill -0 "$probe" 2>/dev/null; then
  echo "skip: 32-bit wine did not run a program within ${start_budget} s under qemu-i386 here"
  exit 77
fi

cp "$setup_file" "$scratch/TesivoSetup.exe"
( cd "$scratch" && exec setsid /usr/lib/wine/wine TesivoSetup.exe </dev/null >"$scratch/setup.log" 2>&1 ) &
setup_job=$!
groups+=("$setup_job")

# Printed with escapes: C:\\Program Files\\... stands for C:\Program Files\...
printed=$(ui timeout 300000 wait-dialog "Orvanel 3.01 Setup" print-text 206 | sed -n 's/^text 206=//p')
echo "welcome dialog of the 32-bit setup proposes $printed"
relative=$(printf '%s\n' "$printed" | sed -n -e 's/^C:[\\][\\]//' -e 's/[\\][\\]/\//gp')
if [ -z "$relative" ]; then
  echo "FAIL: unexpected destination '$printed'"
  exit 1
fi
unix_destination=$WINEPREFIX/drive_c/$relative
rm -rf "$unix_destination"
ui wait-dialog "Orvanel 3.01 Setup" press 201 >/dev/null

for _ in $(seq 1 600); do
  kill -0 "$setup_job" 2>/dev/null || break
  if out=$(ui timeout 500 wait-message 2>/dev/null); then
    echo "FAIL: the setup showed a message:"; echo "$out"; exit 1
  fi
done
if kill -0 "$setup_job" 2>/dev/null; then echo "FAIL: the setup did not end"; exit 1; fi

failed=0
expected=$(cd "$source_dir/samples/payload" && find . -type f | sort)
installed=$(cd "$unix_destination" && find . -type f | sort)
if [ "$expected" != "$installed" ]; then
  echo "FAIL: installed files differ from the payload:"; diff <(echo "$expected") <(echo "$installed") || true
  failed=1
fi
while IFS= read -r file; do
  cmp "$source_dir/samples/payload/$file" "$unix_destination/$file" || failed=1
done <<<"$expected"
rm -rf "$unix_destination"
[ "$failed" -eq 0 ] && echo "ok: the 32-bit setup installed every file of the sample payload intact"
exit "$failed"
