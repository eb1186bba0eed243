#!/usr/bin/env bash
# Installs what is missing, builds the program and runs it under Wine.
#
# With DISPLAY set the program appears on that display. Without one it runs on
# a private virtual display: screenshots of the screen and of the window are
# saved to <build>/sondrel-screen.png and <build>/sondrel-window.png once the
# window is up, and the program runs until it exits or you interrupt it
# (Ctrl+C). Nothing is left running afterwards. SONDREL_DPI (for example 144)
# runs it on a screen of that many pixels per inch.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${SONDREL_BUILD_DIR:-build}

tools/build.sh "$build" sondrel >/dev/null
program="$build/app/sondrel.exe"

cleanup() {
  [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null || true
  tools/wine.sh --build "$build" stop
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if [ -n "${DISPLAY:-}" ]; then
  tools/wine.sh --build "$build" run "$program"
  exit
fi

DISPLAY=$(tools/wine.sh --build "$build" display)
export DISPLAY
tools/wine.sh --build "$build" run "$program" &
pid=$!
# Wait for the main window (or for the program to end), then take the picture.
# The main window: the visible "Sondrel" window larger than a pixel (the
# application's own window has the title too).
main_window() {
  local id
  for id in $(xdotool search --onlyvisible --name '^Sondrel$' 2>/dev/null); do
    xdotool getwindowgeometry "$id" 2>/dev/null | grep -q 'Geometry: 1x1$' || { echo "$id"; return; }
  done
}
window=
for _ in $(seq 100); do
  kill -0 "$pid" 2>/dev/null || break
  window=$(main_window)
  [ -n "$window" ] && break
  sleep 0.1
done
sleep 0.5
screenshot="$build/sondrel-screen.png"
import -window root "$screenshot"
echo "Screenshot of the virtual display: $screenshot"
if [ -n "$window" ]; then
  import -window "$window" "$build/sondrel-window.png"
  echo "Screenshot of the window: $build/sondrel-window.png"
fi
rc=0
wait "$pid" || rc=$?
pid=
exit $rc
