#!/usr/bin/env bash
# Makes docs/window.png: the main window after a start-up on the virtual data card, as an
# X server (Xvfb) shows it; then docs/menu.png (its SMS menu open), docs/call.png (a call
# ringing in), docs/phonebook.png (a phonebook with Chinese names), docs/unplugged.png
# (the card pulled out), docs/call-cut.png (pulled out during a call), docs/pin.png (the PIN
# dialog of a locked SIM) and docs/balance.png (the balance answer); the same in English
# in docs/en/. Builds what is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
source scripts/shot-env.sh
for language in zh_CN en_US; do
    folder=$(shot_folder "$language")
    for shot in window menu call phonebook traffic unplugged call-cut pin balance; do
        view=$shot
        [ "$shot" = window ] && view=
        shot_in "$language" veltrogprs-window-shot "$PWD/$folder/$shot.png" $view
        echo "$folder/$shot.png written"
    done
done
