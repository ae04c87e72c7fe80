#!/usr/bin/env bash
# Takes a screenshot of the running program in a private X server (Debian's
# xvfb-run starts and stops it).
#   scripts/screenshot.sh OUTPUT.png [SECONDS_AFTER_THE_WINDOW_APPEARS]
# The default waits past the first frame-rate figure, which the program shows
# a second after its first drawn frame (until then the corner reads 0).
# Builds the program first if needed (through setup.sh's packages and build,
# the same build as run.sh's).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

output="$(realpath -m "$1")"
delay="${2:-2.5}"

if [ -z "${MAREL_SCREENSHOT_SERVER:-}" ]; then
    marel_install_packages "${MAREL_RUN_PACKAGES[@]}" "${MAREL_X_PACKAGES[@]}"
    marel_preset program >/dev/null
    MAREL_SCREENSHOT_SERVER=1 exec xvfb-run --auto-servernum --server-args="-screen 0 1280x1024x24 -nolisten tcp" \
        "${BASH_SOURCE[0]}" "$output" "$delay"
fi

"$MAREL_ROOT/build/marel" &
program_pid=$!
trap 'kill "$program_pid" 2>/dev/null || true' EXIT
window="$(timeout 10 xdotool search --sync --onlyvisible --name '^Marel$' | head -1)"
[ -n "$window" ] || { echo "no window" >&2; exit 1; }
sleep "$delay"
xwd -id "$window" -silent | convert xwd:- -strip "$output"
echo "wrote $output"
