# Pieces the service's benchmarks share; source it after `set -euo pipefail`:
#   $work                                a temporary folder, removed at exit with the service
#                                        ($pid) and the slow clients ($slow_pid) still running
#   bench_start_service SERVICE [ARGS]   the service on a free loopback port: $pid, $port; its
#                                        output appended to $work/log
#   bench_panel_script PAD_STROKE_TEXT DATA
#                                        the panel's request for 中 as a wrk script
#                                        ($work/panel.lua); its stroke data in $inner
work=$(mktemp -d)
pid= slow_pid=
bench_cleanup() {
    if [ -n "$slow_pid" ]; then kill "$slow_pid" 2>/dev/null || true; wait "$slow_pid" 2>/dev/null || true; fi
    if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap bench_cleanup EXIT
ulimit -n "$(ulimit -Hn)"

bench_start_service() {
    local service=$1
    shift
    : >>"$work/log"
    "$service" --listen 127.0.0.1 --port 0 "$@" >>"$work/log" 2>&1 &
    pid=$!
    for _ in $(seq 100); do grep -q 'listening on' "$work/log" && break; sleep 0.1; done
    port=$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$work/log")
    [ -n "$port" ] || { cat "$work/log"; exit 1; }
}

bench_panel_script() {
    inner=$("$1" "$2" 中)
    cat >"$work/panel.lua" <<LUA
wrk.method = "POST"
wrk.body = "wd=$inner&type=1"
wrk.headers["Content-Type"] = "application/x-www-form-urlencoded"
wrk.headers["Accept-Encoding"] = "gzip, deflate"
LUA
}
