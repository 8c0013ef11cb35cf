#!/usr/bin/env bash
# Installs what is missing, builds, and runs the veltrogprs window on the virtual data card.
# The window runs in a folder of its own, so its "vc.dat" and "sms.dat" stay out of the
# source tree and are there again on the next demo.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
folder="${XDG_DATA_HOME:-$HOME/.local/share}/veltrogprs-demo"
mkdir -p -m 700 "$folder"
echo "The demo keeps its phonebook and messages (vc.dat, sms.dat) in $folder"
program="$PWD/build/bin/veltrogprs"
cd "$folder"
exec "$program" --demo "$@"
