#!/usr/bin/env bash
# Renders the pictures of the look and feel into docs/ on a virtual X server:
# docs/buttons.png (every state of the skinned buttons) and docs/menu.png (the SMS menu
# open over the skinned window, with its flat frame and soft shadow).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
ninja -C "$build" veltro-lookshots veltro_art >/dev/null
unset XDG_CURRENT_DESKTOP VELTROGPRS_MENU_SHADOW VELTROGPRS_HIGH_CONTRAST
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 800x600x24" \
    "$build/bin/veltro-lookshots" docs/buttons.png docs/menu.png
echo "wrote docs/buttons.png and docs/menu.png"
