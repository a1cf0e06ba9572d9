#!/usr/bin/env bash
# The panel started as a user starts it, on the session's 1920x1080 virtual desktop, beside a
# small application whose edit control has the focus. Checked from outside: placement, size,
# extended style, the handles collected at start-up, the 600 ms tracking, the target it
# records, that a click leaves the activation with the target, the highlighted rewrite face,
# dragging, and that Esc ends the program with exit code 0 after one run of the exit routine.
#
# usage: panel_startup_test.sh PANEL.exe PANEL_PROBE.exe FOCUS_TARGET.exe
set -uo pipefail
panel_exe=$1 probe_exe=$2 target_exe=$3
. "$WINE_HARNESS_DIR/wine-env.sh"
if [ ! -f "$WINE_SESSION_DIR/display" ]; then
  bash "$WINE_HARNESS_DIR/session.sh" start >/dev/null 2>&1 </dev/null
  . "$WINE_HARNESS_DIR/wine-env.sh"
fi
work=$WINE_BUILD_DIR/panel-startup-test
rm -rf "$work"
mkdir -p "$work" "$SCREENSHOT_DIR"
trace=$work/trace.txt
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }
probe() { wine "$probe_exe" "$@" 2>/dev/null | tr -d '\r'; }
field() { sed -n "s/.*\b$1=\([^ ]*\).*/\1/p" <<<"$2"; }
# The time in milliseconds a trace line was written.
stamp() { cut -d' ' -f1; }

cleanup() {
  [ -n "${panel_pid:-}" ] && kill "$panel_pid" 2>/dev/null
  [ -n "${target_pid:-}" ] && kill "$target_pid" 2>/dev/null
  wait 2>/dev/null
}
trap cleanup EXIT

# The application being typed into, left of the panel.
wine "$target_exe" 300 300 >"$work/target.txt" 2>/dev/null &
target_pid=$!
for _ in $(seq 100); do grep -q edit= "$work/target.txt" 2>/dev/null && break; sleep 0.1; done
target_line=$(tr -d '\r' <"$work/target.txt")
target=$(field target "$target_line")
edit=$(field edit "$target_line")
[ -n "$target" ] || { echo "FAIL: the target application did not start"; exit 1; }

HANDWRITING_PANEL_TRACE="Z:${trace//\//\\}" wine "$panel_exe" >"$work/panel-output.txt" 2>&1 &
panel_pid=$!
for _ in $(seq 200); do grep -q "handles=16" "$trace" 2>/dev/null && break; sleep 0.1; done
grep -q "handles=16" "$trace" || { echo "FAIL: the panel did not start"; cat "$trace"; exit 1; }
sleep 1

# Placement, size and style.
info=$(probe info)
echo "probe: $info"
panel=$(field panel "$info")
[ "$(field left "$info"),$(field top "$info")" = "1585,410" ] && pass "top-left (1585, 410)" ||
  fail "top-left is ($(field left "$info"), $(field top "$info")), not (1585, 410)"
[ "$(field width "$info")x$(field height "$info")" = "304x245" ] && pass "size 304 x 245" ||
  fail "size is $(field width "$info") x $(field height "$info"), not 304 x 245"
# Wine drops WS_EX_WINDOWEDGE from a borderless popup.
case $(field exstyle "$info") in
  08040108 | 08040008) pass "extended style $(field exstyle "$info")" ;;
  *) fail "extended style $(field exstyle "$info")" ;;
esac

# Start-up: 16 handles, the panel's own first; reference value 3.
created=$(grep " created " "$trace" | head -1)
handles=$(field handles "$created")
IFS=, read -r -a handle_list <<<"$handles"
[ "${#handle_list[@]}" = 16 ] && pass "16 panel handles" || fail "${#handle_list[@]} panel handles"
[ "${handle_list[0]}" = "$panel" ] && pass "the panel window is the first handle" ||
  fail "first handle ${handle_list[0]} is not the panel $panel"
[ "$(field reference "$created")" = 3 ] && pass "reference value 3" || fail "reference value"
[ "$(field evaluator "$created")" = 1 ] && pass "script evaluator created" || fail "no script evaluator"
# The created handler's two moves ran the position-changed handler before it ended, with no
# handles yet; the framework's own position-changed event followed, with all 16.
moves_before=$(sed -n "1,/ created /p" "$trace" | grep -c " moved .*handles=0")
[ "$moves_before" = 2 ] && pass "two nested moves during created" || fail "$moves_before nested moves"
sed -n "/ created /,\$p" "$trace" | grep -q " moved .*interval=600 handles=16" &&
  pass "position changed after created sets 600" || fail "no position change after created"

# Make the target the foreground application with a real click on it, then let two ticks pass.
xdotool mousemove 500 400 click 1
sleep 2.6
last_track=$(grep " track " "$trace" | tail -1)
[ "$(field target "$last_track")" = "$target" ] && pass "targetWindow is the target application" ||
  fail "targetWindow $(field target "$last_track"), expected $target"
[ "$(field focus "$last_track")" = "$edit" ] && pass "targetFocus is its edit control" ||
  fail "targetFocus $(field focus "$last_track"), expected $edit"

# Ticks every 600 ms, never 500.
mapfile -t tick_times < <(grep " track " "$trace" | tail -4 | stamp)
bad_gap=
for ((i = 1; i < ${#tick_times[@]}; i++)); do
  gap=$((tick_times[i] - tick_times[i - 1]))
  if [ "$gap" -lt 560 ] || [ "$gap" -gt 760 ]; then bad_gap="$bad_gap $gap"; fi
done
[ -z "$bad_gap" ] && pass "tracking every 600 ms" || fail "tracking gaps:$bad_gap"

# The highlighted face with the pointer over RewriteButton.
xdotool mousemove 1700 700
sleep 0.4
bash "$WINE_HARNESS_DIR/screenshot.sh" panel-startup >/dev/null
xdotool mousemove $((1585 + 219 + 40)) $((410 + 212 + 13))
sleep 0.6
shot=$(bash "$WINE_HARNESS_DIR/screenshot.sh" panel-rewrite-hot)
echo "screenshots: $SCREENSHOT_DIR/panel-startup.png $shot"
button_area=80x27+$((1585 + 219))+$((410 + 212))
convert "$SCREENSHOT_DIR/panel-startup.png" -crop "$button_area" +repage "$work/face.png"
convert "$shot" -crop "$button_area" +repage "$work/face-hot.png"
differing=$(compare -metric AE "$work/face.png" "$work/face-hot.png" null: 2>&1 | cut -d' ' -f1)
[ "${differing%.*}" -gt 50 ] 2>/dev/null && pass "highlighted face shows ($differing pixels differ)" ||
  fail "the rewrite face did not change under the pointer ($differing pixels differ)"

# Dragging the title strip moves the panel, and so does dragging InfoLabel.
xdotool mousemove 1700 420 mousedown 1
sleep 0.3
for step in 1 2 3 4 5 6 7 8 9 10; do xdotool mousemove $((1700 - 10 * step)) $((420 + 5 * step)); sleep 0.03; done
xdotool mouseup 1
sleep 0.4
info=$(probe info)
[ "$(field left "$info"),$(field top "$info")" = "1485,460" ] && pass "dragging the title strip moves the panel" ||
  fail "after dragging the title strip the panel is at ($(field left "$info"), $(field top "$info")), expected (1485, 460)"
label_x=$((1485 + 7 + 100)) label_y=$((460 + 213 + 12))
xdotool mousemove $label_x $label_y mousedown 1
sleep 0.3
for step in 1 2 3 4 5; do xdotool mousemove $((label_x - 10 * step)) $((label_y - 10 * step)); sleep 0.03; done
xdotool mouseup 1
sleep 0.4
info=$(probe info)
[ "$(field left "$info"),$(field top "$info")" = "1435,410" ] && pass "dragging InfoLabel moves the panel" ||
  fail "after dragging InfoLabel the panel is at ($(field left "$info"), $(field top "$info")), expected (1435, 410)"

# After the drags: the pointer crossing the pad lets the pad take the capture and hide InfoLabel.
# Under Wine a capture only steers moves while its thread is the foreground one, and the
# click hands the activation back to the target, so the pad would keep the capture (and
# InfoLabel stay hidden) for the drag of InfoLabel.
# Clicks on the panel's pad and on a candidate cell leave the activation with the target.
xdotool mousemove $((1435 + 100)) $((410 + 120)) click 1
sleep 0.5
info=$(probe info)
[ "$(field foreground "$info")" = "$target" ] && pass "a click on the pad keeps the target active" ||
  fail "foreground after a click on the pad: $(field foreground "$info"), target $target"
xdotool mousemove $((1435 + 240)) $((410 + 50)) click 1
sleep 0.5
info=$(probe info)
[ "$(field foreground "$info")" = "$target" ] && pass "a click on a candidate cell keeps the target active" ||
  fail "foreground after a click on a candidate cell: $(field foreground "$info"), target $target"

# Minimized, tracking stops; restored, it runs at once and every 600 ms again.
probe minimize
sleep 1.5
moved=$(grep " moved " "$trace" | tail -1)
[ "$(field showState "$moved"),$(field interval "$moved")" = "2,0" ] &&
  pass "minimized: showState 2, interval 0" || fail "after minimizing: $moved"
ticks_before=$(grep -c " track " "$trace")
sleep 1.3
[ "$(grep -c " track " "$trace")" = "$ticks_before" ] && pass "no tracking while minimized" ||
  fail "tracking ran while minimized"
probe restore
sleep 0.3
moved=$(grep " moved " "$trace" | tail -1)
[ "$(field showState "$moved"),$(field interval "$moved")" = "0,600" ] &&
  pass "restored: showState 0, interval 600" || fail "after restoring: $moved"
[ "$(grep -c " track " "$trace")" -gt "$ticks_before" ] && pass "tracking ran on restore" ||
  fail "no tracking on restore"

# Esc closes the panel: exit code 0, the exit routine ran once.
probe escape
for _ in $(seq 100); do kill -0 "$panel_pid" 2>/dev/null || break; sleep 0.1; done
wait "$panel_pid"
code=$?
panel_pid=
[ "$code" = 0 ] && pass "exit code 0 after Esc" || fail "exit code $code after Esc"
exits=$(grep -c " exit " "$trace")
[ "$exits" = 1 ] && pass "the exit routine ran once" || fail "the exit routine ran $exits times"
exit_line=$(grep " exit " "$trace" | tail -1)
[ "$(field evaluator "$exit_line")$(field released "$exit_line")" = 11 ] &&
  pass "the exit routine released the script evaluator" || fail "evaluator at exit: $exit_line"

# Closing the window (as the system does for WM_CLOSE) ends the program the same way.
trace=$work/trace-close.txt
HANDWRITING_PANEL_TRACE="Z:${trace//\//\\}" wine "$panel_exe" >"$work/panel-output-2.txt" 2>&1 &
panel_pid=$!
for _ in $(seq 200); do grep -q "handles=16" "$trace" 2>/dev/null && break; sleep 0.1; done
probe close
for _ in $(seq 100); do kill -0 "$panel_pid" 2>/dev/null || break; sleep 0.1; done
wait "$panel_pid"
code=$?
panel_pid=
[ "$code" = 0 ] && pass "exit code 0 after the window was closed" || fail "exit code $code after closing"
[ "$(grep -c " exit " "$trace")" = 1 ] && pass "the exit routine ran once after closing" ||
  fail "the exit routine ran $(grep -c " exit " "$trace") times after closing"

echo "trace: $work"
[ "$failures" = 0 ] || { echo "$failures check(s) failed"; exit 1; }
