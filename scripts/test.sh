#!/usr/bin/env bash
# One command to install what is missing, build with warnings as errors, and
# run every test: unit, GL, end-to-end, sanitizer (GCC and clang), valgrind and
# soak runs, the Debian package's checks, then the benchmarks. Each test
# process starts its own private Xvfb server, so no display is needed and none
# is touched. Builds in folders of its own (build-test, build-asan,
# build-clang, build-clang-asan), never in run.sh's build/.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

MAREL_BUILD="$MAREL_TEST_BUILD"
ASAN_BUILD="${MAREL_ASAN_BUILD:-$MAREL_ROOT/build-asan}"
CLANG_BUILD="${MAREL_CLANG_BUILD:-$MAREL_ROOT/build-clang}"
CLANG_ASAN_BUILD="${MAREL_CLANG_ASAN_BUILD:-$MAREL_ROOT/build-clang-asan}"
logs="$(mktemp -d)"
trap 'rm -rf "$logs"' EXIT

section() { printf '\n== %s\n' "$*"; }
fail() { echo "test.sh: FAIL: $*" >&2; exit 1; }
# ctest that fails when it finds no test: a missing test binary is no pass.
run_ctest() { ctest --no-tests=error --output-on-failure "$@"; }

marel_install_packages "${MAREL_RUN_PACKAGES[@]}" "${MAREL_X_PACKAGES[@]}" "${MAREL_TEST_PACKAGES[@]}"

section "Release build, warnings as errors"
marel_build "$MAREL_BUILD" "${MAREL_TEST_BUILD_OPTIONS[@]}"

# --stress N: the quick path (every test but the soak) N times in a row with
# two busy processes beside it, to show that no test leans on a quiet machine.
if [ "${1:-}" = "--stress" ]; then
    runs="${2:-}"
    [[ "$runs" =~ ^[1-9][0-9]*$ ]] || fail "--stress needs a number of runs, such as --stress 10"
    busy=()
    trap 'kill "${busy[@]}" 2>/dev/null || true; rm -rf "$logs"' EXIT
    for _ in 1 2; do
        yes >/dev/null &
        busy+=("$!")
    done
    passed=0
    started=$SECONDS
    for run in $(seq "$runs"); do
        section "Stress run $run of $runs, beside two busy processes (pids ${busy[*]})"
        run_ctest --test-dir "$MAREL_BUILD" --timeout 300 -LE soak && passed=$((passed + 1))
    done
    kill "${busy[@]}"
    echo "stress: $passed of $runs runs passed in $((SECONDS - started)) s"
    [ "$passed" -eq "$runs" ] || fail "$((runs - passed)) of $runs stress runs failed"
    exit 0
fi

section "Unit, GL and end-to-end tests"
run_ctest --test-dir "$MAREL_BUILD" --timeout 300 -LE soak

section "AddressSanitizer and UndefinedBehaviorSanitizer build (GCC)"
marel_build "$ASAN_BUILD" -DMAREL_WERROR=ON -DMAREL_SANITIZE=ON -DMAREL_BENCHMARKS=OFF

section "clang builds: the unit tests and the step module; the sanitized unit and GL tests"
MAREL_TARGET="core_tests app_tests marel_step_module" \
    marel_build "$CLANG_BUILD" -DCMAKE_CXX_COMPILER=clang++ -DMAREL_WERROR=ON -DMAREL_BENCHMARKS=ON
MAREL_TARGET="core_tests app_tests gl_tests alloc_tests" \
    marel_build "$CLANG_ASAN_BUILD" -DCMAKE_CXX_COMPILER=clang++ -DMAREL_WERROR=ON -DMAREL_SANITIZE=ON \
    -DMAREL_BENCHMARKS=OFF

section "Unit tests of the clang build (the step's exact values from clang's code)"
run_ctest --test-dir "$CLANG_BUILD" --timeout 300 -L core

# Exit status 1 is Escape's; the sanitizers report with 86 so the two cannot be
# confused. These reach only the sanitized tests and program: ctest, Xvfb and
# xdotool are not instrumented and ignore them.
export ASAN_OPTIONS=exitcode=86
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS="suppressions=$MAREL_ROOT/tests/sanitize/lsan.supp:print_suppressions=0"

section "Unit and GL tests under the sanitizers (GCC)"
run_ctest --test-dir "$ASAN_BUILD" --timeout 300 -L 'core|gl'

section "Unit and GL tests under the sanitizers (clang)"
run_ctest --test-dir "$CLANG_ASAN_BUILD" --timeout 300 -L 'core|gl'

# The end-to-end harness's checked run (start, drawn frames, pointer, buttons,
# keys, Escape with status 1, nothing printed), under a tool or on another
# build of the program: checked_run PREFIX [VAR=VALUE...] HARNESS
checked_run() {
    local prefix="$1" status=0
    shift
    env MAREL_CHECKED_RUN="$prefix" "$@" --gtest_filter='CheckedRun.*' --gtest_brief=1 >"$logs/checked.out" 2>&1 \
        || status=$?
    cat "$logs/checked.out"
    # A skipped or missing test is no pass.
    [ "$status" -eq 0 ] && grep -q '^\[  PASSED  \] 1 test\.$' "$logs/checked.out" && ! grep -q SKIPPED "$logs/checked.out"
}

section "The program under the sanitizers: start, frames, input, Escape"
# What the build found to preload: the compiler's sanitizer runtime where it is
# a shared library, and Mesa's driver, so that the driver's own small
# allocations can be told apart (and suppressed) by name. The harness fails on
# any sanitizer report in the program's output.
checked_run "" LD_PRELOAD="$(cat "$ASAN_BUILD/sanitizer-preload.txt")" "$ASAN_BUILD/tests/e2e_tests" \
    || fail "the program under the sanitizers"

unset ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS

section "The program under valgrind memcheck: start, frames, input, Escape"
# An error makes valgrind end the program with 99 instead of Escape's 1.
checked_run "valgrind --error-exitcode=99 --keep-debuginfo=yes --leak-check=full \
    --show-leak-kinds=definite --errors-for-leak-kinds=definite \
    --suppressions=$(printf %q "$MAREL_ROOT/tests/valgrind/mesa.supp") \
    --log-file=$(printf %q "$logs/valgrind.log")" "$MAREL_BUILD/tests/e2e_tests" \
    || { cat "$logs/valgrind.log" >&2; fail "the program under valgrind"; }
grep 'ERROR SUMMARY' "$logs/valgrind.log" | tail -1

# What `cmake --install` and the package must hold, relative to the prefix.
app_id=org.example.marel
expected_files="bin/marel
share/applications/$app_id.desktop
share/doc/marel/changelog.gz
share/doc/marel/copyright
share/icons/hicolor/scalable/apps/$app_id.svg
share/man/man6/marel.6.gz
share/metainfo/$app_id.metainfo.xml"

section "A plain configure with the test packages unfindable: tests off, the program alone; install"
# GoogleTest and Google Benchmark made unfindable stand for a system with only
# the program's build packages. Nothing says whether to build the tests: the
# configure says in one line why they are off and goes on.
cmake -S "$MAREL_ROOT" -B "$logs/program-only" --no-warn-unused-cli -DMAREL_WERROR=ON \
    -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON >"$logs/plain.out" 2>&1 \
    || { cat "$logs/plain.out" >&2; fail "a plain configure without the test packages"; }
grep '^-- Tests off, for want of GoogleTest' "$logs/plain.out" || fail "the plain configure did not say why the tests are off"
grep -qx 'BUILD_TESTING:BOOL=OFF' "$logs/program-only/CMakeCache.txt" || fail "the plain configure left the tests on"
cmake --build "$logs/program-only" --parallel "$(nproc)" >/dev/null
# Asked for by name, the tests make a missing GoogleTest an error.
if cmake -S "$MAREL_ROOT" -B "$logs/tests-asked" --no-warn-unused-cli -DBUILD_TESTING=ON \
    -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON >"$logs/asked.out" 2>&1; then
    fail "-DBUILD_TESTING=ON configured without GoogleTest"
fi
grep -q 'The tests need GoogleTest' "$logs/asked.out" || { cat "$logs/asked.out" >&2; fail "-DBUILD_TESTING=ON failed for another reason"; }
echo "-DBUILD_TESTING=ON without GoogleTest: stops, as it should"
cmake --install "$logs/program-only" --prefix "$logs/prefix" >/dev/null
installed="$(cd "$logs/prefix" && find . -type f | sed 's|^\./||' | sort)"
[ "$installed" = "$expected_files" ] || fail "cmake --install put in place:
$installed
expected:
$expected_files"
test -x "$logs/prefix/bin/marel"
echo "installed: $(echo "$expected_files" | tr '\n' ' ')"

section "Debian package: contents, dependencies, lintian, desktop entry, manual page, a run"
rm -f "$MAREL_BUILD"/marel_*.deb
(cd "$MAREL_BUILD" && cpack -G DEB >"$logs/cpack.out" 2>&1) || { cat "$logs/cpack.out" >&2; fail "cpack -G DEB"; }
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$MAREL_BUILD/CMakeCache.txt")"
deb="$MAREL_BUILD/marel_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "cpack made no $deb"

packaged="$(dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | sed 's|^\./usr/||' | sort)"
[ "$packaged" = "$expected_files" ] || fail "the package holds:
$packaged
expected, under /usr:
$expected_files"
# Folders 0755 and files 0644, the program 0755, all owned by root.
modes="$(dpkg-deb -c "$deb" | awk '{print $1, $2, $6}')"
if echo "$modes" | grep -vE '^(drwxr-xr-x root/root \./usr/(.*/)?|-rwxr-xr-x root/root \./usr/bin/marel|-rw-r--r-- root/root \./usr/share/.*)$'; then
    fail "files or folders above have unexpected modes or owners"
fi

depends="$(dpkg-deb -f "$deb" Depends)"
echo "Depends: $depends"
# dpkg-shlibdeps names the libraries the binary links against, with versions
# where the library's package gives one (libx11-6 gives none).
for library in 'libc6 (>= ' 'libstdc++6 (>= ' 'libglut3.12 (>= ' 'libglu1-mesa | libglu1' 'libxrandr2 (>= ' 'libxi6 (>= ' 'libx11-6'; do
    [[ "$depends" == *"$library"* ]] || fail "Depends lacks $library"
done
# Every dependency can be met from the archive (a dry run: nothing is installed).
apt-get -s -o Debug::NoLocking=1 install "$deb" >"$logs/apt.out" 2>&1 \
    || { cat "$logs/apt.out" >&2; fail "apt cannot install the package"; }
echo "apt could install it: $(grep -c '^Inst ' "$logs/apt.out") package(s) including itself"

# Errors and warnings fail; the informational tags are shown.
lintian_status=0
lintian --fail-on error,warning --display-info "$deb" >"$logs/lintian.out" 2>&1 || lintian_status=$?
grep -v 'running with root privileges' "$logs/lintian.out" || true
[ "$lintian_status" -eq 0 ] || fail "lintian reports errors or warnings (status $lintian_status)"
echo "lintian: no errors, no warnings"

dpkg-deb -x "$deb" "$logs/unpacked"
validation="$(desktop-file-validate "$logs/unpacked/usr/share/applications/$app_id.desktop" 2>&1)"
[ -z "$validation" ] || fail "desktop-file-validate: $validation"
grep -qx "Icon=$app_id" "$logs/unpacked/usr/share/applications/$app_id.desktop" || fail "the desktop entry names another icon"
echo "desktop-file-validate: nothing to say"
# The software centres' metainfo: valid down to the pedantic notes (a
# validation that would fetch the addresses is left out: no network needed),
# and its id and launchable name the desktop entry that is installed.
metainfo="$logs/unpacked/usr/share/metainfo/$app_id.metainfo.xml"
appstreamcli validate --no-net --pedantic "$metainfo" >"$logs/appstream.out" 2>&1 \
    || { cat "$logs/appstream.out" >&2; fail "appstreamcli validate"; }
# Errors, warnings, infos and pedantic notes each start a line with their
# letter, and none may appear, but one: AppStream before 1.0 (Debian 12's 0.16)
# does not know the <developer> element, which 1.0 wants instead of the
# <developer_name> it calls deprecated, and notes it as unknown.
appstream_version="$(appstreamcli --version | sed -n 's/^AppStream version: //p')"
notes="$(grep -E '^[EWIP]: ' "$logs/appstream.out" || true)"
if [[ "$appstream_version" == 0.* ]]; then
    notes="$(echo "$notes" | grep -Ev "^I: $app_id:[0-9]+: unknown-tag developer\$" || true)"
fi
[ -z "$notes" ] || { cat "$logs/appstream.out" >&2; fail "appstreamcli $appstream_version has something to say"; }
grep -q "<id>$app_id</id>" "$metainfo" || fail "the metainfo's id is not $app_id"
grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" \
    || fail "the metainfo launches no $app_id.desktop"
echo "appstreamcli $appstream_version validate --pedantic: nothing to say"
man_warnings="$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$logs/unpacked/usr/share/man/man6/marel.6.gz" 2>&1 >/dev/null)"
[ -z "$man_warnings" ] || fail "man --warnings: $man_warnings"
LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$logs/unpacked/usr/share/man/man6/marel.6.gz" 2>/dev/null \
    | grep -q 'EXIT STATUS' || fail "the manual page does not render"
echo "man --warnings: nothing to say"

# The packaged (stripped) program runs, from the unpacked tree.
checked_run "" MAREL_PROGRAM="$logs/unpacked/usr/bin/marel" "$MAREL_BUILD/tests/e2e_tests" \
    || fail "the packaged program"

section "Soak: two minutes of random input"
run_ctest --test-dir "$MAREL_BUILD" --timeout 600 -L soak

section "Benchmarks (figures only; targets are judged from these ratios)"
"$MAREL_BUILD/bench/step_waves_bench" --benchmark_min_time=0.2
# The step as GCC and as clang built it, in one run; fails only if the two
# fields differ, never on a figure.
"$MAREL_BUILD/bench/step_compilers_bench" "$MAREL_BUILD/bench/libmarel_step_module.so" \
    "$CLANG_BUILD/bench/libmarel_step_module.so" --benchmark_min_time=0.2
"$MAREL_BUILD/bench/draw_cycle_bench" --benchmark_enable_random_interleaving=true
"$MAREL_BUILD/bench/startup_bench"

section "Summary"
ctest --test-dir "$MAREL_BUILD" -N | tail -1
echo "All checks passed."
