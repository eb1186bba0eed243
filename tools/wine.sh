#!/usr/bin/env bash
# Runs this build's Windows programs under Wine.
#
#   wine.sh --build DIR run PROGRAM [ARGS...]   prepare, then run PROGRAM
#   wine.sh --build DIR display                 prepare, then print the X display used
#   wine.sh --build DIR stop                    stop the wineserver and Xvfb of DIR
#
# Preparation is idempotent and shared by every program run from DIR:
#   - a private 32-bit Wine prefix in DIR/wine, created once, with unmanaged
#     windows, the ALSA sound driver and Wine's own fonts;
#   - a persistent wineserver, so each program starts quickly;
#   - when DISPLAY is unset, one private Xvfb display kept for DIR;
#   - a private ALSA capture device for each program run: every sound it plays
#     lands byte for byte in the raw file named by SONDREL_CAPTURE_FILE (a
#     fresh temporary file unless the caller names one).
#
# With SONDREL_DPI set (for example 120), programs run in a second prefix
# whose screen reports that many pixels per inch.
set -euo pipefail

build=
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build=$2; shift 2 ;;
    *) break ;;
  esac
done
[ -n "$build" ] || { echo "wine.sh: --build DIR is required" >&2; exit 2; }
mkdir -p "$build"
build=$(cd "$build" && pwd)
cmd=${1:-}; shift || true

export WINEPREFIX="$build/wine${SONDREL_DPI:+-dpi$SONDREL_DPI}"
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
state="$build/wine-state"
mkdir -p "$state"

alive() { [ -f "$1" ] && kill -0 "$(cat "$1")" 2>/dev/null; }

start_xvfb() {
  if alive "$state/xvfb.pid" && [ -s "$state/xvfb.display" ]; then
    return
  fi
  rm -f "$state/xvfb.display"
  setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp \
    3>"$state/xvfb.display" 9>&- </dev/null >/dev/null 2>&1 &
  echo $! >"$state/xvfb.pid"
  for _ in $(seq 100); do
    [ -s "$state/xvfb.display" ] && return
    sleep 0.1
  done
  echo "wine.sh: Xvfb did not start" >&2
  exit 1
}

prepare() {
  exec 9>"$state/lock"
  flock 9
  if [ -z "${DISPLAY:-}" ]; then
    start_xvfb
    export DISPLAY=":$(head -n1 "$state/xvfb.display")"
  fi
  if [ ! -f "$WINEPREFIX/.sondrel-ready" ]; then
    wineboot -i >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d alsa /f >/dev/null 2>&1
    if [ -n "${SONDREL_DPI:-}" ]; then
      for key in 'HKCU\Control Panel\Desktop' 'HKCC\Software\Fonts'; do
        wine reg add "$key" /v LogPixels /t REG_DWORD /d "$SONDREL_DPI" /f >/dev/null 2>&1
      done
    fi
    wineserver -w
    touch "$WINEPREFIX/.sondrel-ready"
  fi
  # Wine's own fonts (MS Sans Serif, Marlett for the caption buttons, Tahoma)
  # are not found in its data folder by this build; the prefix's Fonts folder
  # is always searched.
  fonts="$WINEPREFIX/drive_c/windows/Fonts"
  if [ -d /usr/share/wine/fonts ] && [ ! -e "$fonts/marlett.ttf" ]; then
    mkdir -p "$fonts"
    cp /usr/share/wine/fonts/* "$fonts/"
  fi
  # A no-op when a server already runs for this prefix.
  wineserver -p 9>&- >/dev/null 2>&1 || true
  flock -u 9
  exec 9>&-
}

case "$cmd" in
  run)
    [ $# -ge 1 ] || { echo "wine.sh: run needs a program" >&2; exit 2; }
    prepare
    capture_dir="$state/alsa"
    mkdir -p "$capture_dir"
    capture=${SONDREL_CAPTURE_FILE:-$capture_dir/$$.raw}
    conf="$capture_dir/$$.conf"
    printf 'pcm.!default { type file; slave.pcm { type null }; file "%s"; format "raw" }\n' \
      "$capture" >"$conf"
    export ALSA_CONFIG_PATH="$conf"
    export SONDREL_CAPTURE_FILE="$capture"
    # The output goes through a file: Wine's helper processes, started by the
    # first program a new wineserver runs, inherit the program's output
    # handles and would keep a pipe open long after the program has ended.
    output="$capture_dir/$$.out"
    rc=0
    wine "$@" </dev/null >"$output" 2>&1 || rc=$?
    cat "$output"
    [ "$capture" = "$capture_dir/$$.raw" ] && rm -f "$capture"
    rm -f "$conf" "$output"
    exit $rc
    ;;
  display)
    prepare
    echo "$DISPLAY"
    ;;
  stop)
    for prefix in "$build"/wine "$build"/wine-dpi*; do
      [ -d "$prefix" ] && WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
    done
    if alive "$state/xvfb.pid"; then
      kill "$(cat "$state/xvfb.pid")" 2>/dev/null || true
    fi
    rm -f "$state/xvfb.pid" "$state/xvfb.display"
    ;;
  *)
    echo "usage: wine.sh --build DIR run PROGRAM [ARGS...] | display | stop" >&2
    exit 2
    ;;
esac
