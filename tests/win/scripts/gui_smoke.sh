#!/usr/bin/env bash
# The GUI test machinery end to end: a Windows program runs on the shared virtual desktop, X
# input reaches it where the inspector says its windows are, the inspector reads its controls
# and focus back, and WM_CHAR posted from another program with the two GBK bytes of 中 types 中
# into the focused EDIT while that program keeps the activation.
#
# usage: gui_smoke.sh TargetApp.exe InspectWindows.exe
set -euo pipefail
GUI_TARGET=$1
GUI_INSPECTOR=$2
. "$WINE_HARNESS_DIR/gui-lib.sh"
gui_init

log=$GUI_DIR/target.log
gui_start "$GUI_TARGET" "$log" --pos 200,150,640,360
assert_log "$log" '^ready	' "the target starts"
gui_wait_window --class HwTestTarget || gui_fail "the inspector does not find the target"

# --- The inspector's view of the target ---------------------------------------------------------
window=$(gui_line window class=HwTestTarget) || gui_fail "no window record"
ready=$(grep '^ready' "$log")
assert_eq "$(gui_field "$ready" hwnd)" "$(gui_field "$window" hwnd)" "window handle"
assert_eq "200,150,840,510" "$(gui_field "$window" rect)" "window rect"
assert_eq "$(gui_hex HwTestTarget)" "$(gui_field "$window" title_gbk)" "title bytes"
assert_eq 1 "$(gui_field "$window" visible)" "window visible"
assert_eq 0 "$(gui_field "$window" minimized)" "window minimized"
assert_eq 1 "$(gui_field "$window" foreground)" "target is the foreground window"
edit=$(gui_line child class=Edit id=100) || gui_fail "the inspector does not list the EDIT"
assert_eq "$(gui_field "$ready" edit)" "$(gui_field "$edit" hwnd)" "EDIT handle"
assert_eq "$(gui_field "$window" hwnd)" "$(gui_field "$edit" parent)" "EDIT parent"
assert_eq 1 "$(gui_field "$edit" visible)" "EDIT visible"
# The EDIT fills the client area, so its rect is the client's, from 0,0.
client=$(gui_field "$window" client)
IFS=, read -r cl ct cr cb <<<"$client"
assert_eq "0,0,$((cr - cl)),$((cb - ct))" "$(gui_field "$edit" rect)" "EDIT rect in the client area"
assert_eq "$client" "$(gui_field "$edit" screen)" "EDIT screen rect"
focus=$(gui_line focus) || gui_fail "no focus record"
assert_eq "$(gui_field "$edit" hwnd)" "$(gui_field "$focus" hwnd)" "focus of the foreground thread"
gui_pass "the inspector sees the target, its EDIT and the focus"

# --- X coordinates: Wine's X window for the target sits where the mapping says ------------------
xid=$(xdotool search --limit 1 --name '^HwTestTarget$' | head -1)
[ -n "$xid" ] || gui_fail "no X window for the target"
IFS=, read -r wl wt _ _ <<<"$(gui_field "$window" rect)"
assert_eq "$(gui_to_x "$wl" "$wt")" "$(gui_x_position "$xid")" "X position of the target"

# --- Mouse and keyboard -------------------------------------------------------------------------
read -r cx cy <<<"$(gui_center "$client")"
gui_click "$cx" "$cy"
gui_type "Hello, 12"
assert_log "$log" "^text	gbk=$(gui_hex "Hello, 12")	len=9$" "typed text reaches the EDIT"
# One WM_CHAR per key, in order, each with a repeat count of 1.
chars=$(grep '^char' "$log" | cut -f2 | tr '\n' ' ')
assert_eq "wparam=0x48 wparam=0x65 wparam=0x6C wparam=0x6C wparam=0x6F wparam=0x2C wparam=0x20 wparam=0x31 wparam=0x32 " \
    "$chars" "WM_CHAR sequence"
assert_no_log "$log" '^char	.*lparam=0x....0000' "WM_CHAR without a repeat count"
gui_inspect --class HwTestTarget || gui_fail "target gone"
assert_eq "Hello, 12" "$(gui_child_text id=100)" "EDIT text read back by the inspector"
gui_pass "clicks and keystrokes land in the EDIT"

# --- A character posted from another program ----------------------------------------------------
before=$(wc -l <"$log")
gui_inspect --foreground --post-char D6,D0 || gui_fail "posting failed"
posted=$(gui_line posted) || gui_fail "no posted record"
assert_eq "$(gui_field "$edit" hwnd)" "$(gui_field "$posted" hwnd)" "posted to the focused EDIT"
assert_log "$log" "^text	gbk=$(gui_hex "Hello, 12中")	len=11$" "posted 中 reaches the EDIT"
after=$(tail -n +"$((before + 1))" "$log")
assert_eq "char	wparam=0xD6	lparam=0x00000001	gbk=D6
char	wparam=0xD0	lparam=0x00000001	gbk=D0" "$(grep '^char' <<<"$after")" "posted bytes and lParam"
# The target keeps the activation and its EDIT the focus.
assert_no_log <(echo "$after") '^(activate	state=0|activateapp	active=0|focus	edit=0)' \
    "the target lost the activation"
gui_inspect --class HwTestTarget || gui_fail "target gone"
assert_eq 1 "$(gui_field "$(gui_line window)" foreground)" "target still the foreground window"
assert_eq "$(gui_hex "Hello, 12中")" "$(gui_child_text_gbk id=100)" "EDIT bytes read back"
assert_eq "Hello, 12中" "$(gui_child_text id=100)" "EDIT text read back as UTF-8"
gui_pass "posted GBK bytes type 中 and the target keeps the activation"

shot=$(gui_screenshot gui_smoke)
[ -s "$shot" ] || gui_fail "no screenshot at $shot"
assert_eq "PNG 1920x1080" "$(identify -format '%m %wx%h' "$shot")" "screenshot format"
echo "screenshot: $shot"

# --- The same post into a Unicode program, the usual kind under Wine -----------------------------
# The session's desktop outlives the programs on it.
desktop=$(gui_desktop_window)
[ -n "$desktop" ] || gui_fail "no X window for the virtual desktop"
gui_stop "$GUI_PID"
gui_wait_gone --class HwTestTarget || gui_fail "the target did not end"
ulog=$GUI_DIR/unicode-target.log
gui_start "$GUI_TARGET" "$ulog" --unicode --title "Unicode target"
assert_log "$ulog" '^ready	.*mode=unicode$' "the Unicode target starts"
gui_wait_window --title "Unicode target" || gui_fail "the inspector does not find the Unicode target"
assert_eq "$desktop" "$(gui_desktop_window)" "desktop window after a program ended and another started"
gui_inspect --foreground --post-char D6,D0 || gui_fail "posting failed"
assert_log "$ulog" "^text	gbk=D6D0	len=2$" "posted 中 reaches the Unicode EDIT"
assert_eq "char	wparam=0x4E2D	lparam=0x00000001	gbk=D6D0" "$(grep '^char' "$ulog")" \
    "one joined WM_CHAR"
gui_pass "posted GBK bytes type 中 into a Unicode program"
