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
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -m 700 "$scratch/run"
mkdir -p docs/en
for language in zh_CN en_US; do
    folder=docs
    [ "$language" = en_US ] && folder=docs/en
    for shot in window menu call phonebook traffic unplugged call-cut pin balance; do
        view=$shot
        [ "$shot" = window ] && view=
        rm -rf "$scratch/vc.dat" "$scratch/sms.dat" "$scratch/state"
        (cd "$scratch" &&
            env -u LC_ALL -u LC_MESSAGES -u LANGUAGE LANG="$language.UTF-8" \
            XDG_CONFIG_HOME="$scratch/config" XDG_STATE_HOME="$scratch/state" \
            XDG_RUNTIME_DIR="$scratch/run" QT_QPA_PLATFORM=xcb \
            xvfb-run -a -s "-screen 0 640x480x24" \
            "$OLDPWD/build/bin/veltrogprs-window-shot" "$OLDPWD/$folder/$shot.png" $view)
        echo "$folder/$shot.png written"
    done
done
