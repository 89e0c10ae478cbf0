#!/usr/bin/env bash
# Records what camview shows of every description we keep: the feature tree,
# the Param Setting panel and the saved settings, in English and Chinese.
#
#   scripts/goldens.sh BUILD_DIR OUT_DIR    writes the outputs to OUT_DIR
#   scripts/goldens.sh --check BUILD_DIR    compares them with tests/goldens/goldens.sha256
#   scripts/goldens.sh --update BUILD_DIR   rewrites tests/goldens/goldens.sha256
#
# BUILD_DIR must hold camview and the generated large descriptions
# (targets camview and large_description). Values that move on their own
# (a sensor's temperature, a time stamp) are masked, so the outputs depend
# only on the code. When --check finds a difference, record the outputs of
# the last good commit with the first form and diff them.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
manifest=$top/tests/goldens/goldens.sha256
mode=record
case "${1:-}" in
--check) mode=check; shift ;;
--update) mode=update; shift ;;
esac
build=$(cd "${1:?build directory}" && pwd)
if [ "$mode" = record ]; then
    out=${2:?output directory}
    mkdir -p "$out"
    out=$(cd "$out" && pwd)
else
    out=$(mktemp -d)
    trap 'rm -rf "$out"' EXIT
fi
camview=$build/host/camview
[ -x "$camview" ] || { echo "goldens: no camview in $build" >&2; exit 2; }

export QT_QPA_PLATFORM=offscreen
export CAMPANE_DISCOVERY_LOOPBACK_ONLY=1
export HOME=$out/home XDG_CONFIG_HOME=$out/home/.config
mkdir -p "$HOME"

# Feature values that change from one run to the next.
mask() { sed -E 's/^(\s*([A-Za-z]*Temperature|[A-Za-z]*Timestamp[A-Za-z]*|[A-Za-z]*TimeStamp[A-Za-z]*)(: |\t| = )).*/\1<varies>/'; }

descriptions() {
    (cd "$top" && find devices tests -name '*.xml' | LC_ALL=C sort)
    echo "$build/devices/large-5000.xml"
    echo "$build/devices/large-high-address.xml"
}

while read -r file; do
    case "$file" in /*) path=$file ;; *) path=$top/$file ;; esac
    stem=$(basename "$file" .xml)
    key=${file#"$build"/}
    key=${key//\//_}
    key=${key%.xml}
    add=--sim
    case "$stem" in *card*) add=--sim-card ;; esac
    for lang in en zh; do
        base=(--no-default-devices "$add" "$path" --focus "SIM-$stem" --lang "$lang")
        "$camview" "${base[@]}" --dump-tree 2>/dev/null | mask >"$out/$key.$lang.tree" || echo "exit $?" >>"$out/$key.$lang.tree"
        "$camview" "${base[@]}" --dump-panel 2>/dev/null | mask >"$out/$key.$lang.panel" || echo "exit $?" >>"$out/$key.$lang.panel"
        rm -f "$out/settings.txt"
        "$camview" "${base[@]}" --save-settings "$out/settings.txt" >/dev/null 2>&1 || true
        if [ -f "$out/settings.txt" ]; then mask <"$out/settings.txt"; else echo "(no settings file)"; fi \
            >"$out/$key.$lang.settings"
        rm -f "$out/settings.txt"
    done
done < <(descriptions)
rm -rf "$out/home"

sums() { (cd "$out" && sha256sum -- * | LC_ALL=C sort -k2); }
case "$mode" in
record) echo "goldens: outputs in $out" ;;
update) sums >"$manifest"; echo "goldens: $(wc -l <"$manifest") outputs recorded in $manifest" ;;
check)
    if differences=$(diff <(sums) "$manifest"); then
        echo "goldens: $(wc -l <"$manifest") outputs as recorded"
    else
        echo "goldens: outputs differ from the recorded ones (< now, > recorded):" >&2
        echo "$differences" >&2
        exit 1
    fi
    ;;
esac
