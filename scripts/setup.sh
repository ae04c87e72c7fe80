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
    libxtst-dev                             # XTest: the user's mouse, moved as fast as a real one
    libgtest-dev libbenchmark-dev           # GoogleTest, Google Benchmark
    openbox wmctrl                          # a real window manager, and closing through it
    x11-xserver-utils                       # xrandr: a screen split into two monitors
    tigervnc-standalone-server tigervnc-viewer  # a real VNC path: Xvnc and its viewer
    x11vnc                                  # a screen-sharing VNC server (absolute XTest motion)
    xserver-xephyr                          # a nested X server
    weston xwayland                         # a Wayland desktop running the program in XWayland
    util-linux mount                        # unshare and mount: XWayland's test in a namespace of its own
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

# The builds use every core; CMakePresets.json's workflows
# (cmake --workflow --preset NAME) configure, build and test with one command.
export CMAKE_BUILD_PARALLEL_LEVEL="${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}"

# marel_preset NAME [TARGET...]: configures and builds with the preset NAME
# of CMakePresets.json (all of its targets, or those named), in its own
# folder. CMake reads the presets from the current folder: the source's, from
# wherever the script was started.
marel_preset() {
    local name="$1"
    shift
    local targets=()
    [ "$#" -eq 0 ] || targets=(--target "$@")
    (cd "$MAREL_ROOT" && cmake --preset "$name" >/dev/null && cmake --build --preset "$name" "${targets[@]}")
}

# marel_workflow NAME: CMakePresets.json's workflow NAME (configure, build,
# test, and package where it has one).
marel_workflow() {
    (cd "$MAREL_ROOT" && cmake --workflow --preset "$1")
}
