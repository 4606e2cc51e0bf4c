#!/usr/bin/env bash
# Runs dist/TesivoSetup-x64.exe as a user would, in wine64 on a virtual display:
# presses Install, answers what it asks, and reports what the run showed and where
# the files went. Screenshots go to build/demo/ (welcome dialog, progress window,
# final message or, when the run ends without one, the screen after the run).
#
#   scripts/demo.sh          (after scripts/build-all.sh has built dist/)
#
# The demo has its own wine prefix (build/demo/wine), so it never disturbs the test
# suites' prefixes; the first run takes half a minute to make it.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
demo=$root/build/demo
setup=$root/dist/TesivoSetup-x64.exe
uidriver=$root/build/win64/tests/support/ui_driver/uidriver.exe
for f in "$setup" "$uidriver"; do
  [ -f "$f" ] || { echo "demo: $f is missing: run scripts/build-all.sh first" >&2; exit 1; }
done

mkdir -p "$demo"
rm -f "$demo"/*.png
session=$root/scripts/wine/session.sh
"$session" start "$demo/wine" </dev/null >/dev/null 2>&1
trap '"$session" stop "$demo/wine" >/dev/null 2>&1 || true' EXIT
eval "$("$session" env "$demo/wine")"
wine=/usr/lib/wine/wine64
drive_c=$WINEPREFIX/drive_c
# Wine's Program Files folder, as the registry names it; the install goes below it.
destination_unix="$drive_c/Program Files/Brastel/Tesivo"
rm -rf "$drive_c/Program Files/Brastel"
mkdir -p "$drive_c/users/Public/Downloads"
cp "$setup" "$drive_c/users/Public/Downloads/"

ui() { "$wine" "$uidriver" "$@" </dev/null 2>&1; }

echo "== demo: starting TesivoSetup-x64.exe under wine64 on display $DISPLAY"
( cd "$drive_c/users/Public/Downloads" && exec "$wine" TesivoSetup-x64.exe </dev/null >"$demo/setup.log" 2>&1 ) &
setup_job=$!

ui wait-dialog "Orvanel 3.01 Setup" print-title print-text 206 screenshot "$demo/1-welcome.png"
echo "   screenshot: build/demo/1-welcome.png"

# The progress window of this small payload is up for a fraction of a second. To
# photograph it, the setup process is paused (SIGSTOP) the moment its window
# appears on the display, and resumed after the picture.
setup_pid=$(pgrep -f 'TesivoSetup-x64.exe' | head -n 1 || true)
ui wait-dialog "Orvanel 3.01 Setup" press 201 >/dev/null
progress_shot=no
for _ in $(seq 1 400); do
  if xdotool search --onlyvisible --name 'Setup is placing files on your computer' >/dev/null 2>&1; then
    # Let it paint the window once before pausing it.
    sleep 0.02
    [ -n "$setup_pid" ] && kill -STOP "$setup_pid" 2>/dev/null
    sleep 0.3
    import -window root "$demo/2-progress.png" && progress_shot=yes
    [ -n "$setup_pid" ] && kill -CONT "$setup_pid" 2>/dev/null
    break
  fi
  kill -0 "$setup_job" 2>/dev/null || break
  sleep 0.005
done
if [ "$progress_shot" = yes ]; then
  echo "   progress window shown; screenshot: build/demo/2-progress.png"
else
  echo "   the progress window came and went too fast to photograph"
fi

# Answer every message until the setup ends; the first one is photographed.
messages=0
while kill -0 "$setup_job" 2>/dev/null; do
  if out=$(ui timeout 1000 wait-message); then
    messages=$((messages + 1))
    echo "   message box:"
    sed 's/^message /     /' <<<"$out"
    [ "$messages" -eq 1 ] && import -window root "$demo/3-final-message.png" &&
      echo "   screenshot: build/demo/3-final-message.png"
    if grep -q 'buttons=.*Yes' <<<"$out"; then answer=Yes; else answer=OK; fi
    ui timeout 1000 wait-message answer "$answer" >/dev/null || true
    echo "     answered: $answer"
  fi
done
wait "$setup_job" || true
[ "$messages" -eq 0 ] && echo "   the run ended without a message box (registration is still a placeholder)"

echo "== demo: installed files below C:\\Program Files\\Brastel\\Tesivo ($destination_unix):"
if [ -d "$destination_unix" ]; then
  (cd "$destination_unix" && find . -type f -printf '   %TY-%Tm-%Td %TH:%TM  %8s  %P\n' | sort -k4)
  if [ "$messages" -eq 0 ]; then
    import -window root "$demo/3-final-screen.png"
    echo "   screenshot of the screen after the run: build/demo/3-final-screen.png"
  fi
else
  echo "   nothing was installed"
  exit 1
fi
