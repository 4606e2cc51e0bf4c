#!/usr/bin/env bash
# One wine session per test suite: a virtual X display, a 64-bit wine prefix and a
# persistent wineserver, all kept under one state folder (normally <build>/wine).
#
#   session.sh start DIR   start (or reuse) the session in DIR
#   session.sh stop DIR    stop that session's wineserver and display only
#   session.sh env DIR     print the environment lines for a shell to eval
#
# A new prefix takes half a minute; it is kept between runs in DIR/prefix, so only
# the first run of a build folder pays for it.
set -euo pipefail

cmd=${1:?usage: session.sh start|stop|env DIR}
dir=${2:?usage: session.sh start|stop|env DIR}
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)

wine_env() {
  export WINEPREFIX="$dir/prefix"
  export WINEDEBUG=-all
  # No Mono or Gecko prompts offline, and no menu entries or desktop files written
  # into the host's home for the links that installs create.
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  # The prefix links the user's desktop and documents folders to $HOME's; a home of
  # the session's own keeps what tests install there inside the build folder.
  export HOME="$dir/home"
  mkdir -p "$HOME"
  export WINEARCH=win64
  export DISPLAY=":$(cat "$dir/display")"
}

display_alive() {
  [ -f "$dir/display" ] && [ -f "$dir/xvfb.pid" ] && kill -0 "$(cat "$dir/xvfb.pid")" 2>/dev/null
}

start_display() {
  local n
  for n in $(seq 90 250); do
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$dir/xvfb.log" 2>&1 9>&- &
    local pid=$!
    for _ in $(seq 1 50); do
      if xdpyinfo -display ":$n" >/dev/null 2>&1; then
        echo "$n" >"$dir/display"
        echo "$pid" >"$dir/xvfb.pid"
        return 0
      fi
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill "$pid" 2>/dev/null || true
  done
  echo "session.sh: no free X display for Xvfb" >&2
  return 1
}

start() {
  exec 9>"$dir/lock"
  flock 9
  display_alive || start_display
  wine_env
  mkdir -p "$WINEPREFIX"
  # The persistent server comes first, so that every wine process of the suite, the
  # prefix set-up included, attaches to it. It outlives this script: it must hold
  # neither the lock nor the caller's output pipes, or the next start (and CTest,
  # waiting on the pipe) would hang. Status 2 means a server already runs there.
  wineserver -p >/dev/null 2>&1 9>&- </dev/null || [ $? -eq 2 ]
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    /usr/lib/wine/wine64 wineboot -i >"$dir/wineboot.log" 2>&1 9>&- </dev/null
  fi
  # Set on every start, so a prefix made before either setting still gets it:
  # without a window manager wine must draw window captions itself, or screenshots
  # show bare client areas.
  /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f \
    >>"$dir/wineboot.log" 2>&1 9>&- </dev/null
  # Nor is there one to confirm that a window was taken down: wine would wait two
  # seconds for it each time a dialog or message box closes.
  /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
    >>"$dir/wineboot.log" 2>&1 9>&- </dev/null
}

stop() {
  if [ -f "$dir/display" ]; then
    wine_env
    wineserver -k 2>/dev/null || true
  fi
  if [ -f "$dir/xvfb.pid" ]; then
    kill "$(cat "$dir/xvfb.pid")" 2>/dev/null || true
    rm -f "$dir/xvfb.pid"
  fi
}

case "$cmd" in
  start) start ;;
  stop) stop ;;
  env)
    wine_env
    printf 'export WINEPREFIX=%q WINEDEBUG=%q WINEDLLOVERRIDES=%q WINEARCH=%q DISPLAY=%q HOME=%q\n' \
      "$WINEPREFIX" "$WINEDEBUG" "$WINEDLLOVERRIDES" "$WINEARCH" "$DISPLAY" "$HOME" ;;
  *) echo "usage: session.sh start|stop|env DIR" >&2; exit 2 ;;
esac
