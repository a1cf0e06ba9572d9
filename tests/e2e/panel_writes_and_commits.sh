#!/usr/bin/env bash
# A user's whole round with the mouse only, against the real recognition service on
# 127.0.0.1:80 and an application to type into (TargetApp, clicked first so that it is the
# foreground application):
#  1. 中 written stroke by stroke: candidates fill the cells before the last pen-up, and 中 is
#     among the ten at the end;
#  2. a press on 中's cell types it: exactly two WM_CHAR, D6 then D0 with lParam 1, the text is
#     中, the target keeps the activation, the ten cells are empty, and the information line
#     reads "中  拼音：zhong" and is shown (the pointer left the pad for the cell);
#  3. 国 and 永 written and committed the same way: the text is 中国永; then a digit and a
#     Chinese comma, which the service offers beside hanzi: one WM_CHAR for 8, two for ，, and
#     the line shows each with empty pinyin;
#  4. the online lookup turned on through the context menu: 中 written and committed again, the
#     line goes through "在线校对字典..." to the service's pinyin with tone marks and "  五笔：khk";
#  5. the reference value set to 8 through the menu's 手写精度 and its input box: 永 written
#     again reaches the service with fewer requests than at 3 (counted in the service's log);
#  6. 重写 pressed in the middle of 国 empties the cells, and 国 written afresh is recognised;
#     the minimize glyph minimizes, restoring brings the candidates back as they were, and the
#     close glyph ends the panel with exit code 0.
# One screenshot per step in $SCREENSHOT_DIR. Skipped (77) without the service or stroke data.
#
# usage: panel_writes_and_commits.sh PANEL.exe TargetApp.exe InspectWindows.exe SERVICE DATA_DIR
set -euo pipefail
panel_exe=$1
GUI_TARGET=$2
GUI_INSPECTOR=$3
service=$4
data=$5
# The symbols' written forms, drawn by the project.
export PAD_SYMBOL_SHAPES=$(cd "$(dirname "$0")/../../training" && pwd)/symbol-shapes.txt
if [ ! -x "$service" ] || [ ! -f "$data/中.json" ] || [ ! -f "$data/国.json" ] ||
    [ ! -f "$data/永.json" ]; then
    echo "skipped: no service at $service or no stroke data in $data"
    exit 77
fi
. "$WINE_HARNESS_DIR/gui-lib.sh"
. "$(dirname "$0")/../win/panel/pad_strokes.sh"
. "$(dirname "$0")/../win/panel/panel_road.sh"
. "$(dirname "$0")/road_steps.sh"
gui_init
shots=()

road_port_open && gui_fail "something else already listens on 127.0.0.1:80"
road_start_service "$service"
road_start_panel "$panel_exe"
sleep 0.5

# 1. 中, stroke by stroke.
write_character 中
shots+=("$(gui_screenshot e2e-1-zhong-written)")
gui_pass "中 written: candidates before the last stroke, 中 among the ten"

# 2. Its cell pressed.
commit_character 中 中 "中  拼音：zhong"
shots+=("$(gui_screenshot e2e-2-zhong-committed)")
gui_pass "中 committed: D6, D0 with lParam 1, text 中, target still active, cells empty"

# 3. 国 and 永 the same way; the requests 永 takes at the start-up reference value are counted.
write_character 国
commit_character 国 中国 "国  拼音：guo"
requests() { grep -c '^[^ ]* POST / ' "$service_log" || true; }
before=$(requests)
write_character 永
requests_at_3=$(($(requests) - before))
commit_character 永 中国永 "永  拼音：yong"
shots+=("$(gui_screenshot e2e-3-guo-yong-committed)")
gui_pass "国 and 永 written and committed: the target's text is 中国永 ($requests_at_3 requests for 永)"
write_character 8
commit_character 8 中国永8 "8  拼音："
write_character ，
commit_character ， 中国永8， "，  拼音："
shots+=("$(gui_screenshot e2e-3-digit-comma-committed)")
gui_pass "8 and ， written and committed: one and two WM_CHAR, the text is 中国永8，"

# 4. The online lookup, turned on through the context menu: up from nothing highlighted wraps
#    to the last entry, 联想; up again is 校对在线字典.
choose_menu_entry 26,26,0D online_on || gui_fail "校对在线字典 could not be turned on through the menu"
gui_wait_until gui_window_is_foreground HwTestTarget || gui_fail "the target lost the activation to the menu"
write_character 中
commit_character 中 中国永8，中 "~^中  拼音：zhōng.*  五笔：khk$"
shots+=("$(gui_screenshot e2e-4-online-lookup)")
echo "information line: $(info_text)"
gui_pass "with the online lookup on, the line shows the service's pinyin and Wubi code"

# 5. The reference value 8, through the menu's middle entry and its input box.
box_open() { gui_inspect --class '#32770' && [ "$(gui_field "$(gui_line window)" visible)" = 1 ]; }
reference_is() { grep -q " reference=$1\$" "$trace"; }
choose_menu_entry 28,28,0D box_open || gui_fail "手写精度 did not open the input box"
assert_eq "参考数值" "$(gui_field "$(gui_line window)" title)" "the input box's title"
edit_text() { gui_inspect --class '#32770' && gui_field "$(gui_line child class=Edit)" text; }
assert_eq 3 "$(edit_text)" "the input box's initial text"
# The initial text is selected: the typed 8 replaces it. The box's thread reads the character
# from its queue, wherever the X keyboard focus is.
gui_inspect --class '#32770' --post-char 38 >/dev/null
gui_wait_until eval '[ "$(edit_text)" = 8 ]' || gui_fail "the input box holds '$(edit_text)', not 8"
shots+=("$(gui_screenshot e2e-5-reference-value-box)")
gui_inspect --class '#32770'
confirm=$(gui_line child "text=确认输入(&O)") || gui_fail "no confirm button in the input box"
read -r x y <<<"$(gui_center "$(gui_field "$confirm" screen)")"
gui_click "$x" "$y"
gui_wait_until reference_is 8 || gui_fail "the reference value is not 8: $(grep ' reference=' "$trace")"
gui_wait_gone --class '#32770' || gui_fail "the input box stayed open"
# The box was the foreground window; the user clicks back into the document.
gui_focus_window HwTestTarget || gui_fail "the target does not become the foreground window"
sleep 1
before=$(requests)
write_character 永
requests_at_8=$(($(requests) - before))
[ "$requests_at_8" -lt "$requests_at_3" ] ||
    gui_fail "永 took $requests_at_8 requests at reference value 8, $requests_at_3 at 3"
commit_character 永 中国永8，中永 "~^永  拼音：yǒng.*  五笔：[a-y]+$"
shots+=("$(gui_screenshot e2e-5-reference-value-8)")
gui_pass "reference value 8 set through the menu and its box: 永 took $requests_at_8 requests, $requests_at_3 at 3"

# 6. 重写 in the middle of a character, minimize and restore, close.
file=$GUI_DIR/strokes-国.txt
pad_write_strokes "$file" 1 3
gui_wait_until some_cell_filled || gui_fail "no candidates after three strokes of 国"
gui_inspect --class HandwritingPanelWindow || gui_fail "the panel is gone"
rewrite=$(gui_line child rect=219,212,299,239) || gui_fail "no 重写 button"
read -r x y <<<"$(gui_center "$(gui_field "$rewrite" screen)")"
gui_click "$x" "$y"
gui_wait_until all_cells_empty || gui_fail "重写 left candidates: ${cells_text[*]}"
# Nothing of the three strokes is left over: the whole character from the start is recognised.
write_character 国
shots+=("$(gui_screenshot e2e-6-rewritten)")
written_cells=("${cells_gbk[@]}")
gui_pass "重写 mid-character emptied the cells; 国 written afresh is recognised"

minimized_is() {
    gui_inspect --class HandwritingPanelWindow && [ "$(gui_field "$(gui_line window)" minimized)" = "$1" ]
}
gui_inspect --class HandwritingPanelWindow || gui_fail "the panel is gone"
minimize=$(gui_line child rect=255,10,271,26) || gui_fail "no minimize glyph"
read -r x y <<<"$(gui_center "$(gui_field "$minimize" screen)")"
gui_click "$x" "$y"
gui_wait_until minimized_is 1 || gui_fail "the minimize glyph did not minimize the panel"
shots+=("$(gui_screenshot e2e-6-minimized)")
gui_inspect --class HandwritingPanelWindow --restore >/dev/null
gui_wait_until minimized_is 0 || gui_fail "the panel was not restored"
read_cells
assert_eq "${written_cells[*]}" "${cells_gbk[*]}" "the candidates after restoring"
gui_pass "the minimize glyph minimizes; restored, the candidates are as they were"

gui_inspect --class HandwritingPanelWindow || gui_fail "the panel is gone"
close=$(gui_line child rect=282,10,298,26) || gui_fail "no close glyph"
read -r x y <<<"$(gui_center "$(gui_field "$close" screen)")"
gui_click "$x" "$y"
gui_wait_exit "$panel_pid" || gui_fail "the panel is still running after the close glyph"
assert_eq 0 "$GUI_EXIT_CODE" "the panel's exit code"
shots+=("$(gui_screenshot e2e-6-closed)")
gui_pass "the close glyph ends the panel with exit code 0"

printf 'screenshots:\n'
printf '  %s\n' "${shots[@]}"
