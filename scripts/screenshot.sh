#!/usr/bin/env bash
# Takes a screenshot of the running program in a private Xvfb server.
#   scripts/screenshot.sh OUTPUT.png [SECONDS_AFTER_THE_WINDOW_APPEARS]
# The default waits past the first frame-rate figure, which the program shows
# a second after its first drawn frame (until then the corner reads 0).
# Builds the program first if needed (through setup.sh's packages and build,
# the same build as run.sh's).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
source "$(dirname "${BASH_SOURCE[0]}")/xvfb.sh"

output="$1"
delay="${2:-2.5}"

marel_install_packages "${MAREL_RUN_PACKAGES[@]}" "${MAREL_X_PACKAGES[@]}"
MAREL_TARGET=marel marel_build "$MAREL_BUILD" "${MAREL_PROGRAM_ONLY[@]}" >/dev/null

MAREL_XVFB_PID=""
program_pid=""
cleanup() {
    [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null || true
    [ -n "$MAREL_XVFB_PID" ] && kill "$MAREL_XVFB_PID" 2>/dev/null || true
}
trap cleanup EXIT

marel_start_xvfb || { echo "Xvfb did not start" >&2; exit 1; }
"$MAREL_BUILD/marel" &
program_pid=$!
window="$(marel_wait_window "$program_pid" 10)" || { echo "no window" >&2; exit 1; }
sleep "$delay"
xwd -id "$window" -silent | convert xwd:- -strip "$output"
echo "wrote $output"
