#!/usr/bin/env bash
# Cross-builds Marel for 64-bit Windows on Debian and checks it under Wine:
# installs what is missing (mingw-w64, NSIS, Wine, the icon tools), builds
# freeglut and GoogleTest for Windows as static libraries from Debian's own
# source packages, builds one statically linked marel.exe and the core tests,
# packs marel-VERSION-win64.zip and the installer marel-VERSION-win64.exe, and
# then, on a private Xvfb with openbox and in a private Wine prefix, runs the
# core tests, the zip's program, a silent install, the installed program and a
# silent uninstall. Everything lands in build-windows/ (the windows preset's
# folder, build-windows/marel, among it); the native harness that drives the
# Windows program is the test build's (build-test/, shared with test.sh).
#
#   scripts/windows.sh            build, pack, test, and measure the frame rate
#                                 under Wine beside the native build's (3 x 5 s)
#   scripts/windows.sh --no-test  build and pack only
#   scripts/windows.sh --speed    build, pack, and measure it longer (5 x 10 s)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

mode=test
case "${1:-}" in
    "") ;;
    --no-test) mode=build ;;
    --speed) mode=speed ;;
    *) echo "usage: $0 [--no-test | --speed]" >&2; exit 2 ;;
esac

WIN_BUILD="$MAREL_ROOT/build-windows"
TOOLCHAIN="$MAREL_ROOT/cmake/toolchains/x86_64-w64-mingw32.cmake"
PREFIX="$WIN_BUILD/prefix"  # freeglut and GoogleTest for Windows
# Wine's 64-bit loader (the windows preset's test emulator too): not on PATH
# on Debian, and the `wine` wrapper would look for a 32-bit Wine too.
WINE64=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver

section() { printf '\n== %s\n' "$*"; }
fail() { echo "windows.sh: FAIL: $*" >&2; exit 1; }

# The cross-compiler alone, not the mingw-w64 metapackage, which brings the
# 32-bit one too; Wine's 64-bit half runs everything here (installer included).
MAREL_WINDOWS_PACKAGES=(
    g++-mingw-w64-x86-64 cmake make         # cross-compiler (posix threads flavour included)
    dpkg-dev xz-utils                       # apt-get source unpacks with dpkg-source
    librsvg2-bin icoutils                   # the icon: SVG to PNG, PNGs to .ico
    nsis zip                                # the installer and the zip
    wine wine64                             # running it all
)
# The native end-to-end harness that drives the Windows program: the test
# build's, whose configure needs every test tool; XDamage for the frame-rate meter.
marel_install_packages "${MAREL_WINDOWS_PACKAGES[@]}" "${MAREL_RUN_PACKAGES[@]}" \
    "${MAREL_X_PACKAGES[@]}" "${MAREL_TEST_PACKAGES[@]}" libxdamage-dev
mkdir -p "$WIN_BUILD"

section "Debian's freeglut and GoogleTest sources"
# Through a sources list of our own with a deb-src line for this release, and
# lists of our own, so that the system's apt configuration is not touched.
codename="$(. /etc/os-release && echo "$VERSION_CODENAME")"
mirror="$(sed -n 's/^URIs: *\([^ ]*\).*/\1/p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -1)"
mirror="${mirror:-http://deb.debian.org/debian}"
apt_dir="$WIN_BUILD/apt"
mkdir -p "$apt_dir/lists/partial" "$apt_dir/sources.list.d" "$WIN_BUILD/src"
echo "deb-src $mirror $codename main" >"$apt_dir/sources.list"
private_apt=(-o "Dir::Etc::SourceList=$apt_dir/sources.list" -o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
             -o "Dir::State::Lists=$apt_dir/lists" -o Debug::NoLocking=1 -o APT::Sandbox::User=root)
apt-get "${private_apt[@]}" -qq update
# source_dir PACKAGE: unpacks Debian's current source of PACKAGE (patches
# applied) unless it is there already; prints its folder.
source_dir() {
    local version upstream
    version="$(apt-cache "${private_apt[@]}" showsrc "$1" | sed -n 's/^Version: //p' | sort -V | tail -1)"
    [ -n "$version" ] || fail "no source package $1 in $codename"
    upstream="${version#*:}"
    upstream="${upstream%-*}"
    if [ ! -d "$WIN_BUILD/src/$1-$upstream" ]; then
        (cd "$WIN_BUILD/src" && apt-get "${private_apt[@]}" -qq source "$1=$version" >/dev/null 2>&1) \
            || fail "apt-get source $1=$version"
    fi
    echo "$1 $version" >&2
    echo "$WIN_BUILD/src/$1-$upstream"
}
freeglut_src="$(source_dir freeglut)"
googletest_src="$(source_dir googletest)"

# cross_build NAME SOURCE [cmake arguments...]: builds and installs into PREFIX.
cross_build() {
    local name="$1" src="$2"
    shift 2
    cmake -S "$src" -B "$WIN_BUILD/$name" -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$PREFIX" "$@" >/dev/null
    cmake --build "$WIN_BUILD/$name" --parallel "$(nproc)" >"$WIN_BUILD/$name.log" 2>&1 \
        || { cat "$WIN_BUILD/$name.log" >&2; fail "building $name for Windows"; }
    cmake --install "$WIN_BUILD/$name" >/dev/null
}

section "freeglut and GoogleTest for Windows, static"
# freeglut as "glut" (REPLACE_GLUT), so that CMake's FindGLUT finds it as it
# finds Debian's own; the warnings and errors it prints go to stderr, as on Linux.
cross_build freeglut "$freeglut_src" -DFREEGLUT_BUILD_SHARED_LIBS=OFF -DFREEGLUT_BUILD_STATIC_LIBS=ON \
    -DFREEGLUT_REPLACE_GLUT=ON -DFREEGLUT_BUILD_DEMOS=OFF
cross_build googletest "$googletest_src" -DBUILD_GMOCK=OFF -DBUILD_SHARED_LIBS=OFF -DINSTALL_GTEST=ON
ls "$PREFIX/lib/libglut.a" "$PREFIX/lib/libgtest.a"

if [ "$mode" != build ]; then
    section "A private Wine prefix"
    export WINEPREFIX="$WIN_BUILD/wine"
    export WINEDEBUG=-all
    # No Mono or Gecko download prompt, no menu entries written into the home folder.
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    trap '"$WINESERVER" -k 2>/dev/null || true' EXIT
    "$WINE64" wineboot -i >"$WIN_BUILD/wineboot.log" 2>&1 || { cat "$WIN_BUILD/wineboot.log" >&2; fail "wineboot"; }
    "$WINE64" --version
fi

if [ "$mode" = test ]; then
    section "Marel for Windows, warnings as errors; the core tests under Wine, marel.exe's imports, subsystem and resources"
    # The windows workflow: configure, build, and ctest, which starts each
    # test binary through CMAKE_CROSSCOMPILING_EMULATOR, Wine, in the prefix above.
    marel_workflow windows >"$WIN_BUILD/core-tests.log" 2>&1 \
        || { cat "$WIN_BUILD/core-tests.log" >&2; fail "the Windows build or its core tests under Wine"; }
    grep -E '^[0-9]+: \[==========\] [0-9]+ tests? from|^[0-9]+: \[  PASSED  \]|imports:|tests passed' "$WIN_BUILD/core-tests.log"
else
    section "Marel for Windows, warnings as errors"
    marel_preset windows
fi
# What the zip and the installer ship (the build's tests check the import
# table, the subsystem and the resources).
x86_64-w64-mingw32-strip -o "$WIN_BUILD/marel.exe" "$WIN_BUILD/marel/marel.exe"

section "The zip and the installer"
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$WIN_BUILD/marel/CMakeCache.txt")"
name="marel-$version-win64"
stage="$WIN_BUILD/package/$name"
rm -rf "$WIN_BUILD/package" "$WIN_BUILD/$name.zip" "$WIN_BUILD/$name.exe"
mkdir -p "$stage/licences"
cp "$WIN_BUILD/marel.exe" "$stage/"
# Texts with Windows line ends, for Notepad.
crlf() { sed 's/\r$//; s/$/\r/' "$1" >"$2"; }
crlf "$MAREL_ROOT/LICENSE" "$stage/LICENSE.txt"
crlf "$WIN_BUILD/marel/README.txt" "$stage/README.txt"
# The licences of what is linked in: freeglut, the mingw-w64 runtime
# (winpthreads included) and GCC's runtime libraries, as Debian states them.
crlf "$freeglut_src/COPYING" "$stage/licences/freeglut.txt"
crlf /usr/share/doc/mingw-w64-x86-64-dev/copyright "$stage/licences/mingw-w64.txt"
crlf /usr/share/doc/gcc-mingw-w64-base/copyright "$stage/licences/gcc-runtime.txt"
(cd "$WIN_BUILD/package" && zip -q -X -r "$WIN_BUILD/$name.zip" "$name")
(cd "$stage" && makensis -V2 -NOCD "$WIN_BUILD/marel/marel.nsi" && mv "$name.exe" "$WIN_BUILD/") \
    || fail "makensis"
ls -l "$WIN_BUILD/$name.zip" "$WIN_BUILD/$name.exe"
unzip -l "$WIN_BUILD/$name.zip" | tail -n +4 | head -n -2

if [ "$mode" = build ]; then
    exit 0
fi

section "The native harness that drives the Windows program (the test build's, made if test.sh has not)"
marel_preset test e2e_tests frame_rate_outside marel
harness="$MAREL_ROOT/build-test"

# Frames per second of the Windows build under Wine beside the native
# build's, both counted from outside through the server's damage reports, in
# alternating rounds on fresh servers: Wine's cost, as a ratio.
speed() {
    section "Frames per second under Wine beside the native build's ($1 rounds of $2 s)"
    "$harness/bench/frame_rate_outside" "$harness/marel" "$WINE64" "$WIN_BUILD/marel.exe" "$2" "$1" \
        || fail "measuring the frame rates"
}
if [ "$mode" = speed ]; then
    speed 5 10
    exit 0
fi

# The end-to-end check on a desktop (openbox on a private Xvfb) of a Windows
# program under Wine: desktop_run PROGRAM
desktop_run() {
    # Wine's processes from the runs without a display (wineboot, the unit
    # tests) may still be up, and a program started while they are would get
    # their display-less desktop, 1024 x 768, and centre itself on that:
    # wait until they are gone.
    "$WINESERVER" -w
    MAREL_CHECKED_RUN="$WINE64" MAREL_CHECKED_TEST='CheckedRunOnADesktop.*' \
        "$MAREL_ROOT/tests/checks/checked_run.sh" "$harness/tests/e2e_tests" MAREL_PROGRAM="$1"
}

section "The zip's marel.exe under Wine: window, picture, pointer, Escape, silence"
rm -rf "$WIN_BUILD/unzipped"
unzip -q "$WIN_BUILD/$name.zip" -d "$WIN_BUILD/unzipped"
desktop_run "$WIN_BUILD/unzipped/$name/marel.exe" || fail "the zip's program under Wine"

section "The installer, silently; the installed program; the uninstaller, silently"
installed="$WINEPREFIX/drive_c/Program Files/Marel"
shortcut="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Marel.lnk"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Marel'
"$WINE64" "$WIN_BUILD/$name.exe" /S || fail "the installer ended with status $?"
"$WINESERVER" -w
for file in marel.exe LICENSE.txt README.txt uninstall.exe licences/freeglut.txt; do
    [ -f "$installed/$file" ] || fail "the installer put no $file into Program Files\\Marel"
done
[ -f "$shortcut" ] || fail "the installer made no Start-menu shortcut"
cmp -s "$installed/marel.exe" "$WIN_BUILD/marel.exe" || fail "the installed marel.exe is not the one built"
"$WINE64" reg query "$uninstall_key" /v UninstallString | tr -d '\r' | grep -q 'uninstall.exe' \
    || fail "no uninstaller registered among the installed programs"
echo "installed: C:\\Program Files\\Marel, the Start-menu shortcut, the uninstaller registered"
desktop_run "$installed/marel.exe" || fail "the installed program under Wine"

"$WINE64" "$installed/uninstall.exe" /S || fail "the uninstaller ended with status $?"
"$WINESERVER" -w
# The uninstaller runs from a copy of itself in the temporary folder: wait for it to finish.
for _ in $(seq 50); do
    [ ! -e "$installed" ] && break
    sleep 0.2
done
[ ! -e "$installed" ] || fail "the uninstaller left $installed"
[ ! -e "$shortcut" ] || fail "the uninstaller left the Start-menu shortcut"
if "$WINE64" reg query "$uninstall_key" >/dev/null 2>&1; then
    fail "the uninstaller left its registry key"
fi
echo "uninstalled: nothing left in Program Files, the Start menu or the list of installed programs"

speed 3 5

section "Windows build: all checks passed"
echo "$WIN_BUILD/$name.zip"
echo "$WIN_BUILD/$name.exe"
