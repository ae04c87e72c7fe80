#!/usr/bin/env bash
# Helpers for scripts that run the program in a private Xvfb server. Sourced.

# Starts a private 1280 x 1024 x 24 server without a preloaded sanitizer
# runtime, sets MAREL_XVFB_PID and exports DISPLAY. Returns 1 if it does not
# come up within 20 s.
marel_start_xvfb() {
    local number_file
    number_file="$(mktemp)"
    # The server writes its display number to descriptor 3 once it is ready.
    env -u LD_PRELOAD Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$number_file" 2>/dev/null &
    MAREL_XVFB_PID=$!
    local _
    for _ in $(seq 1 200); do
        if [ -s "$number_file" ]; then
            DISPLAY=":$(head -1 "$number_file")"
            export DISPLAY
            rm -f "$number_file"
            return 0
        fi
        sleep 0.1
    done
    rm -f "$number_file"
    return 1
}

# marel_wait_window PROGRAM_PID SECONDS: prints the id of the visible window
# titled exactly "Marel" once it appears; returns 1 if the program ends first
# or none appears in time.
marel_wait_window() {
    local pid="$1" tries=$(( $2 * 10 )) window _
    for _ in $(seq 1 "$tries"); do
        window="$(env -u LD_PRELOAD xdotool search --onlyvisible --name '^Marel$' 2>/dev/null | head -1 || true)"
        if [ -n "$window" ]; then
            echo "$window"
            return 0
        fi
        kill -0 "$pid" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}
