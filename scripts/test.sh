#!/usr/bin/env bash
# One command to install what is missing, build with warnings as errors, and
# run every test: unit, GL, end-to-end, sanitizer, valgrind and soak runs,
# then the benchmarks. Each test process starts its own private Xvfb server,
# so no display is needed and none is touched.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

ASAN_BUILD="${MAREL_ASAN_BUILD:-$MAREL_ROOT/build-asan}"
logs="$(mktemp -d)"
trap 'rm -rf "$logs"' EXIT

section() { printf '\n== %s\n' "$*"; }

marel_install_packages

section "Release build, warnings as errors"
marel_build "$MAREL_BUILD" -DMAREL_WERROR=ON

section "Unit, GL and end-to-end tests"
ctest --test-dir "$MAREL_BUILD" --output-on-failure --timeout 300 -LE soak

section "AddressSanitizer and UndefinedBehaviorSanitizer build"
marel_build "$ASAN_BUILD" -DMAREL_WERROR=ON -DMAREL_SANITIZE=ON -DMAREL_BENCHMARKS=OFF

# Exit status 1 is Escape's; the sanitizers report with 86 so the two cannot be
# confused. These reach only the sanitized tests and program: ctest, Xvfb and
# xdotool are not instrumented and ignore them.
export ASAN_OPTIONS=exitcode=86
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS="suppressions=$MAREL_ROOT/tests/sanitize/lsan.supp:print_suppressions=0"

section "Unit and GL tests under the sanitizers"
ctest --test-dir "$ASAN_BUILD" --output-on-failure --timeout 300 -L 'core|gl'

section "The program under the sanitizers: start, frames, input, Escape"
# Mesa's driver is preloaded so that its own small allocations can be told
# apart (and suppressed) by name.
asan_runtime="$(g++ -print-file-name=libasan.so)"
swrast_driver="$(find /usr/lib -name swrast_dri.so -path '*dri*' | head -1)"
"$MAREL_ROOT/scripts/checked-run.sh" --stderr-file "$logs/asan.err" -- \
    env LD_PRELOAD="$asan_runtime $swrast_driver" "$ASAN_BUILD/marel"
if grep -E 'AddressSanitizer|LeakSanitizer|runtime error' "$logs/asan.err"; then
    echo "sanitizer reports in the program run" >&2
    exit 1
fi
if [ -s "$logs/asan.err" ]; then
    echo "the program wrote to stderr:" >&2
    cat "$logs/asan.err" >&2
    exit 1
fi

unset ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS

section "The program under valgrind memcheck: start, frames, input, Escape"
"$MAREL_ROOT/scripts/checked-run.sh" --stderr-file "$logs/valgrind.err" -- \
    valgrind --error-exitcode=99 --keep-debuginfo=yes --leak-check=full \
    --show-leak-kinds=definite --errors-for-leak-kinds=definite \
    --suppressions="$MAREL_ROOT/tests/valgrind/mesa.supp" "$MAREL_BUILD/marel" \
    || { cat "$logs/valgrind.err" >&2; exit 1; }
grep 'ERROR SUMMARY' "$logs/valgrind.err" | tail -1

section "Install"
cmake --install "$MAREL_BUILD" --prefix "$logs/prefix" >/dev/null
test -x "$logs/prefix/bin/marel"
grep -q '^Exec=marel$' "$logs/prefix/share/applications/marel.desktop"
echo "installed bin/marel and share/applications/marel.desktop"

section "Soak: two minutes of random input"
ctest --test-dir "$MAREL_BUILD" --output-on-failure --timeout 600 -L soak

section "Benchmarks (figures only; targets are judged from these ratios)"
"$MAREL_BUILD/bench/step_waves_bench" --benchmark_min_time=0.2
"$MAREL_BUILD/bench/draw_cycle_bench" --benchmark_enable_random_interleaving=true
"$MAREL_BUILD/bench/startup_bench"

section "Summary"
ctest --test-dir "$MAREL_BUILD" -N | tail -1
echo "All checks passed."
