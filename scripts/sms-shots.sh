#!/usr/bin/env bash
# Makes docs/inbox.png and docs/compose.png: the inbox after it fetched Chinese messages
# from the virtual data card (one in parts), and the compose page with a long text, as an
# X server (Xvfb) shows them; the same in English in docs/en/. Builds what is missing
# first.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
source scripts/shot-env.sh
for language in zh_CN en_US; do
    folder=$(shot_folder "$language")
    shot_in "$language" veltrogprs-sms-shots "$PWD/$folder/inbox.png" "$PWD/$folder/compose.png"
    echo "$folder/inbox.png and $folder/compose.png written"
done
