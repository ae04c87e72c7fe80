#!/usr/bin/env bash
# Installs the Debian packages that building, running or testing Marel needs,
# and configures and builds it. Sourced by run.sh, screenshot.sh and test.sh;
# safe to repeat. Written for Debian 12 and 13 (and so Raspberry Pi OS 64-bit):
# packages come through apt-get, run through sudo when the caller is not root.
# Every name below is one that both releases have, so none is chosen by
# release: libglut-dev rather than freeglut3-dev (a transitional name on both,
# which a later release may drop), libclang-rt-dev rather than a versioned
# libclang-rt-NN-dev (clang 14 on Debian 12, 19 on Debian 13; the unversioned
# name follows clang).
set -euo pipefail

MAREL_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
MAREL_BUILD="${MAREL_BUILD:-$MAREL_ROOT/build}"

# Building and running the program, and nothing else.
MAREL_RUN_PACKAGES=(
    cmake make g++                          # toolchain
    libglut-dev libglu1-mesa-dev            # GLUT, GLU and the GL headers
    libx11-dev libxrandr-dev                # Xlib and RandR: where the monitors lie
    libxi-dev                               # XInput 2: what moved the pointer (a remote viewer or a mouse)
    libgl1-mesa-dri                         # Mesa's driver (software rendering where there is no GPU)
)
# Running the program in a private X server and looking at it.
MAREL_X_PACKAGES=(
    xvfb xauth                              # headless X server; xvfb-run needs xauth
    xdotool                                 # input and window search
    x11-apps imagemagick                    # xwd and convert: screenshots, "has it drawn yet"
)
# Everything else the tests, benchmarks and package checks call.
MAREL_TEST_PACKAGES=(
    libxfixes-dev                           # XFixes: tests that watch the cursor
    libgtest-dev libbenchmark-dev           # GoogleTest, Google Benchmark
    openbox wmctrl                          # a real window manager, and closing through it
    x11-xserver-utils                       # xrandr: a screen split into two monitors
    tigervnc-standalone-server tigervnc-viewer  # a real VNC path: Xvnc and its viewer
    xserver-xephyr                          # a nested X server
    valgrind                                # memcheck run
    clang libclang-rt-dev                   # the clang builds, and clang's sanitizer runtimes
    dpkg-dev file                           # cpack's DEB generator: dpkg-shlibdeps, and file to find binaries
    lintian desktop-file-utils man-db       # checks of the package, its desktop entry and manual page
    appstream                               # appstreamcli: the software-centre metadata
)

# marel_install_packages PACKAGE...: installs those not installed yet.
marel_install_packages() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$pkg")
        fi
    done
    if [ "${#missing[@]}" -eq 0 ]; then
        return 0
    fi
    if ! command -v apt-get >/dev/null; then
        echo "These scripts install packages with apt-get (Debian 12 or 13). Install the equivalents of" >&2
        echo "  ${missing[*]}" >&2
        echo "by hand, then build with CMake as the README shows." >&2
        return 1
    fi
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo=(sudo)
    fi
    # Wait for the package database rather than fail while another install runs.
    local apt_options=(-o DPkg::Lock::Timeout=600)
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get "${apt_options[@]}" update -qq
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
        apt-get "${apt_options[@]}" install -y -qq --no-install-recommends "${missing[@]}"
}

# marel_build BUILD_DIR [extra cmake arguments...]
# MAREL_TARGET, when set, builds only that target (or those, space-separated).
marel_build() {
    local dir="$1"
    shift
    cmake -S "$MAREL_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
    # shellcheck disable=SC2086 # MAREL_TARGET is a list of target names
    cmake --build "$dir" --parallel "$(nproc)" ${MAREL_TARGET:+--target $MAREL_TARGET}
}

# The test build (scripts/test.sh), which scripts/web.sh also builds its
# native references in, so that neither builds the other's targets again.
MAREL_TEST_BUILD="${MAREL_TEST_BUILD:-$MAREL_ROOT/build-test}"
MAREL_TEST_BUILD_OPTIONS=(-DMAREL_WERROR=ON -DBUILD_TESTING=ON -DMAREL_BENCHMARKS=ON -DMAREL_SANITIZE=OFF)

# The settings of a build that only runs the program: given explicitly, so that
# whatever an earlier configure left in the cache (warnings as errors, the
# sanitizers, the tests) does not carry over.
MAREL_PROGRAM_ONLY=(-DBUILD_TESTING=OFF -DMAREL_BENCHMARKS=OFF -DMAREL_WERROR=OFF -DMAREL_SANITIZE=OFF)
