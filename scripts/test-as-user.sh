#!/usr/bin/env bash
# Runs the suites labelled "user" (those that open ports, ptys, files or pppd) again as an
# ordinary user: root passes exclusive opens, file modes and pppd's privileged options
# that fail in a user's session. Needs root; creates a throwaway user and removes it.
#   scripts/test-as-user.sh [build-folder]
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")

if [ "$(id -u)" -ne 0 ]; then
    ctest --test-dir "$build" -L user --output-on-failure -j"$(nproc)"
    exit
fi

user=veltro-ci-$$
useradd --system --no-create-home --shell /usr/sbin/nologin --user-group "$user"
scratch=$(mktemp -d /tmp/veltro-user.XXXXXX)
folders=()
trees=()
cleanup() {
    for path in "${folders[@]}"; do
        setfacl -x "u:$user" "$path" 2>/dev/null || true
    done
    for path in "${trees[@]}"; do
        setfacl -R -x "u:$user" "$path" 2>/dev/null || true
    done
    rm -rf "$scratch"
    userdel "$user" 2>/dev/null || true
    groupdel "$user" 2>/dev/null || true
}
trap cleanup EXIT

as_user() {
    setpriv --reuid="$user" --regid="$user" --init-groups -- "$@"
}

# The user may traverse every folder above the sources and read the sources and the build
# folder; nothing else is opened up, and only for this user.
dir=$(pwd)
while [ "$dir" != / ]; do
    if ! as_user test -x "$dir"; then
        setfacl -m "u:$user:x" "$dir"
        folders+=("$dir")
    fi
    dir=$(dirname "$dir")
done
# (The fuzzers' build, which may be compiling meanwhile, is not needed.)
for tree in . "$build"; do
    if [ -n "$(find "$tree" -path ./build-fuzz -prune -o ! -perm -o+r -print -quit)" ]; then
        setfacl -R -m "u:$user:rX" "$tree"
        trees+=("$tree")
    fi
done
# CTest keeps its logs under Testing/ in the build folder.
mkdir -p "$build/Testing/Temporary"
setfacl -R -m "u:$user:rwX" "$build/Testing"
trees+=("$build/Testing")

install -d -o "$user" -g "$user" -m 0700 "$scratch/home" "$scratch/run" "$scratch/left"
# Data files an earlier run as root left in the user's folder (app_test_foreign_files).
setfacl -m "u:$user:x" "$scratch"
printf root > "$scratch/left/vc.dat"
printf root > "$scratch/left/sms.dat"
truncate -s 48 "$scratch/left/vc.dat"
truncate -s 320 "$scratch/left/sms.dat"
chmod 0600 "$scratch/left/vc.dat" "$scratch/left/sms.dat"
as_user env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$scratch/home" \
    XDG_RUNTIME_DIR="$scratch/run" TMPDIR=/tmp LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen \
    VELTRO_ROOT_LEFT_FILES="$scratch/left" ctest --test-dir "$build" -L user --output-on-failure \
    -j"$(($(nproc) * 2))"
