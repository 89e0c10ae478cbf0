#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test offscreen
# with Qt 5; when that passes, the same with Qt 6 (scripts/test-qt6.sh) and
# the Debian packages built, installed and built against
# (scripts/test-packages.sh). CAMPANE_QT5_ONLY=1 stops after the Qt 5 suite.
# Arguments go to the Qt 5 build's CMake configure step.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh" "$@"
build=${BUILD_DIR:-$root/build}
(
    export QT_QPA_PLATFORM=offscreen
    cd "$build"
    ctest --output-on-failure -j "$(nproc)"
)
if [ -n "${CAMPANE_QT5_ONLY:-}" ]; then
    exit 0
fi
echo "== Qt 6 build and suite"
BUILD_DIR="$root/build-qt6" bash "$root/scripts/test-qt6.sh"
echo "== Debian packages"
DEB_DIR="$root/build-deb" bash "$root/scripts/test-packages.sh"
