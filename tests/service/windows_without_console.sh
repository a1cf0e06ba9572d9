#!/usr/bin/env bash
# The Windows service started the way log-on and the Start menu start it, with no console:
#  1. its port taken by another program, it says so in one message box (what happened, what to
#     do, the system's reason), logs it, and ends once the box is dismissed, no second box;
#  2. a second copy on a port the first serves leaves quietly (no box) and logs why, and the
#     first serves on;
#  3. its copy that serves, killed as a crash or the Task Manager ends it, serves again within
#     3 s, and the log says why; `--stop` then stops it for good;
#  4. its log, passing 4 MiB while it serves, is moved to service.log.1 between two lines and
#     goes on afresh.
#
# usage: windows_without_console.sh InspectWindows.exe HandwritingService.exe
set -euo pipefail
GUI_INSPECTOR=$1
service=$2
. "$WINE_HARNESS_DIR/gui-lib.sh"
gui_init

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
port_open() { python3 -c 'import socket,sys; s=socket.socket(); sys.exit(0 if s.connect_ex(("127.0.0.1",int(sys.argv[1])))==0 else 1)' "$1"; }
# `start` runs the program through the shell, as Explorer does: no console, no output handles.
start_detached() { wine start /unix "$service" "$@" </dev/null >>"$GUI_DIR/start.out" 2>&1; }
log_file() { find "$WINEPREFIX/drive_c/users" -path '*/AppData/Local/HandwritingPanel/service.log' | head -1; }
box_open() { gui_inspect --class '#32770' --title 手写识别服务; }

# 1. A port held by another program.
port=$(free_port)
python3 -c 'import socket,sys,time; s=socket.socket(); s.bind(("127.0.0.1",int(sys.argv[1]))); s.listen(1); time.sleep(120)' "$port" &
holder=$!
trap 'kill $holder 2>/dev/null || true; gui_cleanup' EXIT
gui_wait_until port_open "$port" || gui_fail "the port holder did not listen"
start_detached --port "$port"
gui_wait_until box_open || gui_fail "no message box for the taken port $port"
text=$(gui_child_text class=Static id=65535)
assert_match "^手写识别服务无法在 127\.0\.0\.1:$port 上接收请求" "$text" "the box says what happened"
assert_match '请关闭该程序.*启动识别服务' "$text" "the box says what to do"
assert_match "cannot listen on 127\.0\.0\.1:$port: Address already in use" "$text" "the box gives the reason"
gui_screenshot service-port-taken-box >/dev/null
gui_inspect --class '#32770' --title 手写识别服务 --post-key 0D >/dev/null
gui_wait_gone --class '#32770' --title 手写识别服务 || gui_fail "the box stayed after Enter"
sleep 2
box_open && gui_fail "a second message box appeared"
assert_log "$(log_file)" "cannot listen on 127\.0\.0\.1:$port: Address already in use" "the log"
gui_pass "a taken port is told in one message box, logged, and the service ends"

# 2. A second copy beside a running one.
port=$(free_port)
gui_start "$service" --port "$port"
first=$GUI_PID
gui_wait_until port_open "$port" || gui_fail "the first copy does not listen on $port"
start_detached --port "$port"
assert_log "$(log_file)" "another copy of the service is already running on port $port" "the log"
box_open && gui_fail "the second copy showed a message box"
kill -0 "$first" 2>/dev/null && port_open "$port" || gui_fail "the first copy stopped serving"
gui_pass "a second copy leaves quietly and logs why; the first serves on"

# 3. The serving copy killed; then --stop.
serving_copy() { pgrep -f -- "--port $port --supervised\$" | head -1; }
copy=$(serving_copy) || gui_fail "no serving copy under a supervisor: $(ps -eo pid,args | grep -i handwritingservice)"
lines=$(wc -l <"$(log_file)")
killed=$(date +%s%N)
kill -9 "$copy"
gui_wait_until eval '[ -n "$(serving_copy)" ] && [ "$(serving_copy)" != "$copy" ] && port_open "$port"' ||
    gui_fail "the service did not come back: $(tail -n +$((lines + 1)) "$(log_file)")"
back_ms=$((($(date +%s%N) - killed) / 1000000))
echo "serving again $back_ms ms after the kill"
[ "$back_ms" -lt 3000 ] || gui_fail "the service took $back_ms ms to come back"
assert_match 'ended after .* without being asked to stop; starting it again in 0\.25 s' \
    "$(tail -n +$((lines + 1)) "$(log_file)")" "the supervisor's line in the log"
gui_pass "killed, the serving copy is back after $back_ms ms"
wine "$service" --stop --port "$port" </dev/null >"$GUI_DIR/stop.out" 2>&1 || gui_fail "--stop failed: $(cat "$GUI_DIR/stop.out")"
gui_wait_exit "$first" || gui_fail "the supervisor still runs after --stop"
sleep 2
port_open "$port" && gui_fail "the port is served again after --stop"
[ -z "$(serving_copy)" ] || gui_fail "a serving copy runs after --stop"
gui_pass "--stop stops the supervisor and its copy for good"

# 4. The log rotated while the service serves: one just short of the bound passes it with the
#    lines of a few requests.
log=$(log_file)
{
    echo "the log before"
    head -c $((4 * 1024 * 1024 - 400)) /dev/zero | tr '\0' x
    echo
} >"$log"
rm -f "$log.1"
port=$(free_port)
gui_start "$service" --port "$port"
gui_wait_until port_open "$port" || gui_fail "the service does not listen on $port"
for _ in 1 2 3 4 5 6 7 8; do
    curl -sS --max-time 5 --data-binary 'wd=10a20a13a20a16a24&type=1' "http://127.0.0.1:$port/" >/dev/null
done
gui_wait_until test -f "$log.1" || gui_fail "the log was not rotated: $(ls -l "$(dirname "$log")")"
assert_eq "the log before" "$(head -1 "$log.1")" "the first line of service.log.1"
assert_match ' POST / 200 ' "$(cat "$log")" "the fresh log"
[ "$(stat -c %s "$log")" -lt 65536 ] || gui_fail "the fresh log holds $(stat -c %s "$log") bytes"
grep -v '^x*$' "$log.1" "$log" | grep -vE ':(the log before|[0-9TZ:-]+ POST / 200 .*|listening on .*)$' &&
    gui_fail "a line was split or mangled by the rotation"
wine "$service" --stop --port "$port" </dev/null >"$GUI_DIR/stop.out" 2>&1 || gui_fail "--stop failed: $(cat "$GUI_DIR/stop.out")"
gui_pass "the log passing 4 MiB while the service runs goes on afresh, the older one kept as service.log.1"
