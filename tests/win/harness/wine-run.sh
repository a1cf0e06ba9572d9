#!/usr/bin/env bash
# The cross build's CMAKE_CROSSCOMPILING_EMULATOR: runs a Windows program under wine64 inside
# the test session (started on demand when a test runs on its own).
#
# The program's output goes through a file: a Windows program may start processes that outlive
# it (Wine's desktop window process), and any of them holding ctest's output pipe would keep
# the test from ending.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${WINE_BUILD_DIR:-}" ]; then
    # ctest runs the program from its build folder; the build root holds CMakeCache.txt.
    d=$(dirname "$(readlink -f "$1")")
    while [ "$d" != / ] && [ ! -f "$d/CMakeCache.txt" ]; do d=$(dirname "$d"); done
    export WINE_BUILD_DIR=$d
fi
. "$here/wine-env.sh"
if ! bash "$here/session.sh" status >/dev/null 2>&1; then
    bash "$here/session.sh" start
    . "$here/wine-env.sh"
fi
out=$(mktemp "${TMPDIR:-/tmp}/wine-run.XXXXXX")
trap 'rm -f "$out"' EXIT
rc=0
wine "$@" >"$out" 2>&1 || rc=$?
cat "$out"
exit "$rc"
