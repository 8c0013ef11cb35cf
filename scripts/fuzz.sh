#!/usr/bin/env bash
# Coverage-guided fuzzing of every reader of outside input (fuzz/): builds the libFuzzer
# targets with clang, ASan and UBSan into build-fuzz/, writes their seeds and runs each
# target for SECONDS (default 60) over its corpus.
#
#   scripts/fuzz.sh [SECONDS]        each target that long
#   FUZZ_RUNS=N scripts/fuzz.sh      each target for N executions instead
#   FUZZ_RUNS=N scripts/fuzz.sh S    N executions or S seconds, whichever comes first
#   FUZZ_TARGETS="cmgl dib" ...      only these targets
#   FUZZ_SMOKE=1 scripts/fuzz.sh 5   CI: replay the corpus, then a short run; the
#                                    inputs found are not kept
#   FUZZ_BUILD_ONLY=1 scripts/fuzz.sh  build everything of build-fuzz (the targets and
#                                    the core suites under the sanitizers), run nothing
#
# Inputs a target finds go to build-fuzz/corpus/<target>/; crashes, leaks and
# sanitizer reports to build-fuzz/findings/. A finding that has been fixed belongs in
# fuzz/corpus/<target>/ as a regression input. Runs at the lowest priority. Targets that
# write files do so in a folder of their own under /dev/shm (FUZZ_TMPDIR to choose).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
out=build-fuzz
scratch=${FUZZ_TMPDIR:-/dev/shm}
if ! [ -d "$scratch" ] || ! [ -w "$scratch" ]; then
    scratch=${TMPDIR:-/tmp}
fi
TMPDIR=$(mktemp -d -p "$scratch" veltro-fuzz.XXXXXX)
export TMPDIR
trap 'rm -rf "$TMPDIR"' EXIT

cmake -S . -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
    -DVELTRO_FUZZ=ON -DVELTRO_WITH_QT=OFF -DVELTRO_BUILD_TESTS=ON >/dev/null
if [ -n "${FUZZ_BUILD_ONLY:-}" ]; then
    exec cmake --build "$out"
fi
targets=${FUZZ_TARGETS:-$(sed -n 's/^veltro_fuzz_target(fuzz_\([a-z_]*\) .*/\1/p' fuzz/CMakeLists.txt)}
cmake --build "$out" --target $(printf 'fuzz_%s ' $targets)

seeds=$TMPDIR/seeds
python3 fuzz/make_seeds.py "$seeds"
mkdir -p "$out/findings"
failed=()
for target in $targets; do
    corpus="$out/corpus/$target"
    if [ -n "${FUZZ_SMOKE:-}" ]; then
        corpus=$(mktemp -d)
    fi
    mkdir -p "$corpus" "fuzz/corpus/$target"
    # Inputs of a size that matters to each reader: a few records, a short session.
    case $target in
        records | connection_record | card_console) max_len=1024 ;;
        card_modem | engine_answers) max_len=2048 ;;
        sms_deliver) max_len=512 ;;
        dib) max_len=8192 ;;
        *) max_len=4096 ;;
    esac
    limit=(-max_total_time="$seconds")
    if [ -n "${FUZZ_RUNS:-}" ]; then
        limit=(-runs="$FUZZ_RUNS")
        if [ $# -gt 0 ]; then
            limit+=(-max_total_time="$seconds")
        fi
    fi
    echo "== fuzz_$target"
    if ! nice -n 19 "$out/bin/fuzz_$target" "${limit[@]}" -timeout=10 -rss_limit_mb=1024 \
        -max_len=$max_len -dict=fuzz/modem.dict -print_final_stats=1 \
        -artifact_prefix="$out/findings/$target-" \
        "$corpus" "fuzz/corpus/$target" "$seeds/$target" 2>"$out/fuzz_$target.log"; then
        failed+=("$target")
        tail -n 40 "$out/fuzz_$target.log"
    fi
    grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units|Done )' "$out/fuzz_$target.log" || true
    if [ -n "${FUZZ_SMOKE:-}" ]; then
        rm -rf "$corpus"
    fi
done
if [ ${#failed[@]} -ne 0 ]; then
    echo "Fuzzing found faults in: ${failed[*]} (inputs in $out/findings/)"
    exit 1
fi
echo "Fuzzing found nothing."
