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
exec wine "$@"
