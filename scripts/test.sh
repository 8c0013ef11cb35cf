#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test suite: the full build
# (Qt tests on the offscreen platform), its suites that touch ports, ptys, files or pppd
# again as an ordinary user, then a short run of every fuzz target and the Qt-free core's
# suites under clang with ASan+UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)
# Each phase's wall time, to keep the whole run's budget in view.
phase_start=$SECONDS
phase() {
    echo "== phase: $1 took $((SECONDS - phase_start)) s (total $SECONDS s)"
    phase_start=$SECONDS
}

phase setup
bash scripts/build.sh
phase build
# The suites mostly wait for the virtual card in real time: meanwhile the clang build
# for the fuzzers and the sanitizers compiles at the lowest priority, so that it takes
# only the processor time the suites leave.
sanitizer_log=$(mktemp)
nice -n 19 env FUZZ_BUILD_ONLY=1 bash scripts/fuzz.sh >"$sanitizer_log" 2>&1 &
sanitizer_build=$!
# A failed suite ends the run: the build in the background (cmake and its ninja) with it.
# (Each step may find nothing left to stop: the run's own status stands.)
trap 'pkill -P "$sanitizer_build" || true; kill "$sanitizer_build" 2>/dev/null || true
rm -f "$sanitizer_log"' EXIT
# Two suites a core: most of their time they wait for the virtual card or a timer.
ctest --test-dir build --output-on-failure -j"$((jobs * 2))"
# Root passes what a user's session fails: the suites that open ports, ptys, files or
# pppd run again as a throwaway ordinary user.
if [ "$(id -u)" -eq 0 ]; then
    bash scripts/test-as-user.sh build
fi
phase tests

# The Qt-free core again under clang with ASan and UBSan, in the fuzzers' build so that
# its libraries compile once for both: every fuzz target over its corpus and for a few
# seconds more (scripts/fuzz.sh with a longer time is the campaign), then every core suite.
if ! wait "$sanitizer_build"; then
    cat "$sanitizer_log"
    exit 1
fi
rm -f "$sanitizer_log"
phase sanitizer-build
FUZZ_SMOKE=1 bash scripts/fuzz.sh 3
phase fuzz
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-fuzz -L core --output-on-failure -j"$jobs"
phase sanitizer-tests

# Figures the project tracks; they print, they do not fail the run.
for bench in build/bin/bench_*; do
    [ -x "$bench" ] && "$bench"
done
phase benchmarks
echo "All tests passed."
