#!/usr/bin/env bash
# Builds the tree with Qt 6 into build-qt6/ (or $BUILD_DIR) and runs every
# test there, offscreen. The benchmarks are left out.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-qt6}
bash "$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} \
    -DCAMPANE_QT_MAJOR=6 -DCAMPANE_BUILD_BENCH=OFF "$@" >/dev/null
cmake --build "$build" -j "$(nproc)"
export QT_QPA_PLATFORM=offscreen
cd "$build"
ctest --output-on-failure -j "$(nproc)"
