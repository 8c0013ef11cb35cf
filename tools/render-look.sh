#!/usr/bin/env bash
# Renders docs/buttons.png (every state of the skinned buttons) on a virtual X server.
# docs/window.png and docs/menu.png come from the real window: scripts/window-shot.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
ninja -C "$build" veltro-lookshots veltro_art >/dev/null
unset XDG_CURRENT_DESKTOP VELTROGPRS_MENU_SHADOW VELTROGPRS_HIGH_CONTRAST
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 800x600x24" \
    "$build/bin/veltro-lookshots" docs/buttons.png
echo "wrote docs/buttons.png"
