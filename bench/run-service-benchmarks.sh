#!/usr/bin/env bash
# The recognition service's benchmarks: accuracy and in-process latency over GB2312, then
# requests per second at 8 concurrent clients with wrk on loopback, and resident memory.
# usage: run-service-benchmarks.sh SERVICE ACCURACY_BENCH PAD_STROKE_TEXT DATA_DIR
set -euo pipefail
service=$1 accuracy=$2 pad_stroke_text=$3 data=$4
seconds=${BENCH_SECONDS:-10}
work=$(mktemp -d)
pid=
cleanup() {
  if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

echo "== accuracy and recognition latency"
"$accuracy" "$data"

echo
echo "== service under load (wrk, 8 connections, ${seconds} s, the panel's request for 中)"
"$service" --listen 127.0.0.1 --port 0 --threads 8 >"$work/log" 2>&1 &
pid=$!
for _ in $(seq 100); do grep -q 'listening on' "$work/log" && break; sleep 0.1; done
port=$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$work/log")
[ -n "$port" ] || { cat "$work/log"; exit 1; }
rss_idle=$(awk '/^VmRSS/ {print $2}' "/proc/$pid/status")

inner=$("$pad_stroke_text" "$data" 中)
cat >"$work/panel.lua" <<LUA
wrk.method = "POST"
wrk.body = "wd=$inner&type=1"
wrk.headers["Content-Type"] = "application/x-www-form-urlencoded"
wrk.headers["Accept-Encoding"] = "gzip, deflate"
LUA
wrk -t 2 -c 8 -d "${seconds}s" --latency -s "$work/panel.lua" "http://127.0.0.1:$port/" | sed 's/^/  /'

echo
echo "== resident memory of the service"
awk -v idle="$rss_idle" '/^VmRSS/ {rss=$2} /^VmHWM/ {hwm=$2}
  END {printf "  after start %.1f MiB, after the load %.1f MiB, peak %.1f MiB\n", idle/1024, rss/1024, hwm/1024}' "/proc/$pid/status"
echo "  requests logged: $(grep -c ' POST / ' "$work/log")"
