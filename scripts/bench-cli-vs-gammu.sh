#!/usr/bin/env bash
# Times reading every stored message with veltrogprs-cli and with gammu getallsms, side
# by side, on the virtual data card on a pty: 5 and then 50 stored messages (or the
# counts given as arguments). Each tool gets a card of its own with the same messages,
# so that neither sees the other's settings or read marks. veltrogprs-cli is timed on a
# card it has set up before (a "status" run first, as after the window or an earlier
# command), and also cold, on a card just powered up. Each figure is the median of
# RUNS runs (3), since other work on the machine slows single runs.
#
#   scripts/bench-cli-vs-gammu.sh [COUNT...]       BUILD_DIR=build-x to use another build
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
cli=$PWD/$build/bin/veltrogprs-cli
vcard=$PWD/$build/bin/veltrogprs-vcard
for program in "$cli" "$vcard"; do
    [[ -x $program ]] || { echo "missing $program: build it first" >&2; exit 1; }
done
if ! command -v gammu > /dev/null; then
    echo "gammu is not installed (apt-get install gammu); nothing to compare with" >&2
    exit 1
fi
counts=("$@")
[[ ${#counts[@]} -gt 0 ]] || counts=(5 50)

work=$(mktemp -d)
card_pid=""
stop_card() {
    if [[ -n $card_pid ]]; then
        kill "$card_pid" 2> /dev/null || true
        wait "$card_pid" 2> /dev/null || true
        card_pid=""
    fi
}
trap 'stop_card; rm -rf "$work"' EXIT

# Starts a card holding the messages of $1 and sets $port (the name under /dev).
start_card() {
    stop_card
    : > "$work/card.out"
    "$vcard" --stay --capacity 255 --messages "$1" < /dev/null > "$work/card.out" 2>&1 &
    card_pid=$!
    for _ in $(seq 100); do
        if grep -q '^pty: ' "$work/card.out"; then
            port=$(sed -n 's|^pty: /dev/||p' "$work/card.out")
            return
        fi
        sleep 0.05
    done
    echo "the virtual card did not start" >&2
    exit 1
}

now() { date +%s.%N; }
seconds() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b - a }'; }

# Reads every message with veltrogprs-cli: one listing with their texts when the
# build has it, else the indices and one read each. Keeps what it printed for count_read.
read_with_cli() {
    if [[ $text_listing == yes ]]; then
        "$cli" --port "$port" --json sms list --text > "$work/read.out"
    else
        local index
        : > "$work/read.out"
        for index in $("$cli" --port "$port" sms list); do
            "$cli" --port "$port" --json sms read "$index" >> "$work/read.out"
        done
    fi
}

read_with_gammu() {
    printf '[gammu]\ndevice = /dev/%s\nconnection = at115200\n' "$port" > "$work/gammurc"
    gammu -c "$work/gammurc" getallsms > "$work/read.out" 2>&1 || true
}

# How many messages the last read printed, counted outside the timed part.
count_read() {
    if [[ $1 == gammu ]]; then
        grep -c '^Location ' "$work/read.out" || true
    elif [[ $text_listing == yes ]]; then
        grep -o '"indices":' "$work/read.out" | wc -l
    else
        grep -c '"text":' "$work/read.out" || true
    fi
}

text_listing=no
if "$cli" sms list --help 2> /dev/null | grep -q -- '--text'; then
    text_listing=yes
fi

# One timed run of $1 (cold, warm or gammu) on a fresh card: "SECONDS READ".
timed_run() {
    start_card "$messages"
    [[ $1 != warm ]] || "$cli" --port "$port" status > /dev/null
    local start end
    start=$(now)
    if [[ $1 == gammu ]]; then
        read_with_gammu
    else
        read_with_cli
    fi
    end=$(now)
    stop_card
    echo "$(seconds "$start" "$end") $(count_read "$1")"
}

# The median of $runs timed runs of $1: "SECONDS s (READ read)".
median_run() {
    local results=() i
    for ((i = 0; i < runs; i++)); do
        results+=("$(timed_run "$1")")
    done
    local middle
    middle=$(printf '%s\n' "${results[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p")
    echo "${middle% *} s (${middle#* } read)"
}

runs=${RUNS:-3}
echo "median of $runs runs each; load average $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-9s %-22s %-22s %-22s %s\n' messages "veltrogprs-cli (set up)" "veltrogprs-cli (cold)" \
    "gammu getallsms" "cli/gammu"
for count in "${counts[@]}"; do
    messages="$work/messages-$count.txt"
    : > "$messages"
    for ((i = 1; i <= count; i++)); do
        printf '+86139%08d Message %d of the benchmark, 你好，世界 %d\n' "$i" "$i" "$i" >> "$messages"
    done
    warm=$(median_run warm)
    cold=$(median_run cold)
    gammu_time=$(median_run gammu)
    ratio=$(awk -v a="${warm%% *}" -v b="${gammu_time%% *}" \
        'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')
    printf '%-9s %-22s %-22s %-22s %s\n' "$count" "$warm" "$cold" "$gammu_time" "$ratio"
done
