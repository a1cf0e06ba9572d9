#!/usr/bin/env bash
# The recognition service's benchmarks: accuracy and in-process latency over GB2312; then the
# service under wrk on loopback at 8, 64 and 512 connections, alone and with 1000 slow clients
# holding connections open; its resident memory; and requests per second per core against the
# ceiling, the same request answered in-process without HTTP.
# usage: run-service-benchmarks.sh SERVICE ACCURACY_BENCH PAD_STROKE_TEXT DATA_DIR SLOW_CLIENTS CEILING
set -euo pipefail
service=$1 accuracy=$2 pad_stroke_text=$3 data=$4 slow_clients=$5 ceiling=$6
seconds=${BENCH_SECONDS:-10}
slow_count=${BENCH_SLOW_CLIENTS:-1000}
cores=$(nproc)
. "$(dirname "$0")/service_bench_lib.sh"

echo "== accuracy and recognition latency"
"$accuracy" "$data"

bench_panel_script "$pad_stroke_text" "$data"
printf 'wd=%s&type=1' "$inner" >"$work/body"
echo
echo "== the ceiling: the request for 中 answered in-process, no HTTP"
"$ceiling" "$work/body" | tee "$work/ceiling" | sed 's/^/  /'
ceiling_per_core=$(awk '{print $6}' "$work/ceiling")

# wrk opens all its connections from 127.0.0.1: the cap per client address is raised for it.
bench_start_service "$service" --max-per-client 100000
rss() { awk -v key="$1" '$1 == key":" {printf "%.1f", $2 / 1024}' "/proc/$pid/status"; }
rss_idle=$(rss VmRSS)

# One row of the table: connections, slow clients, then wrk's requests/s, p50, p99, errors.
load() { # connections slow-clients
  wrk -t 2 -c "$1" -d "${seconds}s" --timeout 5s --latency -s "$work/panel.lua" \
    "http://127.0.0.1:$port/" >"$work/wrk" 2>&1 || true
  awk -v c="$1" -v slow="$2" -v cores="$cores" -v ceiling="$ceiling_per_core" '
    /Requests\/sec:/ {rps = $2}
    $1 == "50%" {p50 = $2} $1 == "99%" {p99 = $2}
    /Non-2xx|Socket errors/ {errors = errors $0 " "}
    END {printf "  %11d  %12d  %10.0f  %8s  %8s  %12.0f  %5.0f%%  %s\n", c, slow, rps, p50, p99,
         rps / cores, 100 * rps / cores / ceiling, errors}' "$work/wrk"
}

echo
echo "== the service under wrk (${seconds} s each, the panel's request for 中, $cores cores)"
echo "  connections  slow clients  requests/s       p50       p99  per core/s  of ceiling"
for c in 8 64 512; do load "$c" 0; done
rss_loaded=$(rss VmRSS)
"$slow_clients" "$port" "$slow_count" $((3 * seconds + 10)) >"$work/slow" &
slow_pid=$!
sleep 3
rss_slow=$(rss VmRSS)
for c in 8 64 512; do load "$c" "$slow_count"; done
rss_slow_loaded=$(rss VmRSS)
kill "$slow_pid" 2>/dev/null || true; wait "$slow_pid" 2>/dev/null || true; slow_pid=
echo "  (slow clients send a header line a second and are cut off at the 5 s deadline, then"
echo "   reconnect; each cut-off is logged as 408: $(grep -c ' 408 ' "$work/log" || true) of them)"

echo
echo "== resident memory of the service"
echo "  after start $rss_idle MiB, after the loads $rss_loaded MiB, with $slow_count slow clients" \
  "$rss_slow MiB, with them and the loads $rss_slow_loaded MiB, peak $(rss VmHWM) MiB"
echo "  requests logged: $(grep -c ' POST / ' "$work/log")"
