#!/usr/bin/env bash
# Installs what is missing, builds, and runs veltrogprs on the virtual data card.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
if [ -x build/bin/veltrogprs ]; then
    exec build/bin/veltrogprs --demo "$@"
fi
exec build/bin/veltrogprs-cli --demo status "$@"
