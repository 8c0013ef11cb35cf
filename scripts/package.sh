#!/usr/bin/env bash
# Builds the Debian package with Debian's hardening flags into build-deb/ and checks it
# with lintian. Install it with: sudo apt install ./build-deb/veltrogprs_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh --package

# Debian's flags with every hardening feature; CMake takes the preprocessor's part
# (_FORTIFY_SOURCE) only through the compiler flags.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
eval "$(dpkg-buildflags --export=sh)"
export CFLAGS="$CFLAGS $CPPFLAGS" CXXFLAGS="$CXXFLAGS $CPPFLAGS"
if [ -f build-deb/CMakeCache.txt ] && ! grep -qF -- "$CXXFLAGS" build-deb/CMakeCache.txt; then
    rm -rf build-deb
fi
cmake -S . -B build-deb -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTRO_BUILD_TESTS=OFF \
    >/dev/null
cmake --build build-deb
rm -f build-deb/veltrogprs_*.deb
(cd build-deb && cpack -G DEB >/dev/null)
deb=$(ls build-deb/veltrogprs_*.deb)
echo "built $deb"
# The package must stay clean: an error or a warning fails the build (info tags are shown).
lintian --info --display-info --fail-on error,warning "$deb"
