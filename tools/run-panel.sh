#!/usr/bin/env bash
# `make run`: starts the recognition service on this machine and the panel under Wine.
#   - with a DISPLAY: the panel runs on it (Wine prefix build/wine-run-prefix, Chinese locale)
#     beside Notepad until it is closed (its close glyph); then the service is stopped;
#   - without one: the panel runs on the test session's virtual display (Xvfb); once it is up a
#     screenshot is saved and its path printed. The panel keeps running there; stop it with
#     `WINE_BUILD_DIR=build/win64 tests/win/harness/session.sh stop`.
# usage: tools/run-panel.sh [BUILD_ROOT]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
panel=$build/win64/app/HandwritingPanel.exe
harness=$here/tests/win/harness

say() { printf '[run] %s\n' "$*" >&2; }

if [ ! -f "$panel" ]; then
  say "$panel is not built (make win64)"
  exit 1
fi

started_service=0
if [ -x "$here/tools/run-service.sh" ]; then
  if "$here/tools/run-service.sh" "$build"; then
    started_service=1
  else
    say "the recognition service did not start; the panel runs without it (its title will read 连接服务器失败！)"
  fi
fi

if [ -n "${DISPLAY:-}" ]; then
  export WINEPREFIX=${WINEPREFIX:-$build/wine-run-prefix}
  export WINEARCH=win64 LC_ALL=zh_CN.UTF-8 LANG=zh_CN.UTF-8 WINEDEBUG=${WINEDEBUG:--all}
  export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
  # Something to type into beside the panel.
  wine notepad >/dev/null 2>&1 </dev/null &
  notepad=$!
  say "starting the panel on $DISPLAY (close it with its close glyph); Notepad is open to type into"
  set +e
  wine "$panel"
  code=$?
  set -e
  kill "$notepad" 2>/dev/null || true
  if [ "$started_service" = 1 ]; then "$here/tools/stop-service.sh" "$build" || true; fi
  exit $code
fi

# No display: the test session's virtual desktop.
export WINE_BUILD_DIR=$build/win64
bash "$harness/session.sh" start >/dev/null 2>&1 </dev/null
. "$harness/wine-env.sh"
trace=$WINE_BUILD_DIR/run-panel-trace.txt
rm -f "$trace"
HANDWRITING_PANEL_TRACE="Z:${trace//\//\\}" nohup wine "$panel" >"$WINE_BUILD_DIR/run-panel.log" 2>&1 </dev/null &
for _ in $(seq 300); do
  grep -q "handles=16" "$trace" 2>/dev/null && break
  sleep 0.1
done
if ! grep -q "handles=16" "$trace" 2>/dev/null; then
  say "the panel did not come up; see $WINE_BUILD_DIR/run-panel.log"
  exit 1
fi
sleep 1
shot=$(bash "$harness/screenshot.sh" run-panel)
say "the panel is running on the virtual display $DISPLAY (no DISPLAY was set)"
say "screenshot: $shot"
say "stop it with: WINE_BUILD_DIR=$WINE_BUILD_DIR $harness/session.sh stop; tools/stop-service.sh $build"
