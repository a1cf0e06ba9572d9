#!/usr/bin/env bash
# The cross build's CMAKE_CROSSCOMPILING_EMULATOR: runs a Windows program under wine64 inside
# the test session (started on demand when a test runs on its own).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${WINE_BUILD_DIR:-}" ]; then
  # ctest runs the program from its build folder; the build root holds CMakeCache.txt.
  d=$(dirname "$(readlink -f "$1")")
  while [ "$d" != / ] && [ ! -f "$d/CMakeCache.txt" ]; do d=$(dirname "$d"); done
  export WINE_BUILD_DIR=$d
fi
. "$here/wine-env.sh"
if [ ! -f "$WINE_SESSION_DIR/display" ]; then
  bash "$here/session.sh" start
  . "$here/wine-env.sh"
fi
# Wine may start long-lived helpers (explorer for the desktop, services) from this program;
# they would inherit its output pipes and ctest would wait on them until its time-out. So the
# program's output goes through a file that is printed once the program has ended.
out=$(mktemp "${TMPDIR:-/tmp}/wine-run.XXXXXX")
trap 'rm -f "$out"' EXIT
set +e
wine "$@" </dev/null >"$out" 2>&1
rc=$?
set -e
cat "$out"
exit $rc
