#!/usr/bin/env bash
# Crash trials: kills the real main window with SIGKILL at random moments while it saves
# "vc.dat"/"sms.dat" and fetches messages from the virtual card, and checks after every
# kill that each file is whole (old or new) and that no fetched message is lost or kept
# twice. One line per trial, then a summary; exits 1 on any violation.
#
#   scripts/crash-trials.sh [TRIALS] [SEED]     # default 100 trials, seed 1
#
# BUILD_DIR names the build folder (default build).
# The same seed draws the same kill moments, message arrivals and contact edits. The
# trials' folder (files, the window's logs) is kept and named in the summary.
set -euo pipefail
cd "$(dirname "$0")/.."
trials=${1:-100}
seed=${2:-1}
build=${BUILD_DIR:-build}
[ -d "$build" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" --target veltrogprs-crash-trials veltrogprs-crash-window >/dev/null
dir=$(mktemp -d "${TMPDIR:-/tmp}/veltrogprs-crash.XXXXXX")
exec "$build"/bin/veltrogprs-crash-trials --trials "$trials" --seed "$seed" --dir "$dir"
