#!/usr/bin/env bash
# The panel written on while its service host takes no connection (a listener on port 80 whose
# accept queue is full, as a host that is down or cut off behaves):
#  - its GUI thread keeps answering: InspectWindows sends it WM_NULL every 20 ms while the
#    strokes are written and their connects wait, and every answer comes within 500 ms;
#  - the strokes' requests are made as the pen moves (the trace), none waits for the host;
#  - once the last connect has given up, the title reads the connect failure text.
# Skipped (77) without the stroke data.
#
# usage: panel_unreachable_service_test.sh PANEL.exe InspectWindows.exe TargetApp.exe
#        UNREACHABLE_SERVICE.py HANZI_DATA_DIR
set -euo pipefail
panel_exe=$1
GUI_INSPECTOR=$2
GUI_TARGET=$3
unreachable=$4
data=$5
if [ ! -f "$data/中.json" ]; then
    echo "skipped: no stroke data in $data"
    exit 77
fi
. "$WINE_HARNESS_DIR/gui-lib.sh"
. "$(dirname "$0")/pad_strokes.sh"
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

# The panel's answer times while 中 is written on it (a request every eleventh point and at
# every pen-up), measured from another process.
answers=$GUI_DIR/answers.txt
wine "$GUI_INSPECTOR" --class HandwritingPanelWindow --answer-times 12000 </dev/null >"$answers" 2>&1 &
pinger=$!
GUI_PIDS+=("$pinger")
gui_wait_log "$answers" '^window' || gui_fail "the inspector did not find the panel: $(cat "$answers")"
pad_write_character "$data" 中 "$pad_left" "$pad_top"
gui_wait_until eval '[ "$(panel_title)" = "$failure" ]' || true
gui_wait_exit "$pinger" || gui_fail "the inspector did not end"
gui_screenshot panel-unreachable-service >/dev/null

requests=$(grep -c ' request stroke=' "$trace" || true)
[ "$requests" -ge 4 ] || gui_fail "only $requests requests were made: $(cat "$trace")"
record=$(grep '^answers' "$answers") || gui_fail "no answer times: $(cat "$answers")"
longest=$(gui_field "$record" longest_ms)
count=$(gui_field "$record" count)
echo "$requests requests; $count answers, the longest after $longest ms"
[ "$longest" -lt 500 ] || gui_fail "the panel left a message waiting for $longest ms: $record"
[ "$count" -ge 150 ] || gui_fail "only $count answers in 12 s: $record"
gui_pass "the panel answered within $longest ms all through $requests requests to a host that takes no connection"

assert_eq "$failure" "$(panel_title)" "the title once the connect has given up"
assert_log "$trace" ' connect failed$' "the trace"
gui_pass "the title shows the connect failure"
