#!/usr/bin/env bash
# Installs what is missing, builds camview and runs it with the simulated
# devices. Without a display it renders offscreen, writes a screenshot and
# says where. Arguments go to camview (see `camview --help`).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
bash "$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} >/dev/null
cmake --build "$build" --target camview -j "$(nproc)"
camview="$build/host/camview"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    screenshot=${SCREENSHOT:-$build/camview.png}
    echo "No display: rendering offscreen to $screenshot"
    QT_QPA_PLATFORM=offscreen "$camview" --screenshot "$screenshot" "$@"
    echo "Screenshot: $screenshot"
else
    exec "$camview" "$@"
fi
