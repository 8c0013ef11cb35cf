#!/usr/bin/env bash
# Makes docs/inbox.png and docs/compose.png: the inbox after it fetched Chinese messages
# from the virtual data card (one in parts), and the compose page with a long text, as an
# X server (Xvfb) shows them. Builds what is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -m 700 "$scratch/run"
(cd "$scratch" &&
    XDG_CONFIG_HOME="$scratch/config" XDG_STATE_HOME="$scratch/state" \
    XDG_RUNTIME_DIR="$scratch/run" QT_QPA_PLATFORM=xcb \
    xvfb-run -a -s "-screen 0 640x480x24" \
    "$OLDPWD/build/bin/veltrogprs-sms-shots" "$OLDPWD/docs/inbox.png" "$OLDPWD/docs/compose.png")
echo "docs/inbox.png and docs/compose.png written"
