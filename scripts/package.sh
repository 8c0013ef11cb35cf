#!/usr/bin/env bash
# Builds the Debian package with Debian's hardening flags into build-deb/ and checks it
# with lintian. Install it with: sudo apt install ./build-deb/veltrogprs_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh --package

eval "$(dpkg-buildflags --export=sh)"
cmake -S . -B build-deb -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTRO_BUILD_TESTS=OFF \
    >/dev/null
cmake --build build-deb
rm -f build-deb/veltrogprs_*.deb
(cd build-deb && cpack -G DEB >/dev/null)
deb=$(ls build-deb/veltrogprs_*.deb)
echo "built $deb"
lintian --info "$deb" || true
