#!/usr/bin/env bash
# Builds the Debian packages (libcampane0, libcampane-dev, camview) from a copy
# of the tree in build-deb/ (or $DEB_DIR), checks them with lintian, installs
# them on this machine and builds two hosts against the installed package: the
# CMake consumer (find_package(CamPane), with a Designer form) and the same
# program through `pkg-config --cflags --libs campane`. Needs root or sudo.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=${DEB_DIR:-$root/build-deb}
bash "$root/scripts/setup.sh"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    SUDO="sudo"
fi

# dpkg-buildpackage writes the packages beside the source folder: a copy of
# the tree (committed and not) keeps them in $work.
rm -rf "$work"
mkdir -p "$work/src"
(cd "$root" && git ls-files -z --cached --others --exclude-standard | xargs -0 cp --parents -t "$work/src")
(cd "$work/src" && dpkg-buildpackage -b -us -uc -j"$(nproc)" >"$work/build.log" 2>&1) ||
    { tail -n 60 "$work/build.log"; echo "dpkg-buildpackage failed (log: $work/build.log)"; exit 1; }
debs=("$work"/libcampane0_*.deb "$work"/libcampane-dev_*.deb "$work"/camview_*.deb)
ls -1 "${debs[@]}"
lintian --fail-on error --suppress-tags no-symbols-control-file "$work"/*.changes

export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get install -y -qq --no-install-recommends --reinstall "${debs[@]}" >/dev/null
export QT_QPA_PLATFORM=offscreen
consumer=$root/tests/campane/pane/consumer

# Runs a program with its output in $work/<name>.log, shown when it fails.
run_logged() {
    local name=$1
    shift
    "$@" >"$work/$name.log" 2>&1 || { cat "$work/$name.log"; echo "$name failed"; return 1; }
}

echo "== CMake consumer against the installed package"
cmake -S "$consumer" -B "$work/consumer-cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$work/consumer-cmake" >/dev/null
run_logged consumer-cmake "$work/consumer-cmake/consumer"

echo "== pkg-config consumer: $(pkg-config --cflags --libs campane)"
mkdir -p "$work/consumer-pc"
"$(pkg-config --variable=host_bins Qt5Core)/uic" "$consumer/viewerform.ui" -o "$work/consumer-pc/ui_viewerform.h"
c++ -std=c++17 -fPIC -I"$work/consumer-pc" "$consumer/main.cpp" -o "$work/consumer-pc/consumer" \
    $(pkg-config --cflags --libs campane)
run_logged consumer-pc "$work/consumer-pc/consumer"

echo "== Designer plug-in where Designer looks"
qtbins=$(pkg-config --variable=host_bins Qt5Core)
plugin="$("$qtbins/qmake" -query QT_INSTALL_PLUGINS)/designer/libcampanedesigner.so"
# qtplugininfo prints the interface, then fails on the absent user data.
info=$("$qtbins/qtplugininfo" "$plugin" 2>/dev/null || true)
grep -q QDesignerCustomWidgetInterface <<<"$info" || { echo "no Designer plug-in at $plugin"; exit 1; }

echo "== camview from the package"
camview --version
# In Chinese: the panel's first tab is "拍摄" only when the installed
# catalogues are found, and it is there only when the installed devices are.
LC_ALL=C.UTF-8 camview --lang zh --focus SIM-kvx-slp-camera --dump-panel >"$work/camview-panel.txt" \
    2>"$work/camview.log" || { cat "$work/camview.log"; exit 1; }
grep -q "^拍摄" "$work/camview-panel.txt" || { cat "$work/camview-panel.txt"; exit 1; }
echo "packages built, lintian-clean, installed; both consumers built and ran"
