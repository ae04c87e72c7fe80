#!/usr/bin/env bash
# One command to install what is missing, build with warnings as errors, and
# run every test and check: unit, GL, end-to-end, the Debian package, a plain
# configure, valgrind, the sanitizers (GCC and clang) and the soak run, then
# the benchmarks. Each build is one of CMakePresets.json's workflows
# (build-test, build-asan, build-clang, build-clang-asan; never run.sh's
# build/), whose configure finds every tool the tests start, so that none can
# skip. Each test process starts its own private Xvfb server, so no display
# is needed and none is touched.
#   scripts/test.sh              everything
#   scripts/test.sh --stress N   the unit, GL and end-to-end tests N times in
#                                a row beside two busy processes, to show that
#                                no test leans on a quiet machine
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

section() { printf '\n== %s\n' "$*"; }
fail() { echo "test.sh: FAIL: $*" >&2; exit 1; }

marel_install_packages "${MAREL_RUN_PACKAGES[@]}" "${MAREL_X_PACKAGES[@]}" "${MAREL_TEST_PACKAGES[@]}"

if [ "${1:-}" = "--stress" ]; then
    runs="${2:-}"
    [[ "$runs" =~ ^[1-9][0-9]*$ ]] || fail "--stress needs a number of runs, such as --stress 10"
    section "Release build, warnings as errors"
    marel_preset test
    busy=()
    trap 'kill "${busy[@]}" 2>/dev/null || true' EXIT
    for _ in 1 2; do
        yes >/dev/null &
        busy+=("$!")
    done
    passed=0
    started=$SECONDS
    for run in $(seq "$runs"); do
        section "Stress run $run of $runs, beside two busy processes (pids ${busy[*]})"
        (cd "$MAREL_ROOT" && ctest --preset quick) && passed=$((passed + 1))
    done
    echo "stress: $passed of $runs runs passed in $((SECONDS - started)) s"
    [ "$passed" -eq "$runs" ] || fail "$((runs - passed)) of $runs stress runs failed"
    exit 0
fi

section "Release build, warnings as errors: unit, GL and end-to-end tests; the package, a plain configure, valgrind"
marel_workflow test || fail "the test build's tests"

section "The clang build: the unit tests (the step's exact values from clang's code)"
marel_workflow clang || fail "the clang build's unit tests"

section "Unit and GL tests and the program under the sanitizers (GCC)"
marel_workflow asan || fail "the GCC sanitizer build"

section "Unit and GL tests under the sanitizers (clang)"
marel_workflow clang-asan || fail "the clang sanitizer build"

section "Soak: two minutes of random input"
(cd "$MAREL_ROOT" && ctest --preset soak) || fail "the soak run"

section "Benchmarks (figures only; targets are judged from these ratios)"
bench="$MAREL_ROOT/build-test/bench"
"$bench/step_waves_bench" --benchmark_min_time=0.2
# The step as GCC and as clang built it, in one run; fails only if the two
# fields differ, never on a figure.
"$bench/step_compilers_bench" "$bench/libmarel_step_module.so" \
    "$MAREL_ROOT/build-clang/bench/libmarel_step_module.so" --benchmark_min_time=0.2
"$bench/draw_cycle_bench" --benchmark_enable_random_interleaving=true
"$bench/startup_bench"

section "Summary"
ctest --test-dir "$MAREL_ROOT/build-test" -N | tail -1
echo "All checks passed."
