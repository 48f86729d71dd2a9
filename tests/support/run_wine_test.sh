#!/usr/bin/env bash
# run_wine_test.sh <seconds> <command> [arguments...]
#
# Runs one test command that starts Wine programs, and prints what it wrote once it has ended.
#
# Wine starts its background programs (the desktop window's process, the services) on demand,
# from whichever program needs them first, and they inherit that program's standard error. Were
# that ctest's pipe, ctest would wait for them to exit before it saw the test end; they live as
# long as other tests keep the prefix busy, so a test that had passed ran into its timeout. The
# command's output therefore goes to a file of its own, which they may keep open.
#
# A command still running after <seconds> is stopped, with what it wrote so far, so that a hang
# shows where it hung instead of ending silently at ctest's timeout.
set -u
limit=$1
shift
# A 64-bit build tree's own wine, wineboot and winepath come first (cmake/Project.cmake).
[ -z "${VADAZ_WINE_BIN:-}" ] || PATH="$VADAZ_WINE_BIN:$PATH"
log=$(mktemp "${TMPDIR:-/tmp}/vadaz-test.XXXXXX")
trap 'rm -f "$log"' EXIT

timeout --kill-after=10 "$limit" "$@" </dev/null >"$log" 2>&1
status=$?
cat "$log"
if [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
    echo "TIMEOUT: still running after $limit s, stopped: $*"
    exit "$status"
fi
# A Wine program that crashed may still end with 0 (its debugger ends it), and a test program
# that ended half way has run only some of its tests: neither has passed.
if grep -q '^wine: Unhandled ' "$log"; then
    echo "CRASH: a program crashed: $*"
    [ "$status" -ne 0 ] || status=1
elif grep -q '^\[==========\] Running ' "$log" && ! grep -q '^\[==========\] .* ran\.' "$log"; then
    echo "UNFINISHED: the test program ended before its last test: $*"
    [ "$status" -ne 0 ] || status=1
# A script stopped by an error it did not catch ends with 0 under Wine, silently: only the line it
# writes at its end, the last it writes, shows that it got there.
elif [ -n "${VADAZ_TEST_LAST_LINE:-}" ] &&
     ! tr -d '\r' <"$log" | grep -v '^[[:space:]]*$' | tail -n 1 | grep -q "^${VADAZ_TEST_LAST_LINE}"; then
    echo "UNFINISHED: the script stopped before its end: $*"
    [ "$status" -ne 0 ] || status=1
fi
exit "$status"
