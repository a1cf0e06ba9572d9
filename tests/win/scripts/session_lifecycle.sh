#!/usr/bin/env bash
# A second build folder's Wine session next to the running one: a repeated start returns at
# once, it is invisible to the first session, a session whose Xvfb died is noticed and restarted
# without any daemon holding the caller's output, and stop leaves nothing running.
#
# usage: session_lifecycle.sh TargetApp.exe InspectWindows.exe
set -euo pipefail
GUI_TARGET=$1
GUI_INSPECTOR=$2
. "$WINE_HARNESS_DIR/gui-lib.sh"
gui_init

session=$WINE_HARNESS_DIR/session.sh
main_build=$WINE_BUILD_DIR
main_display=$DISPLAY
# Kept between runs like the main prefix: creating a prefix takes a while.
second=$WINE_BUILD_DIR/second-session

in_second() { (WINE_BUILD_DIR=$second && . "$WINE_HARNESS_DIR/wine-env.sh" && "$@"); }
second_stop() { WINE_BUILD_DIR=$second bash "$session" stop >/dev/null 2>&1 || true; }
xvfb_pid() { cat "$1/wine-session/xvfb.pid"; }

# The wineserver processes that serve a prefix (wine-env.sh's wineserver_pids).
servers_of() { wineserver_pids "$1"; }

trap 'second_stop; gui_cleanup' EXIT

if ! WINE_BUILD_DIR=$second timeout 590 bash "$session" start >"$GUI_DIR/start.out" 2>&1; then
    gui_fail "the second session did not start: $(cat "$GUI_DIR/start.out")"
fi
second_display=$(cat "$second/wine-session/display")
[ "$second_display" != "$main_display" ] || gui_fail "both sessions use display $main_display"
kill -0 "$(xvfb_pid "$main_build")" || gui_fail "the first session's Xvfb went away"
main_servers=$(servers_of "$main_build/wineprefix")
second_servers=$(servers_of "$second/wineprefix")
assert_eq 1 "$(wc -w <<<"$main_servers")" "wineservers of the first prefix"
assert_eq 1 "$(wc -w <<<"$second_servers")" "wineservers of the second prefix"
[ "$main_servers" != "$second_servers" ] || gui_fail "the sessions share a wineserver"
gui_pass "a second session runs beside the first on $second_display"

if ! timeout 20 env WINE_BUILD_DIR=$second bash "$session" start; then
    gui_fail "a repeated start did not return at once"
fi
assert_eq "$second_display" "$(cat "$second/wine-session/display")" "display after a repeated start"
gui_pass "a repeated start keeps the running session"

# A window of the second session is not seen from the first, and is from the second.
log=$GUI_DIR/second-target.log
in_second wine "$GUI_TARGET" "$log" --title "Second session" </dev/null >/dev/null 2>&1 &
second_target=$!
assert_log "$log" '^ready	' "the target starts in the second session"
if in_second wine "$GUI_INSPECTOR" --title "Second session" --wait 5000 >/dev/null 2>&1; then
    :
else
    gui_fail "the second session's inspector does not find its own window"
fi
if gui_inspect --title "Second session"; then
    gui_fail "the first session sees a window of the second"
fi
kill "$second_target" 2>/dev/null || true
wait "$second_target" 2>/dev/null || true
gui_pass "the sessions' desktops are apart"

# A session whose Xvfb died is not taken for a running one.
old_xvfb=$(xvfb_pid "$second")
kill -9 "$old_xvfb"
while kill -0 "$old_xvfb" 2>/dev/null; do sleep 0.1; done
if WINE_BUILD_DIR=$second bash "$session" status >/dev/null; then
    gui_fail "status reports a session whose Xvfb is dead as running"
fi
# Its output read through a pipe: a daemon that kept the pipe would hold the reader up for good.
WINE_BUILD_DIR=$second bash "$session" start 2>&1 | timeout 120 cat >"$GUI_DIR/restart.out" ||
    gui_fail "restart after a dead Xvfb failed, or a daemon kept its output open:
$(cat "$GUI_DIR/restart.out")"
new_xvfb=$(xvfb_pid "$second")
[ "$new_xvfb" != "$old_xvfb" ] && kill -0 "$new_xvfb" || gui_fail "no new Xvfb after the restart"
in_second wine "$GUI_INSPECTOR" --list >/dev/null 2>&1 || gui_fail "the restarted session does not run programs"
gui_pass "a dead Xvfb is noticed and the session restarts"

# Stop leaves nothing of the second session and does not touch the first.
second_servers=$(servers_of "$second/wineprefix")
WINE_BUILD_DIR=$second timeout 60 bash "$session" stop || gui_fail "stop failed"
! kill -0 "$new_xvfb" 2>/dev/null || gui_fail "Xvfb $new_xvfb survived stop"
for pid in $second_servers; do
    ! kill -0 "$pid" 2>/dev/null || gui_fail "wineserver $pid survived stop"
done
assert_eq "" "$(servers_of "$second/wineprefix")" "wineservers of the stopped prefix"
# (The display number itself may already serve another session's new Xvfb.)
lock=/tmp/.X${second_display#:}-lock
if [ -f "$lock" ] && [ "$(tr -d ' \n' <"$lock")" = "$new_xvfb" ]; then
    gui_fail "the display lock $lock of the stopped Xvfb is left behind"
fi
if WINE_BUILD_DIR=$second bash "$session" status >/dev/null; then
    gui_fail "status reports the stopped session as running"
fi
WINE_BUILD_DIR=$main_build bash "$session" status >/dev/null || gui_fail "the first session stopped too"
gui_pass "stop ends the second session only"
