#!/usr/bin/env bash
# One copy of the service as the Kubernetes Deployment runs it (its arguments, held to one core
# with taskset as its processor limit holds it), under the panel's request for 中 from wrk with
# slow clients beside: requests a second, processor time a request and resident memory, the
# figures its requests and limits are set from.
# usage: service_resources.sh SERVICE PAD_STROKE_TEXT DATA_DIR SLOW_CLIENTS DEPLOYMENT_YAML
set -euo pipefail
service=$1 pad_stroke_text=$2 data=$3 slow_clients=$4 deployment=$5
seconds=${BENCH_SECONDS:-20}
slow_count=${BENCH_SLOW_CLIENTS:-1000}
connections=8
# shellcheck source-path=SCRIPTDIR source=service_bench_lib.sh
. "$(dirname "$0")/service_bench_lib.sh"

# The arguments the cluster adds to the image's entry point.
mapfile -t args < <(/usr/bin/python3 -c '
import sys, yaml
for a in yaml.safe_load(open(sys.argv[1]))["spec"]["template"]["spec"]["containers"][0].get("args", []):
    print(a)' "$deployment")
bench_panel_script "$pad_stroke_text" "$data"
bench_start_service "$service" "${args[@]}"
taskset -a -p -c 0 "$pid" >/dev/null
mib() { awk -v key="$1" '$1 == key":" {printf "%.1f", $2 / 1024}' "/proc/$pid/status"; }
processor_ms() { awk -v tick="$(getconf CLK_TCK)" '{printf "%.0f", ($14 + $15) * 1000 / tick}' "/proc/$pid/stat"; }

echo "== one copy: ${args[*]}, on one core; $connections connections for $seconds s, $slow_count slow clients"
resident_start=$(mib VmRSS)
"$slow_clients" "$port" "$slow_count" $((seconds + 10)) >"$work/slow" &
slow_pid=$!
sleep 3
before=$(processor_ms)
wrk -t 2 -c "$connections" -d "${seconds}s" --timeout 5s --latency -s "$work/panel.lua" \
  "http://127.0.0.1:$port/" >"$work/wrk" 2>&1 || true
after=$(processor_ms)
resident_loaded=$(mib VmRSS)
awk -v ms=$((after - before)) -v start="$resident_start" -v loaded="$resident_loaded" -v peak="$(mib VmHWM)" '
  /Requests\/sec:/ {rps = $2} $1 == "50%" {p50 = $2} $1 == "99%" {p99 = $2}
  /requests in/ {requests = $1}
  /Non-2xx|Socket errors/ {errors = errors $0 " "}
  END {
    printf "  requests/s %.0f, p50 %s, p99 %s, processor time %.2f ms a request %s\n", rps, p50, p99,
           ms / requests, errors
    printf "  resident: %s MiB after start, %s MiB under the load and the slow clients, peak %s MiB\n",
           start, loaded, peak
  }' "$work/wrk"
