#!/usr/bin/env bash
# The helpers' finer points that GUI tests lean on: the inspector's exit codes and selectors,
# Chinese titles and control texts with line breaks as fields, the memory counters of a window's
# process, drags and right clicks through gui-lib, and keys the target logs.
#
# usage: gui_helpers.sh TargetApp.exe InspectWindows.exe
set -euo pipefail
GUI_TARGET=$1
GUI_INSPECTOR=$2
. "$WINE_HARNESS_DIR/gui-lib.sh"
gui_init

# --- Inspector exit codes -----------------------------------------------------------------------
rc=0
gui_inspect --class NoSuchWindowClass || rc=$?
assert_eq 1 "$rc" "exit code for a window that is not there"
assert_match '^foreground	hwnd=0x' "$GUI_INFO" "a miss still reports the foreground window"
for bad in "" "--class" "--post-char 1FF --foreground" "--post-char ,D6 --foreground" \
    "--class A --foreground" "--bogus" "--list --memory"; do
    rc=0
    # shellcheck disable=SC2086
    gui_inspect $bad || rc=$?
    assert_eq 2 "$rc" "exit code for the arguments '$bad'"
done
gui_pass "the inspector's exit codes"

# --- A Chinese title; selecting by title, by handle, listing ------------------------------------
log=$GUI_DIR/target.log
title="目标窗口 1"
gui_start "$GUI_TARGET" "$log" --title "$title" --pos 300,200,500,300
assert_log "$log" '^ready	' "the target starts"
gui_wait_window --title "$title" || gui_fail "no window with the title $title"
window=$(gui_line window) || gui_fail "no window record"
assert_eq "$(gui_hex "$title")" "$(gui_field "$window" title_gbk)" "title bytes"
assert_eq "$title" "$(gui_field "$window" title)" "title as UTF-8"
hwnd=$(gui_field "$window" hwnd)
gui_inspect --handle "$hwnd" || gui_fail "not found by handle $hwnd"
assert_eq "$title" "$(gui_field "$(gui_line window)" title)" "the window found by handle"
gui_inspect --list || gui_fail "--list failed"
gui_line window "hwnd=$hwnd" "title=$title" >/dev/null || gui_fail "--list misses the target"
gui_pass "Chinese titles and the selectors"

# --- The memory counters of the window's own process ----------------------------------------------
gui_inspect --handle "$hwnd" --memory || gui_fail "--memory failed: $(cat "$GUI_DIR/inspect.err")"
memory=$(gui_line memory) || gui_fail "no memory record"
assert_eq "$(gui_field "$window" pid)" "$(gui_field "$memory" pid)" "the process the counters are of"
working_set=$(gui_field "$memory" working_set)
peak=$(gui_field "$memory" peak_working_set)
# A program with a window and its DLLs takes megabytes, not bytes or gigabytes.
[ "$working_set" -gt 1000000 ] && [ "$working_set" -lt 2000000000 ] ||
    gui_fail "working set of $working_set bytes"
[ "$peak" -ge "$working_set" ] || gui_fail "peak working set $peak below the working set $working_set"
gui_pass "the memory counters of the target's process"

# --- Keys, and a text with line breaks and a tab --------------------------------------------------
read -r cx cy <<<"$(gui_center "$(gui_field "$window" client)")"
gui_click "$cx" "$cy"
gui_type "ab"
gui_key Return
gui_type "c"
gui_key BackSpace
gui_type "d"
# Return types CR LF into a multi-line EDIT; BackSpace takes the c away again.
assert_log "$log" "^text	gbk=61620D0A64	len=5$" "text after Return and BackSpace"
gui_inspect --handle "$hwnd" || gui_fail "target gone"
assert_eq '61620D0A64' "$(gui_child_text_gbk id=100)" "EDIT bytes with a line break"
assert_eq 'ab\r\nd' "$(gui_child_text id=100)" "line breaks escaped in the UTF-8 field"
# Nothing after the text field leaks in from the line break: the record still has its rect.
assert_match '^0,0,' "$(gui_field "$(gui_line child id=100)" rect)" "fields after a multi-line text"
gui_pass "keys and multi-line texts"

# --- A right click opens the EDIT's context menu; Escape closes it ----------------------------------
gui_right_click "$cx" "$cy"
gui_wait_window --class "#32768" || gui_fail "no context menu after a right click"
assert_eq 1 "$(gui_field "$(gui_line window)" visible)" "context menu visible"
gui_key Escape
gui_wait_gone --class "#32768" || gui_fail "the context menu stayed open after Escape"
gui_pass "right click and Escape"

# --- A drag on the caption moves the window by the distance dragged -------------------------------
IFS=, read -r left top right _ <<<"$(gui_field "$window" rect)"
client_top=$(cut -d, -f2 <<<"$(gui_field "$window" client)")
grab_x=$(((left + right) / 2))
grab_y=$(((top + client_top) / 2))
gui_drag "$grab_x" "$grab_y" $((grab_x + 40)) $((grab_y + 20)) $((grab_x + 120)) $((grab_y + 60))
moved() {
    gui_inspect --handle "$hwnd" &&
        [ "$(gui_field "$(gui_line window)" rect)" = "$((left + 120)),$((top + 60)),$((right + 120)),$((top + 360))" ]
}
gui_wait_until moved || gui_fail "the window did not follow the drag to $((left + 120)),$((top + 60))"
gui_pass "a drag moves the window"
gui_screenshot gui_helpers
