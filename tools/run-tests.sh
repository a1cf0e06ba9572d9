#!/usr/bin/env bash
# Runs every build's tests in one ctest run (the build root's CTestTestfile.cmake lists the
# builds), so that ctest's summary is the last thing printed. Extra arguments go to ctest.
# MAKE_START_TIME (seconds since the epoch, set by the Makefile) dates the start of the build.
set -uo pipefail
build=$1
shift
if [ -n "${MAKE_START_TIME:-}" ]; then
    echo "[test] dependencies and build took $(($(date +%s) - MAKE_START_TIME)) s; running the tests"
fi
# Whether the i686 build's tests run on this machine, said once (probed once per build root).
"$(dirname "$0")/../tests/win/harness/i686-gate.sh" line "$build" || exit 1
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" "$@"
rc=$?
# A test run that was cut short must not leave Xvfb or wineserver behind (silently: ctest's
# summary stays the last word).
for tree in win64 win32; do
    WINE_BUILD_DIR=$build/$tree bash "$(dirname "$0")/../tests/win/harness/session.sh" stop >/dev/null 2>&1 || true
done
exit $rc
