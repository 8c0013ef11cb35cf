#!/usr/bin/env bash
# Figures of the window on the virtual data card: measurements, not CI tests.
#
#   scripts/soak.sh idle [SECONDS]   the window (build/bin/veltrogprs) idle on the card
#                                    with its polls running, default 60 s: processor
#                                    share, memory, descriptors and threads
#   scripts/soak.sh soak [SECONDS]   build/bin/veltrogprs-soak, default 3600 s: a message
#                                    every 20 s, a call every 2 minutes answered and hung
#                                    up; memory, descriptors and threads at the start,
#                                    every 10 minutes and at the end
#
# For idle the card is veltrogprs-vcard in a process of its own on a pty, entered in a
# device table the window reads, so the window's figures are its own. Needs a build in
# build/ and xvfb-run (scripts/setup.sh installs it). Runs as whoever calls it.
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-idle}
case $mode in
    idle) seconds=${2:-60} ;;
    soak) seconds=${2:-3600} ;;
    *)
        echo "usage: scripts/soak.sh idle|soak [SECONDS]" >&2
        exit 2
        ;;
esac
bin="$PWD/build/bin"
work=$(mktemp -d)
export XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state"
mkdir -p -m 700 "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME" "$XDG_STATE_HOME"
cd "$work"

if [ "$mode" = soak ]; then
    trap 'rm -rf "$work"' EXIT
    echo "soak: ${seconds} s on the virtual card in $work"
    xvfb-run -a "$bin/veltrogprs-soak" "$seconds"
    exit
fi

mkfifo card.in
"$bin/veltrogprs-vcard" --benq --register "$work/modems.ini" <card.in >card.out 2>&1 &
card=$!
exec 3>card.in
for _ in $(seq 50); do
    [ -s modems.ini ] && break
    sleep 0.1
done
window=""
cleanup() {
    [ -n "$window" ] && kill "$window" 2>/dev/null
    echo quit >&3 || true
    exec 3>&-
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

VELTROGPRS_MODEMS="$work/modems.ini" xvfb-run -a "$bin/veltrogprs" >window.out 2>&1 &
for _ in $(seq 100); do
    window=$(pgrep -x -f "$bin/veltrogprs" || true)
    [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || {
    echo "the window did not start" >&2
    exit 1
}

cpu() { awk '{print $14 + $15}' "/proc/$window/stat"; }
sample() {
    printf '%-6s rss %6d kB  descriptors %3d  threads %2d\n' "$1" \
        "$(awk '/^VmRSS/ {print $2}' "/proc/$window/status")" \
        "$(find "/proc/$window/fd" -mindepth 1 | wc -l)" \
        "$(awk '/^Threads/ {print $2}' "/proc/$window/status")"
}

# The device start-up on the card ends within a few seconds; then only the polls run.
sleep 20
sample start
before=$(cpu)
sleep "$seconds"
after=$(cpu)
sample end
awk -v t="$((after - before))" -v hz="$(getconf CLK_TCK)" -v s="$seconds" \
    'BEGIN { printf "processor: %.2f%% of one core over %d s\n", 100 * t / hz / s, s }'
# The polls ran: what the card heard while the window sat idle.
echo lines >&3
sleep 1
echo "the card heard $(grep -c 'AT' card.out) command lines"
