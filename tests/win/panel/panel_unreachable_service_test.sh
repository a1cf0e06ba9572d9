#!/usr/bin/env bash
# The panel written on while its service host takes no connection (a listener on port 80 whose
# accept queue is full, as a host that is down or cut off behaves):
#  - its GUI thread keeps answering: InspectWindows sends it WM_NULL every 20 ms while the
#    strokes are written and their connects wait, and every answer comes within 500 ms;
#  - the strokes' requests are made as the pen moves (the trace), none waits for the host;
#  - once the last connect has given up, the title reads the connect failure text.
#
# usage: panel_unreachable_service_test.sh PANEL.exe InspectWindows.exe TargetApp.exe
#        UNREACHABLE_SERVICE.py
set -euo pipefail
panel_exe=$1
GUI_INSPECTOR=$2
GUI_TARGET=$3
unreachable=$4
. "$WINE_HARNESS_DIR/gui-lib.sh"
. "$(dirname "$0")/panel_road.sh"
gui_init

road_port_open && gui_fail "something else already listens on 127.0.0.1:80"
python3 "$unreachable" 80 "$GUI_DIR/unreachable.ready" >"$GUI_DIR/unreachable.out" 2>&1 &
GUI_PIDS+=("$!")
gui_wait_until test -f "$GUI_DIR/unreachable.ready" ||
    gui_fail "the unreachable host did not start: $(cat "$GUI_DIR/unreachable.out")"

road_start_panel "$panel_exe"
panel_title() {
    gui_inspect --class HandwritingPanelWindow || gui_fail "the panel is gone"
    gui_field "$(gui_line window class=HandwritingPanelWindow)" title_gbk
}
failure=$(gui_hex 连接服务器失败！)
[ "$(panel_title)" != "$failure" ] || gui_fail "the title shows the failure before any request"

# The panel's answer times while it is written on, measured from another process.
answers=$GUI_DIR/answers.txt
wine "$GUI_INSPECTOR" --class HandwritingPanelWindow --answer-times 8000 </dev/null >"$answers" 2>&1 &
pinger=$!
GUI_PIDS+=("$pinger")
gui_wait_log "$answers" '^window' || gui_fail "the inspector did not find the panel: $(cat "$answers")"

# A stroke pressed at (x, y) of the pad and moved n times by (dx, dy), each move sampled.
stroke() {
    local x=$1 y=$2 dx=$3 dy=$4 n=$5 i
    gui_move $((pad_left + x - 1)) $((pad_top + y))
    sleep 0.1
    gui_move $((pad_left + x)) $((pad_top + y))
    sleep 0.2
    gui_press 1
    for ((i = 1; i <= n; i++)); do
        gui_move $((pad_left + x + i * dx)) $((pad_top + y + i * dy))
        sleep 0.03
    done
    gui_release 1
    sleep 0.2
}
# Requests at the 11th and 22nd sample and at the end, then one at each short stroke's end.
stroke 20 40 5 4 30
stroke 150 30 0 6 5
stroke 40 180 6 0 5
gui_wait_until eval '[ "$(panel_title)" = "$failure" ]' || true
gui_wait_exit "$pinger" || gui_fail "the inspector did not end"
gui_screenshot panel-unreachable-service >/dev/null

requests=$(grep -c ' request stroke=' "$trace" || true)
[ "$requests" -ge 3 ] || gui_fail "only $requests requests were made: $(cat "$trace")"
record=$(grep '^answers' "$answers") || gui_fail "no answer times: $(cat "$answers")"
longest=$(gui_field "$record" longest_ms)
count=$(gui_field "$record" count)
echo "$requests requests; $count answers, the longest after $longest ms"
[ "$longest" -lt 500 ] || gui_fail "the panel left a message waiting for $longest ms: $record"
[ "$count" -ge 100 ] || gui_fail "only $count answers in 8 s: $record"
gui_pass "the panel answered within $longest ms all through $requests requests to a host that takes no connection"

assert_eq "$failure" "$(panel_title)" "the title once the connect has given up"
assert_log "$trace" ' connect failed$' "the trace"
gui_pass "the title shows the connect failure"
