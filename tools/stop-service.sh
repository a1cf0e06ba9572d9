#!/usr/bin/env bash
# Stops the recognition service that tools/run-service.sh started (by the pid it recorded).
# usage: tools/stop-service.sh [BUILD_ROOT]   (default: ./build)
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
pidfile=$build/native/service.pid

if [ ! -f "$pidfile" ]; then
  echo "[service] not running (no $pidfile)" >&2
  exit 0
fi
pid=$(cat "$pidfile")
# Only the program we started: a recycled pid must not be signalled.
if kill -0 "$pid" 2>/dev/null && tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -q handwriting-service; then
  kill -TERM "$pid"
  for _ in $(seq 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    echo "[service] pid $pid did not stop on SIGTERM; killing it" >&2
    kill -KILL "$pid"
  fi
  echo "[service] stopped (pid $pid)" >&2
fi
rm -f "$pidfile"
