#!/usr/bin/env bash
# Installs a build into a scratch DESTDIR with the prefix /usr and checks the tree: every
# file where it belongs and nothing elsewhere, the peers file's mode, the desktop entry
# and the AppStream metainfo valid, and the installed programs running from there.
# usage: install_test.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
root=$scratch/root
DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null

failed=0
fail() {
    echo "FAIL: $*"
    failed=1
}

expected=(
    usr/bin/veltrogprs usr/bin/veltrogprs-cli usr/bin/veltrogprs-vcard
    usr/libexec/veltrogprs/veltrogprs-dialer
    usr/share/veltrogprs/DAT/BK.BMP usr/share/veltrogprs/DAT/app32.png
    usr/share/veltrogprs/DAT/close.bmp usr/share/veltrogprs/Callring.wav
    usr/share/veltrogprs/translations/veltrogprs_en.qm
    usr/share/applications/org.veltrogprs.VeltroGPRS.desktop
    usr/share/metainfo/org.veltrogprs.VeltroGPRS.metainfo.xml
    usr/share/icons/hicolor/16x16/apps/veltrogprs.png
    usr/share/icons/hicolor/256x256/apps/veltrogprs.png
    usr/lib/udev/rules.d/70-veltrogprs.rules
    etc/ppp/peers/veltrogprs
    usr/share/man/man1/veltrogprs.1.gz usr/share/man/man1/veltrogprs-cli.1.gz
    usr/share/man/man1/veltrogprs-vcard.1.gz
    usr/share/bash-completion/completions/veltrogprs-cli
)
for file in "${expected[@]}"; do
    [ -f "$root/$file" ] || fail "not installed: $file"
done
for program in veltrogprs veltrogprs-cli veltrogprs-vcard; do
    [ -x "$root/usr/bin/$program" ] || fail "not executable: usr/bin/$program"
done
stray=$(cd "$root" && find . -type f ! -path './usr/*' ! -path './etc/ppp/peers/*')
[ -z "$stray" ] || fail "installed outside usr/ and etc/ppp/peers: $stray"
[ "$(stat -c %a "$root/etc/ppp/peers/veltrogprs")" = 644 ] || fail "peers file mode is not 644"

desktop-file-validate "$root/usr/share/applications/org.veltrogprs.VeltroGPRS.desktop" ||
    fail "desktop entry"
appstreamcli validate --no-net \
    "$root/usr/share/metainfo/org.veltrogprs.VeltroGPRS.metainfo.xml" >"$scratch/appstream" 2>&1 ||
    { cat "$scratch/appstream"; fail "metainfo"; }

# The installed programs, away from the build tree and the user's own files.
mkdir -m 700 "$scratch/home" "$scratch/run"
run() {
    (cd "$scratch/home" && env -i PATH=/usr/bin:/bin HOME="$scratch/home" \
        XDG_RUNTIME_DIR="$scratch/run" "$@")
}
[ "$(run "$root/usr/bin/veltrogprs-cli" --version)" = "veltrogprs-cli $version" ] ||
    fail "veltrogprs-cli --version"
[ "$(run "$root/usr/bin/veltrogprs-vcard" --version)" = "veltrogprs-vcard $version" ] ||
    fail "veltrogprs-vcard --version"
# No display at all: the window program still answers --help and --version.
run "$root/usr/bin/veltrogprs" --help | grep -q '^usage: veltrogprs ' || fail "veltrogprs --help"
[ "$(run "$root/usr/bin/veltrogprs" --version)" = "veltrogprs $version" ] ||
    fail "veltrogprs --version"
status=$(run "$root/usr/bin/veltrogprs-cli" --demo status) || fail "veltrogprs-cli --demo status"
echo "$status" | grep -qx 'sim: ready' || fail "--demo status printed: $status"
# An English desktop: the installed window finds its English texts.
run env LANG=en_US.UTF-8 QT_QPA_PLATFORM=offscreen timeout 4 "$root/usr/bin/veltrogprs" \
    >"$scratch/window" 2>&1 || true
! grep -q 'English texts' "$scratch/window" || { cat "$scratch/window"; fail "English texts"; }

[ $failed -eq 0 ] && echo "installed tree checked"
exit $failed
