#!/usr/bin/env bash
# Starts or stops the Wine session of a test run: an Xvfb display, the private prefix (created
# once, with a 1920x1080 virtual desktop shared by all programs and CJK font replacements) and
# a persistent wineserver with Wine's own background services already running, and the desktop
# held open by an idle program.
#
# usage: WINE_BUILD_DIR=build/win64 session.sh start|stop|status
#
# Every process this script leaves running has its output in a log file under
# $WINE_SESSION_DIR and none of our descriptors: ctest waits until every holder of a test's
# output pipe has gone, so a daemon holding one would stall the test that started it.
set -euo pipefail
# Nor any other descriptor of the caller: a lock taken around the caller (flock on
# /tmp/port80.lock) would otherwise be held by the session's daemons until the session stops.
# (255 is bash's own hold on this script.)
for fd in /proc/$$/fd/*; do
    fd=${fd##*/}
    if [ "$fd" -gt 2 ] && [ "$fd" != 255 ]; then exec {fd}>&-; fi
done
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=wine-env.sh
. "$here/wine-env.sh"
mkdir -p "$WINE_SESSION_DIR" "$SCREENSHOT_DIR"
logs=$WINE_SESSION_DIR

log() { printf '[wine-session] %s\n' "$*" >&2; }

# The pid file alone is not proof: after a reboot the number may belong to another process.
xvfb_alive() {
    local pid
    [ -f "$logs/xvfb.pid" ] && [ -f "$logs/display" ] || return 1
    pid=$(cat "$logs/xvfb.pid")
    kill -0 "$pid" 2>/dev/null && [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = Xvfb ] || return 1
    [ -S "/tmp/.X11-unix/X$(cut -c2- "$logs/display")" ]
}

start_xvfb() {
    local fifo=$logs/displayfd n
    rm -f "$fifo" "$logs/display" "$logs/xvfb.pid"
    mkfifo "$fifo"
    # -displayfd picks a free display number, so sessions of different builds never collide;
    # -noreset keeps the server as it is when the last client leaves between two tests.
    Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset -ac 3>"$fifo" \
        </dev/null >"$logs/xvfb.log" 2>&1 9>&- &
    echo $! >"$logs/xvfb.pid"
    if ! read -r -t 30 n <"$fifo"; then
        log "Xvfb did not start; see $logs/xvfb.log"
        kill "$(cat "$logs/xvfb.pid")" 2>/dev/null || true
        exit 1
    fi
    rm -f "$fifo"
    echo ":$n" >"$logs/display"
    export DISPLAY=:$n
    log "Xvfb on $DISPLAY"
}

# Registry settings of the prefix, as a .reg file (UTF-16 so that Chinese face names survive).
write_settings() {
    local font="WenQuanYi Micro Hei"
    {
        printf 'Windows Registry Editor Version 5.00\r\n\r\n'
        # One named virtual desktop for every program of the prefix, so that the helpers see
        # the windows of the program under test.
        printf '[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]\r\n"Desktop"="Default"\r\n\r\n'
        printf '[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]\r\n"Default"="1920x1080"\r\n\r\n'
        # A program that crashes ends with a backtrace on its standard error, rather than
        # waiting on a crash dialog nobody sees until its test times out.
        printf '[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\r\n"ShowCrashDialog"=dword:00000000\r\n\r\n'
        # Wine 10's debugger hangs on a 32-bit program (WoW64): there a crash ends the program
        # at once, with the fault's line on its standard error.
        if [ -n "${WINE_ROOT:-}" ]; then
            for view in "" "\\Wow6432Node"; do
                printf '[HKEY_LOCAL_MACHINE\\Software%s\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug]\r\n' "$view"
                printf '"Debugger"="no-debugger.exe %%ld %%ld"\r\n"Auto"="1"\r\n\r\n'
            done
        fi
        # Faces that programs and the system ask for by name resolve to the installed CJK font.
        printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
        for face in "宋体" "SimSun" "新宋体" "NSimSun" "MS Shell Dlg" "MS Shell Dlg 2" "Tahoma" \
            "Microsoft YaHei" "微软雅黑" "SimHei" "黑体" "MS Sans Serif" "System"; do
            printf '"%s"="%s"\r\n' "$face" "$font"
        done
        printf '\r\n'
    } | iconv -f UTF-8 -t UTF-16LE | {
        printf '\xff\xfe'
        cat
    } >"$1"
}

# Builds the prefix once per build folder; re-applies the settings whenever they change.
prepare_prefix() {
    local reg=$logs/settings.reg sum
    write_settings "$reg"
    sum=$(sha1sum <"$reg" | cut -d' ' -f1)
    if [ -f "$WINEPREFIX/.harness-ready" ] && [ "$(cat "$WINEPREFIX/.harness-ready")" = "$sum" ]; then
        return
    fi
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        log "creating the Wine prefix $WINEPREFIX (once per build folder; takes a minute)"
        rm -rf "$WINEPREFIX"
        wineboot -i </dev/null >"$logs/wineboot.log" 2>&1 9>&- || true
        wineserver -w
    fi
    wine regedit /S "$(winepath -w "$reg" 2>/dev/null)" </dev/null >>"$logs/wineboot.log" 2>&1 9>&-
    wineserver -w
    if ! grep -q '"Default"="1920x1080"' "$WINEPREFIX/user.reg"; then
        log "the prefix settings did not take; see $logs/wineboot.log"
        exit 1
    fi
    echo "$sum" >"$WINEPREFIX/.harness-ready"
}

# An idle program that holds the virtual desktop open for the whole session (see
# helpers/desktop_keeper.cpp); it is part of the Windows build, so a session started before the
# build has none.
keeper=$WINE_BUILD_DIR/tests/win/DesktopKeeper.exe

keeper_alive() {
    [ -f "$logs/keeper.pid" ] && kill -0 "$(cat "$logs/keeper.pid")" 2>/dev/null
}

start_keeper() {
    local i
    [ -f "$keeper" ] || return 0
    wine "$keeper" </dev/null >"$logs/keeper.log" 2>&1 9>&- &
    echo $! >"$logs/keeper.pid"
    for ((i = 0; i < 600; i++)); do
        if [ -n "$(xdotool search --name "$WINE_DESKTOP_TITLE" 2>/dev/null)" ]; then
            return 0
        fi
        sleep 0.1
    done
    log "the virtual desktop did not appear; see $logs/keeper.log"
    exit 1
}

wineserver_alive() {
    [ -n "$(wineserver_pids "$WINEPREFIX")" ]
}

stop_session() {
    local pid i
    if [ -d "$WINEPREFIX" ]; then
        # Kills every Windows process of this prefix, then waits for its server to go.
        wineserver -k </dev/null >/dev/null 2>&1 || true
        timeout 30 wineserver -w </dev/null >/dev/null 2>&1 || true
    fi
    if [ -f "$logs/xvfb.pid" ]; then
        pid=$(cat "$logs/xvfb.pid")
        if kill -0 "$pid" 2>/dev/null && [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = Xvfb ]; then
            kill "$pid" 2>/dev/null || true
            for ((i = 0; i < 100; i++)); do
                kill -0 "$pid" 2>/dev/null || break
                sleep 0.1
            done
            kill -9 "$pid" 2>/dev/null || true
        fi
    fi
    rm -f "$logs/xvfb.pid" "$logs/display" "$logs/keeper.pid"
}

# One start or stop at a time per build folder (a test run on its own may start the session
# while ctest's fixture does too).
take_lock() {
    exec 9>"$logs/lock"
    if ! flock -w 120 9; then
        log "another start or stop of this session holds $logs/lock; going on without it"
    fi
}

case "${1:-}" in
start)
    take_lock
    if xvfb_alive && wineserver_alive && [ -f "$logs/ready" ]; then
        keeper_alive || start_keeper
        exit 0
    fi
    # Whatever is left of an earlier session (a killed run, a reboot) goes first.
    rm -f "$logs/ready"
    stop_session
    # Later commands on this folder (a stop without the caller's environment) use the same Wine.
    if [ -n "${WINE_ROOT:-}" ]; then echo "$WINE_ROOT" >"$logs/wine-root"; else rm -f "$logs/wine-root"; fi
    start_xvfb
    prepare_prefix
    # A persistent wineserver keeps the start-up of each test program short.
    wineserver -p </dev/null >"$logs/wineserver.log" 2>&1 9>&-
    # Wine's background services start with the first program of the prefix and live on; start
    # them here so that they inherit log files rather than a test's output.
    wine cmd.exe /c exit 0 </dev/null >"$logs/services.log" 2>&1 9>&- || true
    start_keeper
    touch "$logs/ready"
    log "ready: DISPLAY=$DISPLAY WINEPREFIX=$WINEPREFIX screenshots in $SCREENSHOT_DIR"
    ;;
stop)
    take_lock
    rm -f "$logs/ready"
    stop_session
    ;;
status)
    if xvfb_alive && wineserver_alive && [ -f "$logs/ready" ]; then
        echo "running on $(cat "$logs/display")"
    else
        echo stopped
        exit 1
    fi
    ;;
*)
    echo "usage: session.sh start|stop|status" >&2
    exit 2
    ;;
esac
