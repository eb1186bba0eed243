#!/usr/bin/env bash
# Installs what is missing, configures the build tree once and builds the
# given targets (everything when none is given).
#   usage: build.sh BUILD_DIR [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
build=$1
shift

tools/setup.sh
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
fi
targets=()
for t in "$@"; do targets+=(--target "$t"); done
cmake --build "$build" -j"$(nproc)" "${targets[@]}"
