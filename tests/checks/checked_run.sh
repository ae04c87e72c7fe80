#!/usr/bin/env bash
# The end-to-end harness's checked run of the program (start, drawn frames,
# pointer, buttons, keys, Escape with status 1, nothing printed), under a
# checking tool or on another build of the program:
#   checked_run.sh E2E_TESTS [VAR=VALUE...]
# MAREL_CHECKED_RUN in the environment is the command prefix (empty for
# none). The run passes only if its one test ran and passed: a skipped test
# is no pass, nor is a missing tool.
# MAREL_CHECKED_LOG names the tool's own log, shown in full on failure;
# MAREL_CHECKED_TEST the harness's test (the checked run on a desktop, say).
set -euo pipefail
harness="$1"
shift
tool="${MAREL_CHECKED_RUN%% *}"
if [ -n "$tool" ] && ! command -v "$tool" >/dev/null; then
    echo "FAIL: $tool is not installed" >&2
    exit 1
fi
log="$(mktemp)"
trap 'rm -f "$log"' EXIT
status=0
env "$@" "$harness" --gtest_filter="${MAREL_CHECKED_TEST:-CheckedRun.*}" --gtest_brief=1 >"$log" 2>&1 || status=$?
cat "$log"
tool_log="${MAREL_CHECKED_LOG:-}"
if [ "$status" -ne 0 ]; then
    [ -z "$tool_log" ] || cat "$tool_log"
    exit "$status"
fi
grep -q '^\[  PASSED  \] 1 test\.$' "$log" && ! grep -q SKIPPED "$log" || { echo "FAIL: the checked run did not run"; exit 1; }
[ -z "$tool_log" ] || grep 'ERROR SUMMARY' "$tool_log" | tail -1
