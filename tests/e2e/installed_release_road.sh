#!/usr/bin/env bash
# The release as a Windows user gets it: the installer run silently (/S) in a fresh Wine prefix
# with nothing listening on port 80, then the road through the installed programs only:
#  1. the installer put the panel, the service, its model, the README, the uninstaller, the
#     Start-menu entries and the Run entry in place, and the service it started listens on
#     127.0.0.1:80 and logs under the user's local application data folder;
#  2. 中 written on the installed panel is among the candidates, a press types it into the
#     target, and the information line shows its pinyin;
#  3. with the online lookup on, the line shows pinyin and Wubi from the installed service;
#     then the service's serving copy is killed (as a crash or the Task Manager ends it): it
#     listens again within 3 s, and 中 written at once shows candidates within 5 s of the kill;
#     `--stop` from the Start-menu entry's command stops it, and it stays stopped;
#  4. a new log-on (Wine's prefix started afresh) starts the service again from the Run entry;
#  5. the uninstaller (/S) stops the service and removes the files, the Start-menu entries, the
#     Run entry and the service's log.
# Needs the 32-bit-capable Wine of the build's Wine root (the installer and the release are
# 32-bit); skipped (77) without it, the installer or the stroke data.
#
# usage: installed_release_road.sh TargetApp.exe InspectWindows.exe DesktopKeeper.exe SETUP.exe DATA_DIR
set -euo pipefail
GUI_TARGET=$1
GUI_INSPECTOR=$2
keeper=$3
setup=$4
data=$5
build=$WINE_BUILD_DIR
WINE_ROOT=${WINE_ROOT:-$(sed -n 's/^WINE_ROOT:PATH=//p' "$build/CMakeCache.txt" 2>/dev/null)}
if [ -z "$WINE_ROOT" ] || [ ! -f "$setup" ] || [ ! -f "$data/中.json" ]; then
    echo "skipped: needs the build's Wine root ('$WINE_ROOT'), the installer $setup (make dist)" \
        "and the stroke data in $data"
    exit 77
fi
export WINE_ROOT

# A prefix and a session of this test's own, made afresh: nothing of the other tests' prefix
# (fonts aside, which the session sets) helps the installed programs.
export WINE_BUILD_DIR=$build/installed-release
bash "$WINE_HARNESS_DIR/session.sh" stop >/dev/null 2>&1 || true
rm -rf "$WINE_BUILD_DIR"
mkdir -p "$WINE_BUILD_DIR/tests/win"
cp "$keeper" "$WINE_BUILD_DIR/tests/win/"

. "$WINE_HARNESS_DIR/gui-lib.sh"
. "$(dirname "$0")/../win/panel/pad_strokes.sh"
. "$(dirname "$0")/../win/panel/panel_road.sh"
. "$(dirname "$0")/road_steps.sh"
gui_init
trap 'gui_cleanup; bash "$WINE_HARNESS_DIR/session.sh" stop >/dev/null 2>&1 || true' EXIT
shots=()

run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
run_entry() { wine reg query "$run_key" /v HandwritingService </dev/null 2>/dev/null | tr -d '\r'; }
# Windows programs that start programs of their own get files, never this script's output.
run_quietly() {
    local name=$1
    shift
    wine "$@" </dev/null >"$GUI_DIR/$name.out" 2>&1
}
road_port_closed() { ! road_port_open; }

# 1. The silent install.
road_port_open && gui_fail "something already listens on 127.0.0.1:80 before the install"
started=$SECONDS
run_quietly setup "$setup" /S || gui_fail "the installer failed: $(cat "$GUI_DIR/setup.out")"
echo "installed in $((SECONDS - started)) s"
users=$WINEPREFIX/drive_c/users
instdir=$(find "$users" -maxdepth 6 -type d -path '*/AppData/Local/Programs/HandwritingPanel' | head -1)
[ -n "$instdir" ] || gui_fail "no installation folder under $users/*/AppData/Local/Programs"
for f in HandwritingPanel.exe HandwritingService.exe recognition.model README-Windows.txt Uninstall.exe; do
    [ -f "$instdir/$f" ] || gui_fail "the installer did not put $f into $instdir: $(ls "$instdir")"
done
menu=$(find "$users" -type d -name 手写输入面板 | head -1)
[ -n "$menu" ] || gui_fail "no Start-menu folder 手写输入面板"
for entry in 手写输入面板 启动识别服务 停止识别服务 使用说明 卸载手写输入面板; do
    [ -f "$menu/$entry.lnk" ] || gui_fail "no Start-menu entry $entry: $(ls "$menu")"
done
assert_match 'HandwritingService\.exe' "$(run_entry)" "the Run entry"
gui_wait_until road_port_open || gui_fail "the installed service does not listen on 127.0.0.1:80"
service_log=$(dirname "$(dirname "$instdir")")/HandwritingPanel/service.log
gui_wait_log "$service_log" '^listening on 127\.0\.0\.1:80 .*recognition\.model' ||
    gui_fail "the service's log does not say it listens: $(cat "$service_log" 2>/dev/null)"
gui_pass "installed with /S: files, Start-menu entries and Run entry in place; the service listens on 127.0.0.1:80 ($(grep -m1 '^listening' "$service_log"))"

# 2. 中 on the installed panel.
road_start_panel "$instdir/HandwritingPanel.exe"
sleep 0.5
write_character 中
shots+=("$(gui_screenshot installed-1-zhong-written)")
commit_character 中 中 "中  拼音：zhong"
shots+=("$(gui_screenshot installed-2-zhong-committed)")
gui_pass "the installed panel and service: 中 among the candidates, typed into the target, its pinyin shown"

# 3. The online lookup, answered by the installed service, through the panel's menu and line.
choose_menu_entry 26,26,0D online_on || gui_fail "校对在线字典 could not be turned on through the menu"
gui_wait_until gui_window_is_foreground HwTestTarget || gui_fail "the target lost the activation to the menu"
write_character 中
commit_character 中 中中 "~^中  拼音：zhōng.*  五笔：khk$"
shots+=("$(gui_screenshot installed-3-online-lookup)")
seen="the line: $(info_text)"
assert_log "$service_log" ' GET /Common/XinHuaZiDian/Default\.aspx 200 ' "the installed service's dictionary page"
gui_pass "the online lookup's pinyin and Wubi come from the installed service ($seen)"

# 3b. The serving copy killed while the panel is used. Only this prefix's copy is meant.
serving_copy() {
    local pid
    for pid in $(pgrep -f -- 'HandwritingService\.exe --supervised$'); do
        if tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then
            echo "$pid"
            return 0
        fi
    done
    return 1
}
copy=$(serving_copy) || gui_fail "no serving copy of the installed service: $(ps -eo pid,args | grep -i HandwritingService)"
lines=$(wc -l <"$service_log")
ms_since() { echo $((($(date +%s%N) - $1) / 1000000)); }
killed=$(date +%s%N)
kill -9 "$copy"
# When it listens again, seen from beside the writing.
(
    end=$((SECONDS + 10))
    while road_port_open && [ "$SECONDS" -lt "$end" ]; do sleep 0.02; done
    while ! road_port_open; do
        [ "$SECONDS" -lt "$end" ] || exit 0
        sleep 0.02
    done
    ms_since "$killed" >"$GUI_DIR/listening-again.ms"
) &
listener_watch=$!
pad_stroke_lines "$data" 中 "$pad_left" "$pad_top" >"$GUI_DIR/strokes-again.txt"
pad_write_strokes "$GUI_DIR/strokes-again.txt" &
writer=$!
gui_wait_until some_cell_filled || gui_fail "no candidates after the kill: $(tail -n +$((lines + 1)) "$service_log")"
candidates_ms=$(ms_since "$killed")
wait "$writer"
wait "$listener_watch" || true
gui_wait_until cell_of 中 || gui_fail "中 is not among the candidates after the kill: ${cells_text[*]}"
listening_ms=$(cat "$GUI_DIR/listening-again.ms" 2>/dev/null || echo never)
echo "after the kill: listening again in $listening_ms ms, the first candidates in $candidates_ms ms"
assert_log "$service_log" 'supervisor: .* without being asked to stop; starting it again' "the supervisor's line"
[ "$listening_ms" != never ] && [ "$listening_ms" -lt 3000 ] ||
    gui_fail "the killed service listened again only after $listening_ms ms"
[ "$candidates_ms" -lt 5000 ] || gui_fail "the first candidates came $candidates_ms ms after the kill"
commit_character 中 中中中 "~^中  拼音：zhōng.*  五笔：khk$"
gui_pass "killed, the service listens again in $listening_ms ms; the panel's candidates came $candidates_ms ms after the kill"

# 3c. --stop, as the Start-menu entry 停止识别服务 runs it: stopped for good.
run_quietly stop "$instdir/HandwritingService.exe" --stop || gui_fail "--stop failed: $(cat "$GUI_DIR/stop.out")"
road_port_open && gui_fail "the service still listens after --stop returned"
sleep 3
road_port_open && gui_fail "the service listens again after --stop"
serving_copy >/dev/null && gui_fail "a serving copy runs after --stop"
gui_pass "--stop stops the service, and it stays stopped"

gui_inspect --class HandwritingPanelWindow || gui_fail "the panel is gone"
close=$(gui_line child rect=282,10,298,26) || gui_fail "no close glyph"
read -r x y <<<"$(gui_center "$(gui_field "$close" screen)")"
gui_click "$x" "$y"
gui_wait_exit "$panel_pid" || gui_fail "the panel is still running after the close glyph"
gui_cleanup

# 4. A new log-on: every program of the prefix ends, and wineboot's start-up (the user's log-on
#    in Wine) runs the Run entry.
wineserver -k </dev/null >/dev/null 2>&1 || true
timeout 30 wineserver -w </dev/null >/dev/null 2>&1 || true
gui_wait_until road_port_closed || gui_fail "the service outlived the end of the session"
lines=$(wc -l <"$service_log")
wineboot </dev/null >"$GUI_DIR/logon.out" 2>&1 || true
gui_wait_until road_port_open || gui_fail "the service did not start again at the next log-on"
gui_wait_until eval 'tail -n +$((lines + 1)) "$service_log" | grep -q "^listening on 127\.0\.0\.1:80 "' ||
    gui_fail "the service's log shows no new start: $(tail -5 "$service_log")"
gui_pass "at the next log-on the Run entry starts the service again"

# 5. The silent uninstall. NSIS runs its uninstaller from a copy in the temporary folder, so
#    the command returns before the work is done.
run_quietly uninstall "$instdir/Uninstall.exe" /S || gui_fail "the uninstaller failed: $(cat "$GUI_DIR/uninstall.out")"
gui_wait_until road_port_closed || gui_fail "the service still listens after the uninstall"
gui_wait_until eval '[ ! -e "$instdir" ]' || gui_fail "the uninstaller left $instdir: $(ls -A "$instdir")"
gui_wait_until eval '[ ! -e "$menu" ]' || gui_fail "the uninstaller left the Start-menu entries: $(ls -A "$menu")"
[ ! -e "$(dirname "$service_log")" ] || gui_fail "the uninstaller left the service's log folder"
run_entry | grep -q 'HandwritingService\.exe' && gui_fail "the uninstaller left the Run entry: $(run_entry)"
gui_pass "the uninstaller stopped the service and removed the files, the Start-menu entries, the Run entry and the log"

printf 'screenshots:\n'
printf '  %s\n' "${shots[@]}"
