#!/usr/bin/env bash
# Takes a screenshot of the running program in a private Xvfb server.
#   scripts/screenshot.sh OUTPUT.png [SECONDS_AFTER_FIRST_FRAME]
# Builds the program first if needed (through setup.sh's packages and build).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

output="$1"
delay="${2:-1.0}"

marel_install_packages
MAREL_TARGET=marel marel_build "$MAREL_BUILD" >/dev/null

xvfb_pid=""
program_pid=""
cleanup() {
    [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

exec 3< <(Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp 2>/dev/null & echo "pid $!"; wait)
read -r -t 20 _ xvfb_pid <&3
read -r -t 20 display_number <&3
export DISPLAY=":$display_number"

"$MAREL_BUILD/marel" &
program_pid=$!

window=""
for _ in $(seq 1 100); do
    window="$(xdotool search --onlyvisible --name '^Marel$' 2>/dev/null | head -1 || true)"
    [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || { echo "no window" >&2; exit 1; }
sleep "$delay"
xwd -id "$window" -silent | convert xwd:- -strip "$output"
echo "wrote $output"
