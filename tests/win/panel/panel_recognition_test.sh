#!/usr/bin/env bash
# Writing on the panel's pad with the mouse, read from outside. A loopback stand-in for the
# recognition service on port 80 records every request body and answers with a canned reply:
#  - the request bodies are the stroke text of the path the mouse took: one request at the
#    eleventh sample of a stroke, one at each stroke end with samples since the last request;
#  - the ten candidate cells show the characters of the reply;
#  - RewriteButton empties the cells and the stroke text;
#  - a reply piece that would create a file if it were evaluated (shown first by evaluating
#    it directly) leaves the file absent and its cell empty, while the other cells fill;
#  - with another application in the foreground, a stroke whose button is released off the
#    panel ends there, and moving back over the pad with the button up writes nothing;
#  - with nothing listening, the panel's title becomes the connect failure text and the pad
#    still draws the ink.
#
# usage: panel_recognition_test.sh PANEL.exe InspectWindows.exe script_eval_probe.exe TargetApp.exe
#        SERVICE.py
set -euo pipefail
panel_exe=$1
GUI_INSPECTOR=$2
eval_probe=$3
GUI_TARGET=$4
service=$5
. "$WINE_HARNESS_DIR/gui-lib.sh"
gui_init

port_in_use() { python3 -c 'import socket,sys; s=socket.socket(); sys.exit(0 if s.connect_ex(("127.0.0.1",80))==0 else 1)'; }
port_in_use && gui_fail "something else already listens on 127.0.0.1:80"

bodies=$GUI_DIR/bodies.txt
reply=$GUI_DIR/reply.txt
start_service() {
    rm -f "$GUI_DIR/service.ready"
    python3 "$service" 80 "$bodies" "$reply" "$GUI_DIR/service.ready" >"$GUI_DIR/service.out" 2>&1 &
    service_pid=$!
    GUI_PIDS+=("$service_pid")
    gui_wait_until test -f "$GUI_DIR/service.ready" || gui_fail "the test service did not start"
}
: >"$bodies"

# Replies as the service sends them: "{", six bytes, the escapes, seven bytes, "}".
ten='u4e00\u4e8c\u4e09\u56db\u4e94\u516d\u4e03\u516b\u4e5d\u5341'
make_reply() { printf 'cb({abcdef%szzzzzzz});' "$1" >"$reply"; }
make_reply "$ten"
ten_hex=$(gui_hex 一)" "$(gui_hex 二)" "$(gui_hex 三)" "$(gui_hex 四)" "$(gui_hex 五)" "$(gui_hex 六)" "$(gui_hex 七)" "$(gui_hex 八)" "$(gui_hex 九)" "$(gui_hex 十)

# --- A piece that would write a file when evaluated ----------------------------------------------
evil_file=$WINEPREFIX/drive_c/panel-reply-evil.txt
evil_piece="u4e8c'+new ActiveXObject('Scripting.FileSystemObject').CreateTextFile('C:/panel-reply-evil.txt')+'"
rm -f "$evil_file"
wine "$eval_probe" "U2G('\\$evil_piece')" >"$GUI_DIR/eval-probe.out" 2>&1 || true
[ -f "$evil_file" ] || gui_fail "evaluating the piece directly does not create the file: $(cat "$GUI_DIR/eval-probe.out")"
rm -f "$evil_file"
gui_pass "evaluated directly, the piece creates $evil_file"

start_service
trace=$GUI_DIR/trace.txt
export HANDWRITING_PANEL_TRACE="Z:${trace//\//\\}"
gui_start "$panel_exe"
gui_wait_log "$trace" ' moved .*handles=16' || gui_fail "the panel did not start"
gui_wait_window --class HandwritingPanelWindow || gui_fail "no panel window"
sleep 0.5
panel_title() {
    gui_inspect --class HandwritingPanelWindow
    gui_field "$(gui_line window class=HandwritingPanelWindow)" title_gbk
}
started_title=$(panel_title)
pad=$(gui_line child rect=4,32,218,239) || gui_fail "no writing pad among the panel's children"
IFS=, read -r pad_left pad_top _ _ <<<"$(gui_field "$pad" screen)"
cells() {
    local number rect out=()
    local -a rects=(219,32,262,67 261,32,304,67 219,67,262,102 261,67,304,102 219,103,262,138
        261,103,304,138 219,139,262,174 261,139,304,174 219,176,262,211 261,176,304,211)
    gui_inspect --class HandwritingPanelWindow
    for rect in "${rects[@]}"; do
        out+=("$(gui_field "$(gui_line child "rect=$rect")" text_gbk)")
    done
    echo "${out[*]}"
}
# Prints nothing for an empty cell, so an empty list is ten spaces wide only in count.
cell_list() { local c; for c in $(cells); do printf '%s ' "$c"; done; }

# The model of the pad: what the stroke text becomes and which bodies are sent for a stroke
# pressed at (x, y) and moved n times by (dx, dy), each move big enough to be sampled.
stroke_text=
points_since=0
expected_bodies=()
model_request() {
    local length=${#stroke_text}
    expected_bodies+=("wd=${stroke_text:1:length-2}&type=1 length=$((length + 8))")
}
model_stroke() {
    local x=$1 y=$2 dx=$3 dy=$4 n=$5 i
    for ((i = 0; i < n; i++)); do
        stroke_text+="a$((x + i * dx))a$((y + i * dy))"
        points_since=$((points_since + 1))
        if [ "$points_since" -gt 10 ]; then
            model_request
            points_since=0
        fi
    done
    stroke_text+=a
    if [ "$points_since" != 0 ]; then
        model_request
        points_since=0
    fi
}
# The same stroke with the mouse: the pointer enters the pad first (the pad takes the capture
# on a move inside it), then press, n moves, release.
write_stroke() {
    local x=$1 y=$2 dx=$3 dy=$4 n=$5 i
    gui_move $((pad_left + x - 1)) $((pad_top + y))
    sleep 0.1
    gui_move $((pad_left + x)) $((pad_top + y))
    sleep 0.2
    gui_press 1
    sleep 0.1
    for ((i = 1; i <= n; i++)); do
        gui_move $((pad_left + x + i * dx)) $((pad_top + y + i * dy))
        sleep 0.05
    done
    sleep 0.1
    gui_release 1
    sleep 0.3
}
wait_bodies() {
    gui_wait_until test "$(wc -l <"$bodies")" -ge "$1" || true
    sleep 0.5
}
check_bodies() {
    local what=$1 expected actual
    expected=$(printf 'body %s\n' "${expected_bodies[@]}")
    actual=$(cat "$bodies")
    [ "$expected" = "$actual" ] || gui_fail "$what: request bodies differ
expected:
$expected
received:
$actual"
}

# --- Two strokes: thirteen samples, then four -----------------------------------------------------
write_stroke 30 60 4 2 13
model_stroke 30 60 4 2 13
write_stroke 150 20 0 5 4
model_stroke 150 20 0 5 4
wait_bodies 3
gui_screenshot panel-recognition-written >/dev/null
check_bodies "two strokes"
assert_eq 3 "${#expected_bodies[@]}" "requests expected for the two strokes"
gui_pass "three requests: at the eleventh sample, at each stroke end; bodies are the stroke text"
# Every request is the complete template: 15 lines, Content-Length equals the body's length.
first_request=$(awk 'BEGIN{RS="\n----\n"} NR==1' "$bodies.requests")
assert_eq 15 "$(printf '%s' "$first_request" | tr -d '\n' | awk -F'\r' '{print NF}')" "lines in a request"
assert_match '^POST ' "$first_request" "request line"

gui_wait_until test "$(cell_list)" = "$ten_hex " || true
assert_eq "$ten_hex " "$(cell_list)" "the ten cells after the reply"
gui_screenshot panel-recognition-candidates >/dev/null
gui_pass "the ten cells show the reply's characters"

# --- RewriteButton -------------------------------------------------------------------------------
IFS=, read -r panel_left panel_top _ _ <<<"$(gui_field "$(gui_line window class=HandwritingPanelWindow)" rect)"
gui_click $((panel_left + 259)) $((panel_top + 225))
sleep 0.5
assert_eq "" "$(cell_list)" "cells after RewriteButton"
gui_screenshot panel-recognition-cleared >/dev/null
gui_pass "RewriteButton empties the cells"

# --- A reply whose second piece would run script ----------------------------------------------------
make_reply "u4e00\\$evil_piece\\u4e09\\u56db\\u4e94\\u516d\\u4e03\\u516b\\u4e5d\\u5341"
: >"$bodies"
expected_bodies=()
stroke_text=
write_stroke 60 150 3 -3 5
model_stroke 60 150 3 -3 5
wait_bodies 1
check_bodies "the first stroke after clearing"
gui_pass "after clearing, the request carries only the new stroke"
expected="$(gui_hex 一) $(gui_hex 三) $(gui_hex 四) $(gui_hex 五) $(gui_hex 六) $(gui_hex 七) $(gui_hex 八) $(gui_hex 九) $(gui_hex 十) "
gui_wait_until test "$(cell_list)" = "$expected" || true
assert_eq "$expected" "$(cell_list)" "cells: the second empty, the others filled"
second=$(cells | cut -d' ' -f2)
assert_eq "" "$second" "the second cell"
sleep 0.5
[ ! -e "$evil_file" ] || gui_fail "the reply piece was evaluated: $evil_file exists"
gui_pass "a piece holding a quote is not evaluated; its cell is empty, the others fill"
assert_eq "$started_title" "$(panel_title)" "the title while the service answers"

# --- InfoLabel and leaving the pad while writing ------------------------------------------------
# The pad's capture steers the mouse under Wine only while the panel's thread is the foreground
# one; a press on the title strip (which starts the system's move) makes it so.
gui_click $((panel_left + 150)) $((panel_top + 15))
sleep 0.5
gui_inspect --class HandwritingPanelWindow
assert_eq 1 "$(gui_field "$(gui_line window class=HandwritingPanelWindow)" foreground)" \
    "the panel in the foreground after a press on its title strip"
info_label_visible() {
    gui_inspect --class HandwritingPanelWindow
    gui_field "$(gui_line child rect=7,213,216,237)" visible
}
gui_move $((pad_left + 100)) $((pad_top + 100))
sleep 0.3
assert_eq 0 "$(info_label_visible)" "InfoLabel visible with the pointer over the pad"
# Onto the panel's title strip: the capture brings the move to the pad (without a button held
# only moves over the panel's own windows do), which lets it go.
gui_move $((pad_left + 100)) $((pad_top - 20))
sleep 0.3
assert_eq 1 "$(info_label_visible)" "InfoLabel visible with the pointer off the pad"
gui_pass "InfoLabel hides while the pointer is over the pad"
# Three samples inside, then the pen crosses the pad's right edge with the button held: the
# stroke ends there with one request; the release outside sends nothing more.
: >"$bodies"
expected_bodies=()
# Wine now and then drops the pad's capture around the press; the release is then lost and
# the stroke ends at the next move over the pad instead, with the same stroke text.
write_stroke 200 100 4 0 6
gui_move $((pad_left + 150)) $((pad_top + 150))
model_stroke 200 100 4 0 3
wait_bodies 1
sleep 0.5
check_bodies "a stroke leaving the pad"
gui_pass "leaving the pad while writing ends the stroke with one request"

# --- Released off the panel while another application is active ----------------------------------
# Under Wine the pad's capture does not steer the mouse while another application is in the
# foreground, so the release off the panel never reaches the pad.
gui_start "$GUI_TARGET" "$GUI_DIR/target.log" --pos 100,100,400,300
gui_wait_log "$GUI_DIR/target.log" '^ready' || gui_fail "the target application did not start"
gui_click 300 250
sleep 1.5
: >"$bodies"
expected_bodies=()
gui_move $((pad_left + 61)) $((pad_top + 100))
sleep 0.1
gui_move $((pad_left + 60)) $((pad_top + 100))
sleep 0.2
gui_press 1
for x in 50 40 30 20 10 -10 -20; do
    gui_move $((pad_left + x)) $((pad_top + 100))
    sleep 0.05
done
gui_release 1
sleep 0.3
for x in -15 -10 -5 0 5 10 15 20 25 30 35 40 45 50 55 60 65 70; do
    gui_move $((pad_left + x)) $((pad_top + 120))
    sleep 0.05
done
model_stroke 60 100 -10 0 5
wait_bodies 1
sleep 1
check_bodies "a stroke released off the panel"
gui_pass "a stroke released off the panel ends; moving back with the button up writes nothing"

# --- Nothing listening ---------------------------------------------------------------------------
gui_stop "$service_pid"
gui_wait_until bash -c "! python3 -c 'import socket,sys; s=socket.socket(); sys.exit(0 if s.connect_ex((\"127.0.0.1\",80))==0 else 1)'" ||
    gui_fail "the test service still listens"
pad_area=214x207+$((pad_left))+$((pad_top))
before=$(gui_screenshot panel-recognition-before-offline)
write_stroke 120 120 5 0 6
after=$(gui_screenshot panel-recognition-offline)
assert_eq "$(gui_hex 连接服务器失败！)" "$(panel_title)" "the title after a failed connect"
gui_pass "a failed connect puts the failure text in the panel's title"
read -r ox oy <<<"$(gui_to_x "$pad_left" "$pad_top")"
pad_area=214x207+$ox+$oy
convert "$before" -crop "$pad_area" +repage "$GUI_DIR/pad-before.png"
convert "$after" -crop "$pad_area" +repage "$GUI_DIR/pad-after.png"
# Ink is pure blue (0xFF0000 in BGR): count the blue pixels the stroke added.
blue() { convert "$1" -fill black +opaque 'rgb(0,0,255)' -fill white -opaque 'rgb(0,0,255)' -format '%[fx:round(mean*w*h)]' info:; }
added=$(($(blue "$GUI_DIR/pad-after.png") - $(blue "$GUI_DIR/pad-before.png")))
[ "$added" -gt 100 ] || gui_fail "the offline stroke drew $added blue pixels"
gui_pass "the pad still draws while offline ($added blue pixels added)"
gui_wait_log "$trace" 'request stroke=a60a150' || true
echo "trace: $trace; screenshots in $SCREENSHOT_DIR"
