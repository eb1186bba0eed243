#!/usr/bin/env bash
# Installs what is missing, builds the program and runs it under Wine.
#
# With DISPLAY set the program appears on that display. Without one it runs on
# a private virtual display: a screenshot of the screen is saved to
# <build>/sondrel-screen.png once the window is up, and the program runs until
# it exits or you interrupt it (Ctrl+C). Nothing is left running afterwards.
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
for _ in $(seq 100); do
  kill -0 "$pid" 2>/dev/null || break
  xdotool search --onlyvisible --name '^Sondrel$' >/dev/null 2>&1 && break
  sleep 0.1
done
sleep 0.5
screenshot="$build/sondrel-screen.png"
import -window root "$screenshot"
echo "Screenshot of the virtual display: $screenshot"
rc=0
wait "$pid" || rc=$?
pid=
exit $rc
