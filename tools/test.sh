#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite
# under Wine. The build tree (and its Wine prefix) is kept, so a second run is
# quick. Set SONDREL_BUILD_DIR to use another build tree than ./build.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${SONDREL_BUILD_DIR:-build}

tools/build.sh "$build"
trap 'tools/wine.sh --build "$build" stop' EXIT

ctest --test-dir "$build" --output-on-failure
