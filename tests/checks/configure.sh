#!/usr/bin/env bash
# A plain configure as on a system with only the program's build packages
# (GoogleTest and Google Benchmark made unfindable), one check per call:
#   configure.sh CHECK SOURCE_DIR WORK_DIR
# `plain`: nothing says whether to build the tests, so the configure says in
# one line why they are off, goes on, and builds the program (the fixture of
# `install`); `install`: cmake --install puts in place exactly the files the
# package holds; `tests-asked`: asked for by name, the tests make a missing
# GoogleTest, or a missing tool that a test starts, an error.
set -euo pipefail
check="$1" source="$2" work="$3"
fail() { echo "FAIL: $*" >&2; exit 1; }

case "$check" in
plain)
    rm -rf "$work"
    mkdir -p "$work"
    cmake -S "$source" -B "$work/program-only" --no-warn-unused-cli -DMAREL_WERROR=ON \
        -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON >"$work/plain.log" 2>&1 \
        || { cat "$work/plain.log" >&2; fail "a plain configure without the test packages"; }
    grep '^-- Tests off, for want of GoogleTest' "$work/plain.log" || fail "the plain configure did not say why the tests are off"
    grep -qx 'BUILD_TESTING:BOOL=OFF' "$work/program-only/CMakeCache.txt" || fail "the plain configure left the tests on"
    cmake --build "$work/program-only" --parallel "$(nproc)" >"$work/build.log" 2>&1 \
        || { cat "$work/build.log" >&2; fail "building the program alone"; }
    test -x "$work/program-only/marel" || fail "the plain build made no program"
    ;;
install)
    rm -rf "$work/prefix"
    cmake --install "$work/program-only" --prefix "$work/prefix" >/dev/null
    installed="$(cd "$work/prefix" && find . -type f | sed 's|^\./||' | sort)"
    expected="$(cat "$source/tests/checks/installed-files.txt")"
    [ "$installed" = "$expected" ] || fail "cmake --install put in place:
$installed
expected:
$expected"
    test -x "$work/prefix/bin/marel" || fail "the installed program is not executable"
    echo "installed: $(echo "$expected" | tr '\n' ' ')"
    ;;
tests-asked)
    rm -rf "$work-asked"
    if cmake -S "$source" -B "$work-asked" --no-warn-unused-cli -DBUILD_TESTING=ON \
        -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON >"$work.asked.log" 2>&1; then
        fail "-DBUILD_TESTING=ON configured without GoogleTest"
    fi
    grep -q 'The tests need GoogleTest' "$work.asked.log" || { cat "$work.asked.log" >&2; fail "-DBUILD_TESTING=ON failed for another reason"; }
    echo "-DBUILD_TESTING=ON without GoogleTest: stops, as it should"
    # A tool that a test starts, missing: the configure stops and names it
    # with its package, rather than the test skipping or failing later.
    rm -rf "$work-asked"
    if cmake -S "$source" -B "$work-asked" --no-warn-unused-cli -DBUILD_TESTING=ON \
        -DMAREL_TOOL_x11vnc=/nonexistent/x11vnc >"$work.asked.log" 2>&1; then
        fail "-DBUILD_TESTING=ON configured without x11vnc"
    fi
    grep -q 'need x11vnc (x11vnc)' "$work.asked.log" || { cat "$work.asked.log" >&2; fail "without x11vnc the configure failed for another reason"; }
    echo "-DBUILD_TESTING=ON without x11vnc: stops, naming it"
    ;;
*)
    fail "no check called $check"
    ;;
esac
