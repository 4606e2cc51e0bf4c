#!/usr/bin/env bash
# The shipped file itself: installs the i686 dist/TesivoSetup.exe with 32-bit wine,
# which this x86_64 machine runs through qemu-i386 user emulation, answers the
# messages as a user would, and compares the installed files with the sample payload.
#
#   i686_install_test.sh SOURCE_DIR UIDRIVER_EXE SCRATCH_DIR
# Exit 77 (skipped, with the reason) when 32-bit programs cannot run here.
#
# The case has a wine session of its own (display, prefix and server under
# SCRATCH_DIR/wine): under emulation it runs for minutes, and with windows of its own
# it neither waits for nor disturbs the suite's other cases meanwhile.
set -euo pipefail
source_dir=$1 uidriver=$2 scratch=$3
session=$source_dir/scripts/wine/session.sh
wine_dir=$scratch/wine
# Under emulation the first 32-bit program of a session takes minutes to start.
start_budget_ms=${TSV_I686_START_MS:-900000}
caption="Orvanel 3.01 Setup"

mkdir -p "$scratch"
setup_file=$source_dir/dist/TesivoSetup.exe
if [ ! -f "$setup_file" ]; then
  setup_file=$scratch/dist/TesivoSetup.exe
  [ -f "$source_dir/build/host/vozip" ] && [ -f "$source_dir/build/win32/src/setup/setup.exe" ] ||
    { echo "skip: no dist/TesivoSetup.exe, and no host and win32 builds to make one"; exit 77; }
  "$source_dir/scripts/make-dist.sh" "$scratch/dist" >/dev/null
fi

registered_before=no
[ -e /proc/sys/fs/binfmt_misc/qemu-i386 ] && registered_before=yes
# 32-bit wine runs in a process group of its own (setsid), ended as a whole.
setup_group=
restore() {
  [ -n "$setup_group" ] && kill -9 -- "-$setup_group" 2>/dev/null
  "$session" stop "$wine_dir" >/dev/null 2>&1
  # Undone when made here: while it stands, new 64-bit prefixes cannot be made.
  [ "$registered_before" = no ] && "$source_dir/scripts/qemu-i386-binfmt.sh" remove
  return 0
}
trap restore EXIT
# The prefix is made before the emulator is registered (see qemu-i386-binfmt.sh).
"$session" start "$wine_dir" </dev/null >/dev/null 2>&1
eval "$("$session" env "$wine_dir")"
"$source_dir/scripts/qemu-i386-binfmt.sh"  # prints "skip: ..." and exits 77 when it cannot

ui() { /usr/lib/wine/wine64 "$uidriver" "$@" </dev/null; }
cp "$setup_file" "$scratch/TesivoSetup.exe"
( cd "$scratch" && exec setsid /usr/lib/wine/wine TesivoSetup.exe </dev/null >"$scratch/setup.log" 2>&1 ) &
setup_group=$!

# Printed with escapes: C:\\Program Files\\... stands for C:\Program Files\...
if ! printed=$(ui timeout "$start_budget_ms" wait-dialog "$caption" print-text 206); then
  echo "FAIL: the 32-bit setup showed no welcome dialog within $((start_budget_ms / 1000)) s"
  cat "$scratch/setup.log"
  exit 1
fi
printed=$(sed -n 's/^text 206=//p' <<<"$printed")
echo "welcome dialog of the 32-bit setup proposes $printed"
relative=$(printf '%s\n' "$printed" | sed -n -e 's/^C:[\\][\\]//' -e 's/[\\][\\]/\//gp')
[ -n "$relative" ] || { echo "FAIL: unexpected destination '$printed'"; exit 1; }
unix_destination=$WINEPREFIX/drive_c/$relative
rm -rf "$unix_destination"
ui wait-dialog "$caption" press 201 >/dev/null

# A completed run shows exactly one message, registration's success message.
messages=()
for _ in $(seq 1 600); do
  kill -0 "$setup_group" 2>/dev/null || break
  if out=$(ui timeout 1000 wait-message 2>/dev/null); then
    messages+=("$out")
    ui timeout 1000 wait-message answer OK >/dev/null 2>&1 || true
  fi
done
if kill -0 "$setup_group" 2>/dev/null; then echo "FAIL: the setup did not end"; exit 1; fi

failed=0
if [ "${#messages[@]}" -ne 1 ] || ! grep -q "successfully installed" <<<"${messages[0]}"; then
  echo "FAIL: expected the success message alone; the setup showed ${#messages[@]} message(s):"
  printf '%s\n' "${messages[@]}"
  failed=1
fi
expected=$(cd "$source_dir/samples/payload" && find . -type f | sort)
installed=$( (cd "$unix_destination" && find . -type f ! -name Tesivo.ini | sort) || true)
if [ "$expected" != "$installed" ]; then
  echo "FAIL: installed files differ from the payload:"; diff <(echo "$expected") <(echo "$installed") || true
  failed=1
fi
while IFS= read -r file; do
  cmp "$source_dir/samples/payload/$file" "$unix_destination/$file" || failed=1
done <<<"$expected"
[ "$failed" -eq 0 ] && echo "ok: the 32-bit setup installed every file of the sample payload intact"
exit "$failed"
