#!/usr/bin/env bash
# A long day of a shared recognition service: BENCH_REQUESTS recognition requests (default
# 1,000,000, the panel's request for 中) from wrk over BENCH_CONNECTIONS connections (default
# 16), with BENCH_SLOW_CLIENTS slow clients (default 1000) trickling header lines beside them the
# whole time. Every BENCH_STEP requests (default 100,000) it prints the service's resident
# memory, its open descriptors and threads, and wrk's requests per second and latency over that
# step; at the end, the same once the slow clients have gone and the service is at rest again,
# beside the figures at rest before the load.
# usage: service_long_day.sh SERVICE PAD_STROKE_TEXT DATA_DIR SLOW_CLIENTS
set -euo pipefail
service=$1 pad_stroke_text=$2 data=$3 slow_clients=$4
total=${BENCH_REQUESTS:-1000000}
step=${BENCH_STEP:-100000}
connections=${BENCH_CONNECTIONS:-16}
slow_count=${BENCH_SLOW_CLIENTS:-1000}
. "$(dirname "$0")/service_bench_lib.sh"

bench_panel_script "$pad_stroke_text" "$data"
# wrk opens all its connections from 127.0.0.1: the cap per client address is raised for it. Its
# log (a line a request) is emptied at every step, as a rotated log would be.
bench_start_service "$service" --max-per-client 100000

# Resident memory in MiB, open descriptors, threads.
rss() { awk '$1 == "VmRSS:" {printf "%.1f", $2 / 1024}' "/proc/$pid/status"; }
descriptors() { find "/proc/$pid/fd" -mindepth 1 -maxdepth 1 | wc -l; }
task_count() { awk '$1 == "Threads:" {print $2}' "/proc/$pid/status"; }

# wrk runs by time; a step ends when the service has logged its requests, with SIGINT, on which
# wrk prints its figures as at the end of its time.
run_step() { # requests
    local wrk_pid answered
    : >"$work/log"
    wrk -t 2 -c "$connections" -d 3600s --timeout 5s --latency -s "$work/panel.lua" \
        "http://127.0.0.1:$port/" >"$work/wrk" 2>&1 &
    wrk_pid=$!
    while sleep 1; do
        answered=$(grep -c ' POST / 200 ' "$work/log" || true)
        [ "$answered" -lt "$1" ] || break
        kill -0 "$wrk_pid" 2>/dev/null || break
    done
    kill -INT "$wrk_pid" 2>/dev/null || true
    wait "$wrk_pid" || true
}

sleep 1
rest_rss=$(rss) rest_fds=$(descriptors) rest_threads=$(task_count)
echo "== the service over $total requests: wrk, $connections connections, $slow_count slow clients beside"
echo "   (the panel's request for 中; $(nproc) cores; at rest after start: $rest_rss MiB resident," \
    "$rest_fds descriptors, $rest_threads threads)"
"$slow_clients" "$port" "$slow_count" 86400 >"$work/slow" 2>&1 &
slow_pid=$!
sleep 3
printf '  %9s  %10s  %8s  %8s  %8s  %12s  %11s  %7s  %s\n' requests requests/s p50 p99 max \
    "resident MiB" descriptors threads errors
done_requests=0
started=$SECONDS
while [ "$done_requests" -lt "$total" ]; do
    run_step $(((done_requests / step + 1) * step - done_requests))
    count=$(sed -n 's/^ *\([0-9]*\) requests in .*/\1/p' "$work/wrk")
    [ -n "$count" ] || { cat "$work/wrk"; exit 1; }
    done_requests=$((done_requests + count))
    awk -v n="$done_requests" -v rss="$(rss)" -v fds="$(descriptors)" -v tasks="$(task_count)" '
        /Requests\/sec:/ {rps = $2}
        $1 == "50%" {p50 = $2} $1 == "99%" {p99 = $2}
        $1 == "Latency" && !max {max = $4}
        /Non-2xx|Socket errors/ {errors = errors $0 " "}
        END {printf "  %9d  %10.0f  %8s  %8s  %8s  %12s  %11s  %7s  %s\n", n, rps, p50, p99, max, rss,
             fds, tasks, errors}' "$work/wrk"
done
kill "$slow_pid" 2>/dev/null || true
wait "$slow_pid" 2>/dev/null || true
slow_pid=
# The slow clients' connections are gone once the service sees them close; give it a moment.
sleep 3
echo "  at rest again after $((SECONDS - started)) s: $(rss) MiB resident, $(descriptors) descriptors," \
    "$(task_count) threads (before the load: $rest_rss MiB, $rest_fds descriptors, $rest_threads threads);" \
    "peak resident $(awk '$1 == "VmHWM:" {printf "%.1f", $2 / 1024}' "/proc/$pid/status") MiB"
