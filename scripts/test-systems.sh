#!/usr/bin/env bash
# The README's commands on systems made from scratch:
#  - fresh Debian 12 (bookworm) and Debian 13 (trixie) amd64 systems: as a
#    user with sudo, `run.sh` installs, builds and starts the program, whose
#    window shows on an Xvfb server of this machine and is ended with Escape
#    (status 1); a plain `cmake -S . -B build` with only the program's build
#    packages; then, as root, `test.sh`; in Debian 13 also `web.sh` (the
#    browser page with Debian 13's Emscripten and Chromium);
#  - arm64 (Raspberry Pi OS 64-bit, Debian arm64): a throwaway Debian 12
#    system with arm64 added holds the cross compilers and the :arm64
#    packages, so this machine's apt never sees arm64; the program and all
#    its tests are cross-built, the core tests run through qemu, and the arm64
#    Debian package is made and left in build-arm64/.
# Each system gets the committed state of this checkout (a git clone of HEAD),
# as CI does: uncommitted changes are not tested. Needs root (chroots and
# mounts) and the network to Debian's archive; the host's package cache is
# shared with the systems. Prints one line per system with its time; the logs
# stay in build-systems/. MAREL_SYSTEMS_QUICK=1 runs the quick test path in
# the fresh systems instead of the whole of test.sh; MAREL_SYSTEMS_WEB names
# the suites whose systems run web.sh too ("trixie" unless set; "bookworm
# trixie" for both). Arguments name the
# systems to check (debian12, debian13, arm64); none means all three.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

if [ "$(id -u)" -ne 0 ]; then
    exec sudo --preserve-env=MAREL_SYSTEMS_QUICK,MAREL_SYSTEMS_WEB,MAREL_MIRROR "$0" "$@"
fi

marel_install_packages mmdebstrap git xvfb xdotool
# Both releases from the same archive; the security updates come from its
# sibling. The host's own sources name it.
MIRROR="${MAREL_MIRROR:-$(sed -n 's/^URIs: *\(.*\/debian\)$/\1/p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -1)}"
MIRROR="${MIRROR:-http://deb.debian.org/debian}"
WORK="$MAREL_ROOT/build-systems"
ARM64_OUT="$MAREL_ROOT/build-arm64"
mkdir -p "$WORK"

fail() { echo "test-systems.sh: FAIL: $*" >&2; exit 1; }
elapsed() { local s=$(($(date +%s) - $1)); printf '%dm%02ds' $((s / 60)) $((s % 60)); }

# ---- mounts and clean-up ----
mounts=()         # every mount made, undone in reverse order
xvfb_pid=""
marel_mount() {   # marel_mount OPTIONS... SOURCE TARGET
    local target="${*: -1}"
    mkdir -p "$target"
    mount "$@"
    mounts+=("$target")
}
unmount_all() {
    local i
    for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
        # Some are undone before the end (the X socket, once run.sh is done).
        mountpoint -q "${mounts[$i]}" || continue
        # -R: /dev's submounts (pts, shm, mqueue) come with --rbind.
        umount -R "${mounts[$i]}" 2>/dev/null || umount -R -l "${mounts[$i]}" || true
    done
    mounts=()
}
# Removes a system's folder only when nothing is mounted below it any more:
# a bind-mounted /dev or package cache would otherwise be emptied with it.
remove_system() {
    local dir="$1"
    [ -e "$dir" ] || return 0
    if findmnt -rn -o TARGET | grep -q "^$(realpath "$dir")\(/\|$\)"; then
        echo "test-systems.sh: something is still mounted below $dir; left in place" >&2
        return 1
    fi
    rm -rf --one-file-system "$dir"
}
cleanup() {
    [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
    unmount_all
    remove_system "$WORK/bookworm" || true
    remove_system "$WORK/trixie" || true
    remove_system "$WORK/arm64" || true
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# make_system DIR SUITE MMDEBSTRAP-OPTIONS...: a minbase system of SUITE, its
# packages taken from and added to the host's cache.
make_system() {
    local dir="$1" suite="$2"
    shift 2
    remove_system "$dir"
    # The hooks below mount the cache; if mmdebstrap fails between them, the
    # clean-up undoes that mount too.
    mounts+=("$dir/var/cache/apt/archives")
    local security="${MIRROR%/debian}/debian-security"
    # The hooks' $1 is the new system's folder, expanded by mmdebstrap's shell.
    # shellcheck disable=SC2016
    # The skips leave the shared cache as it was: mmdebstrap would otherwise
    # empty it first and delete the essential packages' files after use.
    mmdebstrap --mode=root --variant=minbase --skip=download/empty --skip=essential/unlink "$@" \
        --setup-hook='mkdir -p "$1/var/cache/apt/archives" && mount --bind /var/cache/apt/archives "$1/var/cache/apt/archives"' \
        --customize-hook='umount "$1/var/cache/apt/archives"' \
        "$suite" "$dir" \
        "deb $MIRROR $suite main" "deb $MIRROR $suite-updates main" "deb $security $suite-security main"
}
# enter_system DIR: the kernel's file systems and the package cache inside it.
enter_system() {
    local dir="$1"
    # The system's root a mount point of its own, as a booted system's is, so
    # that a private mount namespace inside it (the XWayland test's) can make
    # its mounts private.
    marel_mount --bind "$dir" "$dir"
    marel_mount --rbind /dev "$dir/dev"
    marel_mount -t proc proc "$dir/proc"
    marel_mount --rbind /sys "$dir/sys"
    marel_mount --bind /var/cache/apt/archives "$dir/var/cache/apt/archives"
}
# The committed state of this checkout, as CI would clone it.
clone_into() {
    git clone --quiet --no-hardlinks "$MAREL_ROOT" "$1"
    git -C "$1" log -1 --format='  testing commit %h %s'
}

# run_system FUNCTION LABEL: one system in a subshell of its own, so that a
# failure ends only that system (its mounts undone, its folder removed) and
# the next still runs; one line for it either way, with its time.
results=()
failed=0
run_system() {
    local start status=0 line
    start="$(date +%s)"
    # Not `( ... ) || status=$?`: bash would then ignore set -e inside.
    set +e
    ( set -e; trap cleanup EXIT; "$1" )
    status=$?
    set -e
    if [ "$status" -eq 0 ]; then
        line="PASS  $2 ($(elapsed "$start"))"
    else
        line="FAIL  $2 ($(elapsed "$start"))"
        failed=1
    fi
    results+=("$line")
    echo "$line"
}

# ---- Debian 12 and 13, fresh ----
debian12() { fresh bookworm "Debian 12"; }
debian13() { fresh trixie "Debian 13"; }
# fresh SUITE NAME
fresh() {
    local suite="$1" name="$2" root log display status window
    root="$WORK/$suite"
    log="$WORK/$suite.log"
    : >"$log"
    echo "== $name ($suite, amd64): a fresh system (log: $log)"
    make_system "$root" "$suite" --include=ca-certificates,sudo >>"$log" 2>&1 || { tail -20 "$log"; fail "mmdebstrap $suite"; }
    enter_system "$root"
    # This machine's own trust anchors (a proxy's certificate authority, for
    # one) lent to the system, so that it reaches the npm registry as this
    # machine does.
    if compgen -G "/usr/local/share/ca-certificates/*.crt" >/dev/null; then
        cp /usr/local/share/ca-certificates/*.crt "$root/usr/local/share/ca-certificates/"
        chroot "$root" update-ca-certificates >>"$log" 2>&1
    fi
    chroot "$root" useradd --create-home --shell /bin/bash marel
    echo 'marel ALL=(ALL) NOPASSWD: ALL' >"$root/etc/sudoers.d/marel"
    chmod 0440 "$root/etc/sudoers.d/marel"
    clone_into "$root/home/marel/marel"
    chroot "$root" chown -R marel:marel /home/marel/marel

    # An X server on this machine, lent to the system through its socket.
    local fifo="$WORK/xvfb.display"
    rm -f "$fifo"
    Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3>"$fifo" 2>/dev/null &
    xvfb_pid=$!
    for _ in $(seq 100); do [ -s "$fifo" ] && break; sleep 0.1; done
    display=":$(cat "$fifo")"
    [ "$display" != ":" ] || fail "Xvfb did not start"
    marel_mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"

    # run.sh as the user: it installs what it needs through sudo, builds and starts.
    echo "  run.sh as a user with sudo, on this machine's display $display"
    chroot "$root" runuser -l marel -c "cd marel && DISPLAY=$display scripts/run.sh" >>"$log" 2>&1 &
    local run_pid=$!
    window=""
    local deadline=$(($(date +%s) + 1200))
    while [ -z "$window" ] && kill -0 "$run_pid" 2>/dev/null && [ "$(date +%s)" -lt "$deadline" ]; do
        sleep 2
        window="$(DISPLAY=$display xdotool search --name '^Marel$' 2>/dev/null | head -1 || true)"
    done
    [ -n "$window" ] || { tail -30 "$log"; fail "$name: run.sh brought up no window"; }
    # A few drawn frames, then Escape to the window.
    sleep 2
    DISPLAY=$display xdotool windowfocus --sync "$window" key Escape
    status=0
    wait "$run_pid" || status=$?
    [ "$status" -eq 1 ] || { tail -30 "$log"; fail "$name: run.sh ended with $status after Escape, not 1"; }
    echo "  run.sh: window up, Escape ended it with status 1"
    umount "$root/tmp/.X11-unix"
    kill "$xvfb_pid"
    xvfb_pid=""

    # Only the program's build packages are installed now: a plain configure
    # must say the tests are off and build the program.
    chroot "$root" runuser -l marel -c 'cd marel && cmake -S . -B build-plain && cmake --build build-plain --parallel 2' \
        >"$WORK/$suite-plain.log" 2>&1 || { tail -30 "$WORK/$suite-plain.log"; fail "$name: a plain configure and build"; }
    grep -- '-- Tests off, for want of' "$WORK/$suite-plain.log" | sed 's/^/  plain configure: /'
    [ -x "$root/home/marel/marel/build-plain/marel" ] || fail "$name: the plain build made no program"

    # test.sh as root, with the whole checkout's tests.
    local what="test.sh"
    local command="scripts/test.sh"
    if [ -n "${MAREL_SYSTEMS_QUICK:-}" ]; then
        what="the quick test path"
        command="source scripts/setup.sh && marel_install_packages \"\${MAREL_RUN_PACKAGES[@]}\" \"\${MAREL_X_PACKAGES[@]}\" \"\${MAREL_TEST_PACKAGES[@]}\" && marel_workflow quick"
    fi
    echo "  $what as root (log: $WORK/$suite-test.log)"
    chroot "$root" env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin TERM=dumb LANG=C.UTF-8 \
        bash -c "cd /home/marel/marel && $command" >"$WORK/$suite-test.log" 2>&1 \
        || { tail -40 "$WORK/$suite-test.log"; fail "$name: $what"; }
    tail -3 "$WORK/$suite-test.log" | sed 's/^/  /'

    # The browser page with the release's own Emscripten and node, its unit
    # tests under node and the page in the release's Chromium, Firefox and
    # WebKitGTK: in Debian 13 (this machine's web.sh covers the other
    # release's), or in the suites MAREL_SYSTEMS_WEB names.
    if [[ " ${MAREL_SYSTEMS_WEB:-trixie} " == *" $suite "* ]]; then
        echo "  web.sh as root (log: $WORK/$suite-web.log)"
        chroot "$root" env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin TERM=dumb LANG=C.UTF-8 \
            bash -c "cd /home/marel/marel && scripts/web.sh" >"$WORK/$suite-web.log" 2>&1 \
            || { tail -40 "$WORK/$suite-web.log"; fail "$name: web.sh"; }
        grep -E '^(== Browser build|.*against the native one|one step|drawn cycle:)' "$WORK/$suite-web.log" | sed 's/^/  /'
    fi
    unmount_all
    remove_system "$root"
}

# ---- arm64, cross-built ----
arm64() {
    local root log
    root="$WORK/arm64"
    log="$WORK/arm64.log"
    : >"$log"
    echo "== arm64: cross-build, core tests through qemu, package (log: $log)"
    local packages=(
        crossbuild-essential-arm64 cmake make dpkg-dev file qemu-user-static
        libglut-dev:arm64 libglu1-mesa-dev:arm64 libx11-dev:arm64 libxrandr-dev:arm64
        libgtest-dev:arm64 libxi-dev:arm64 libxfixes-dev:arm64 libxtst-dev:arm64
    )
    make_system "$root" bookworm --architectures=amd64,arm64 --include="$(IFS=,; echo "${packages[*]}")" \
        >>"$log" 2>&1 || { tail -20 "$log"; fail "mmdebstrap bookworm with arm64"; }
    enter_system "$root"
    clone_into "$root/src"
    local build=/src/build-arm64
    chroot "$root" env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 bash -euc "
        cd /src
        # Configure, build everything, the core tests through qemu, and cpack.
        CMAKE_BUILD_PARALLEL_LEVEL=2 cmake --workflow --preset arm64
        file -b $build/marel | grep -q 'ARM aarch64' || { echo 'marel is not an arm64 program'; exit 1; }
    " >>"$log" 2>&1 || { tail -40 "$log"; fail "arm64 build, tests or package"; }
    local version deb
    version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$root$build/CMakeCache.txt")"
    deb="marel_${version}_arm64.deb"
    [ -f "$root$build/$deb" ] || fail "arm64: cpack made no $deb"
    mkdir -p "$ARM64_OUT"
    cp "$root$build/$deb" "$ARM64_OUT/"
    [ "$(dpkg-deb -f "$ARM64_OUT/$deb" Architecture)" = arm64 ] || fail "arm64: $deb is not for arm64"
    # What the package holds, its modes and its Depends, as on this machine.
    for check in files modes depends; do
        MAREL_DEB_ARCH=arm64 "$MAREL_ROOT/tests/checks/package.sh" "$check" "$root$build" "$MAREL_ROOT" >>"$log" 2>&1 \
            || { tail -20 "$log"; fail "arm64: the package's $check"; }
    done
    grep -E 'tests passed|Total Test time' "$log" | sed 's/^/  /'
    echo "  $(dpkg-deb -f "$ARM64_OUT/$deb" Depends | sed 's/^/Depends: /')"
    echo "  package: build-arm64/$deb"
    unmount_all
    remove_system "$root"
}

total_start="$(date +%s)"
quick="the whole of test.sh"
[ -z "${MAREL_SYSTEMS_QUICK:-}" ] || quick="the quick test path"
systems=("$@")
[ "${#systems[@]}" -gt 0 ] || systems=(debian12 debian13 arm64)
for system in "${systems[@]}"; do
    [[ "$system" =~ ^(debian12|debian13|arm64)$ ]] || fail "no system called $system (debian12, debian13, arm64)"
done
wanted() { [[ " ${systems[*]} " == *" $1 "* ]]; }
wanted debian12 && run_system debian12 "Debian 12 x86-64, fresh: run.sh as a user (window, Escape, status 1), plain configure, $quick as root"
wanted debian13 && run_system debian13 "Debian 13 x86-64, fresh: run.sh as a user (window, Escape, status 1), plain configure, $quick and web.sh as root"
wanted arm64 && run_system arm64 "arm64, cross-built in a Debian 12 system: program, core tests through qemu, build-arm64/marel_VERSION_arm64.deb"
echo
echo "== Systems"
printf '%s\n' "${results[@]}"
[ "$failed" -eq 0 ] || fail "not every system passed ($(elapsed "$total_start") in all)"
echo "All systems passed in $(elapsed "$total_start")."
