#!/usr/bin/env bash
# The panel's context menu, minimize and close glyphs as a user uses them: a right press on the
# title strip opens the options menu just off the pointer and its options flip; a right press
# on the pad or a cell opens nothing; minimizing stops tracking and restoring resumes it; the
# close glyph drops the connection and ends the program with exit code 0.
#
# usage: panel_behaviours_test.sh PANEL.exe PANEL_PROBE.exe FOCUS_TARGET.exe INSPECT_WINDOWS.exe
set -uo pipefail
panel_exe=$1 probe_exe=$2 target_exe=$3 inspect_exe=$4
. "$WINE_HARNESS_DIR/wine-env.sh"
if [ ! -f "$WINE_SESSION_DIR/display" ]; then
  bash "$WINE_HARNESS_DIR/session.sh" start >/dev/null 2>&1 </dev/null
  . "$WINE_HARNESS_DIR/wine-env.sh"
fi
work=$WINE_BUILD_DIR/panel-behaviours-test
rm -rf "$work"
mkdir -p "$work" "$SCREENSHOT_DIR"
trace=$work/trace.txt
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }
probe() { wine "$probe_exe" "$@" 2>/dev/null | tr -d '\r'; }
field() { sed -n "s/.*\b$1=\([^ 	]*\).*/\1/p" <<<"$2"; }
# The open pop-up menu, if any: its window line from the inspector.
menu_window() { wine "$inspect_exe" --class '#32768' 2>/dev/null | tr -d '\r' | grep '^window' | grep -P '\tvisible=1' | head -1; }
wait_for() { # seconds, command...
  local limit=$(( $1 * 10 )); shift
  for _ in $(seq "$limit"); do "$@" && return 0; sleep 0.1; done
  return 1
}
menu_open() { [ -n "$(menu_window)" ]; }
menu_closed() { [ -z "$(menu_window)" ]; }
trace_has() { grep -q "$1" "$trace" 2>/dev/null; }

cleanup() {
  [ -n "${panel_pid:-}" ] && kill "$panel_pid" 2>/dev/null
  [ -n "${target_pid:-}" ] && kill "$target_pid" 2>/dev/null
  wait 2>/dev/null
}
trap cleanup EXIT

wine "$target_exe" 300 300 >"$work/target.txt" 2>/dev/null &
target_pid=$!
wait_for 10 grep -q edit= "$work/target.txt" || { echo "FAIL: the target did not start"; exit 1; }

HANDWRITING_PANEL_TRACE="Z:${trace//\//\\}" wine "$panel_exe" >"$work/panel-output.txt" 2>&1 &
panel_pid=$!
wait_for 20 trace_has "handles=16" || { echo "FAIL: the panel did not start"; cat "$trace"; exit 1; }
info=$(probe info)
left=$(field left "$info") top=$(field top "$info")

# A right press on the title strip opens the menu 3 pixels right of and below the pointer.
px=$((left + 120)) py=$((top + 15))
open_menu() {
  xdotool mousemove "$px" "$py" click 3
  wait_for 5 menu_open || return 1
  IFS=, read -r mleft mtop mright mbottom <<<"$(field rect "$(menu_window)")"
}
# Chooses an entry of the open menu by keys posted into the panel's queue (the menu's loop reads
# them there; the keyboard itself belongs to the target, and Wine's menu follows the mouse only
# for the foreground thread). Down from nothing highlighted is the first entry, Up the last
# (联想), Up again the one above it.
choose() { # trace text to wait for, virtual key
  local want=$1 key=$2
  for _ in 1 2 3; do
    menu_open || open_menu || continue
    wine "$inspect_exe" --class HandwritingPanelWindow --post-key "$key,0D" >/dev/null 2>&1
    wait_for 3 trace_has "$want" && { wait_for 3 menu_closed; return 0; }
  done
  return 1
}
if open_menu; then
  [ "$mleft,$mtop" = "$((px + 3)),$((py + 3))" ] && pass "the menu opens at the pointer + (3, 3)" ||
    fail "the menu opens at ($mleft, $mtop), pointer at ($px, $py)"
  pointer=$(grep ' menu ' "$trace" | tail -1)
  [ "$(field pointer "$pointer")" = "$px,$py" ] || fail "the handler saw the pointer at: $pointer"
  choose "option traditional=1" 28 && pass "choosing 写简出繁 checks it" ||
    fail "写简出繁 was not checked: $(grep option "$trace")"
  choose "option online=1" 26,26 && pass "choosing 校对在线字典 checks it" ||
    fail "校对在线字典 was not checked: $(grep option "$trace")"
  choose "option traditional=0" 28 && pass "choosing 写简出繁 again unchecks it" ||
    fail "写简出繁 was not unchecked: $(grep option "$trace")"
  # For a person to look at: the menu with 校对在线字典 checked.
  open_menu && bash "$WINE_HARNESS_DIR/screenshot.sh" panel-options-menu >/dev/null
  # A press outside the menu dismisses it; Wine's menu may miss one, so Esc follows if needed.
  for _ in 1 2 3; do
    xdotool mousemove 40 1040 click 1
    wait_for 2 menu_closed && break
  done
  menu_closed || probe escape
else
  fail "no menu opened on the title strip"
fi
wait_for 5 menu_closed || fail "the menu stayed open"

# Right presses on the pad and on a candidate cell belong to those controls: no menu.
for spot in "pad $((left + 100)) $((top + 100))" "cell $((left + 240)) $((top + 50))"; do
  read -r name x y <<<"$spot"
  xdotool mousemove "$x" "$y" click 3
  if wait_for 2 menu_open; then
    fail "a right press on the $name opened the menu"
    xdotool mousemove 40 1040 click 1
  else
    pass "a right press on the $name opens no menu"
  fi
done

# The "-" glyph minimizes: tracking stops; restoring resumes it at once.
xdotool mousemove $((left + 263)) $((top + 18)) click 1
wait_for 5 bash -c "grep ' moved ' '$trace' | tail -1 | grep -q 'showState=2 interval=0'" &&
  pass "the minimize glyph minimizes and stops tracking" ||
  fail "after the minimize glyph: $(grep ' moved ' "$trace" | tail -1)"
probe restore
wait_for 5 bash -c "grep ' moved ' '$trace' | tail -1 | grep -q 'showState=0 interval=600'" &&
  pass "restoring resumes tracking every 600 ms" ||
  fail "after restoring: $(grep ' moved ' "$trace" | tail -1)"

# The close glyph: the connection is dropped first, then the program ends with exit code 0.
info=$(probe info)
left=$(field left "$info") top=$(field top "$info")
xdotool mousemove $((left + 290)) $((top + 18)) click 1
wait_for 10 bash -c "! kill -0 $panel_pid 2>/dev/null"
wait "$panel_pid"
code=$?
panel_pid=
[ "$code" = 0 ] && pass "the close glyph ends the program with exit code 0" ||
  fail "exit code $code after the close glyph"
grep -q ' close connected=0' "$trace" && pass "the connection was dropped before closing" ||
  fail "close trace: $(grep ' close ' "$trace")"
[ "$(grep -c ' exit ' "$trace")" = 1 ] && pass "the exit routine ran once" ||
  fail "the exit routine ran $(grep -c ' exit ' "$trace") times"

[ "$failures" = 0 ] || { echo "$failures check(s) failed; trace: $trace"; exit 1; }
echo "all behaviour checks passed; screenshots in $SCREENSHOT_DIR"
