#!/usr/bin/env bash
# Makes docs/inbox.png and docs/compose.png: the inbox after it fetched Chinese messages
# from the virtual data card (one in parts), and the compose page with a long text, as an
# X server (Xvfb) shows them; the same in English in docs/en/. Builds what is missing
# first.
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
    rm -rf "$scratch/vc.dat" "$scratch/sms.dat" "$scratch/state"
    (cd "$scratch" &&
        env -u LC_ALL -u LC_MESSAGES -u LANGUAGE LANG="$language.UTF-8" \
        XDG_CONFIG_HOME="$scratch/config" XDG_STATE_HOME="$scratch/state" \
        XDG_RUNTIME_DIR="$scratch/run" QT_QPA_PLATFORM=xcb \
        xvfb-run -a -s "-screen 0 640x480x24" \
        "$OLDPWD/build/bin/veltrogprs-sms-shots" "$OLDPWD/$folder/inbox.png" \
        "$OLDPWD/$folder/compose.png")
    echo "$folder/inbox.png and $folder/compose.png written"
done
