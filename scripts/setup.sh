#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Marel need,
# then configures and builds it. Sourced by run.sh and test.sh; safe to repeat.
set -euo pipefail

MAREL_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
MAREL_BUILD="${MAREL_BUILD:-$MAREL_ROOT/build}"

# Everything the scripts and tests call, by Debian package name.
MAREL_PACKAGES=(
    cmake make g++                          # toolchain
    freeglut3-dev libglu1-mesa-dev          # GLUT, GLU and the GL headers
    libgl1-mesa-dri                         # Mesa's software rasteriser
    libx11-dev libxi-dev libxfixes-dev      # Xlib, XInput 2, XFixes: tests that watch the window
    libgtest-dev libbenchmark-dev           # GoogleTest, Google Benchmark
    xvfb xauth                              # headless X server for the tests
    openbox wmctrl                          # a real window manager, and closing through it
    xdotool x11-utils x11-apps imagemagick  # input, window queries, screenshots
    valgrind                                # memcheck run
    procps                                  # ps, for the soak test's memory readings
)

marel_install_packages() {
    local missing=()
    local pkg
    for pkg in "${MAREL_PACKAGES[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$pkg")
        fi
    done
    if [ "${#missing[@]}" -eq 0 ]; then
        return 0
    fi
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo=(sudo)
    fi
    # Another apt run (an unattended upgrade, a second build) may hold the
    # package lock; wait for it up to ten minutes instead of failing at once.
    local apt=(apt-get -o DPkg::Lock::Timeout=600)
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" "${apt[@]}" update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" "${apt[@]}" install -y -qq --no-install-recommends "${missing[@]}"
}

# marel_build BUILD_DIR [extra cmake arguments...]
# MAREL_TARGET, when set, builds only that target.
marel_build() {
    local dir="$1"
    shift
    cmake -S "$MAREL_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
    cmake --build "$dir" --parallel "$(nproc)" ${MAREL_TARGET:+--target "$MAREL_TARGET"}
}
