#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need.
# Idempotent and quiet: packages already present are not fetched again.
set -euo pipefail

packages=(
    build-essential cmake pkg-config git
    qtbase5-dev qttools5-dev qttools5-dev-tools
    qt6-base-dev qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools libgl-dev
    debhelper dpkg-dev fakeroot lintian
    libaravis-dev libusb-1.0-0-dev zlib1g-dev aravis-tools
    libxml2-utils
    fonts-dejavu-core fonts-wqy-microhei
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
