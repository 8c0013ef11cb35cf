#!/usr/bin/env bash
# Installs the Debian packages veltrogprs needs to build, test and run, when missing.
# With --package also what scripts/package.sh needs to build and check the .deb.
# Idempotent and non-interactive; uses sudo when not run as root.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev qt6-tools-dev qt6-l10n-tools
    libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev
    fonts-arphic-uming qt6-translations-l10n xvfb xauth
    ppp gammu python3-gammu
    clang libclang-rt-14-dev
    desktop-file-utils appstream
    acl util-linux
)
if [ "${1:-}" = --package ]; then
    packages+=(dpkg-dev fakeroot lintian file)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
echo "Installing: ${missing[*]}"
$sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
