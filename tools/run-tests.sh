#!/usr/bin/env bash
# Runs every build's tests in one ctest run (the build root's CTestTestfile.cmake lists the
# builds), so that ctest's summary is the last thing printed. Extra arguments go to ctest.
set -uo pipefail
build=$1; shift
start=$(date +%s)
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" "$@"
rc=$?
# A test run that was cut short must not leave Xvfb or wineserver behind.
WINE_BUILD_DIR=$build/win64 bash "$(dirname "$0")/../tests/win/harness/session.sh" stop >/dev/null 2>&1 || true
echo "Total time of the test run: $(( $(date +%s) - start )) s"
exit $rc
