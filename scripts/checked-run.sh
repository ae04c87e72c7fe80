#!/usr/bin/env bash
# Runs the program (optionally under a tool such as valgrind) in a private Xvfb
# server, waits for a drawn frame, sends pointer, button and key input, ends it
# with Escape, and checks that it exited with status 1 and printed nothing
# beyond what the tool itself reports.
#
#   scripts/checked-run.sh [--stderr-file F] -- COMMAND [ARGS...]
#
# Exit status 0 when every check passed. Tool-specific checks (sanitizer
# reports, valgrind's error status) are made by the caller through the
# environment and F.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/xvfb.sh"

stderr_file="$(mktemp)"
while [ $# -gt 0 ]; do
    case "$1" in
        --stderr-file) stderr_file="$2"; shift 2 ;;
        --) shift; break ;;
        *) echo "unknown option $1" >&2; exit 2 ;;
    esac
done
[ $# -gt 0 ] || { echo "no command given" >&2; exit 2; }

workdir="$(mktemp -d)"
MAREL_XVFB_PID=""
program_pid=""
cleanup() {
    [ -n "$program_pid" ] && kill -9 "$program_pid" 2>/dev/null || true
    [ -n "$MAREL_XVFB_PID" ] && kill "$MAREL_XVFB_PID" 2>/dev/null || true
    rm -rf "$workdir"
}
trap cleanup EXIT

fail() { echo "checked-run: FAIL: $*" >&2; exit 1; }

marel_start_xvfb || fail "Xvfb did not start"

"$@" >"$workdir/stdout" 2>"$stderr_file" &
program_pid=$!

# Under valgrind start-up takes many seconds: wait generously.
window="$(marel_wait_window "$program_pid" 120)" || fail "no window titled Marel (or the program ended first)"

# A frame has been drawn once the window is no longer all black.
drawn=""
for _ in $(seq 1 240); do
    level="$(env -u LD_PRELOAD xwd -id "$window" -silent 2>/dev/null | env -u LD_PRELOAD convert xwd:- -format '%[fx:maxima]' info: 2>/dev/null || echo 0)"
    if [ "$level" != "0" ] && [ -n "$level" ]; then drawn=yes; break; fi
    sleep 0.5
done
[ -n "$drawn" ] || fail "no frame drawn"

xdo() { env -u LD_PRELOAD xdotool "$@"; }
xdo mousemove --window "$window" 250 250
sleep 0.5
xdo mousemove_relative -- 40 -20
sleep 0.5
xdo mousedown 1; sleep 0.5; xdo mouseup 1
xdo mousedown 3; sleep 0.5; xdo mouseup 3
xdo key q
sleep 0.5
xdo mousemove --window "$window" 250 250
xdo key Escape

status=""
for _ in $(seq 1 120); do
    if ! kill -0 "$program_pid" 2>/dev/null; then
        set +e; wait "$program_pid"; status=$?; set -e
        program_pid=""
        break
    fi
    sleep 0.5
done
[ -n "$status" ] || fail "Escape did not end the program within 60 s"
[ "$status" -eq 1 ] || { cat "$stderr_file" >&2; fail "exit status $status, expected 1"; }
[ ! -s "$workdir/stdout" ] || fail "the program wrote to stdout: $(head -c 500 "$workdir/stdout")"
echo "checked-run: ok (exit status 1 after Escape)"
