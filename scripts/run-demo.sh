#!/usr/bin/env bash
# Installs what is missing, builds, and runs the veltrogprs window on the virtual data card.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
exec build/bin/veltrogprs --demo "$@"
