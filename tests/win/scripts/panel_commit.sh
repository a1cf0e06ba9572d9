#!/usr/bin/env bash
# The panel's candidate press as a user makes it, beside an application to type into: a press
# on a cell without a candidate types nothing, leaves the application active and shows
# "  拼音：" on the information line.
#
# usage: panel_commit.sh HandwritingPanel.exe TargetApp.exe InspectWindows.exe
set -euo pipefail
panel_exe=$1
GUI_TARGET=$2
GUI_INSPECTOR=$3
. "$WINE_HARNESS_DIR/gui-lib.sh"
gui_init

log=$GUI_DIR/target.log
gui_start "$GUI_TARGET" "$log" --pos 200,150,640,360
assert_log "$log" '^ready	' "the target starts"
trace=$GUI_DIR/trace.txt
export HANDWRITING_PANEL_TRACE="Z:${trace//\//\\}"
gui_start "$panel_exe"
# The panel places itself after it is shown: read its position only once it has settled.
gui_wait_log "$trace" ' moved .*handles=16' || gui_fail "the panel does not start"
gui_wait_window --class HandwritingPanelWindow || gui_fail "the panel does not start"
IFS=, read -r panel_left panel_top _ _ <<<"$(gui_field "$(gui_line window)" rect)"

# The target becomes the foreground application; the panel's tracking records it (it polls
# every 600 ms).
gui_focus_window HwTestTarget || gui_fail "the target does not become the foreground window"
sleep 1.5

before=$(wc -l <"$log")
# CandidateButton1 (219, 32, 43 x 35 in the panel) holds no candidate.
gui_click $((panel_left + 240)) $((panel_top + 50))
info_updated() {
    gui_inspect --class HandwritingPanelWindow && [ "$(gui_child_text rect=7,213,216,237)" = "  拼音：" ]
}
gui_wait_until info_updated || gui_fail "the information line did not change after the press"
gui_inspect --class HandwritingPanelWindow || gui_fail "the panel is gone"
# InfoLabel: 7, 213, 209 x 24 in the panel.
assert_eq "  拼音：" "$(gui_child_text rect=7,213,216,237)" "information line after the press"
after=$(tail -n +"$((before + 1))" "$log")
assert_no_log <(echo "$after") '^char' "a character typed for an empty cell"
gui_inspect --class HwTestTarget || gui_fail "target gone"
assert_eq 1 "$(gui_field "$(gui_line window)" foreground)" "the target keeps the activation"
gui_pass "an empty candidate cell commits nothing and updates the information line"
