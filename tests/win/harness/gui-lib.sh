# gui-lib.sh: a small library for scripts that drive Windows programs in the Wine session.
# Source it from a test script (ctest's add_win_script_test sets WINE_BUILD_DIR and
# WINE_HARNESS_DIR), then call gui_init:
#
#   . "$WINE_HARNESS_DIR/gui-lib.sh"
#   gui_init                            # environment, session check, work folder, cleanup trap
#   gui_start "$target" "$GUI_DIR/target.log"      # pid in $GUI_PID
#   gui_wait_window --class HwTestTarget           # output in $GUI_INFO
#   gui_click 300 200; gui_type "hello"
#   gui_wait_log "$GUI_DIR/target.log" '^text	gbk=68656C6C6F	'
#
# Coordinates are always Wine's screen coordinates (what InspectWindows prints); the library
# maps them to the X screen, where the virtual desktop window may sit at an offset.
#
# Settings (environment): GUI_TIMEOUT seconds any wait may take (default 30),
# GUI_INSPECTOR / GUI_TARGET the helper programs (default: the build's tests/win/*.exe).
#
# Functions
#   gui_init                        set up; $GUI_DIR is this script's work folder (kept after
#                                   the run, under $WINE_BUILD_DIR/gui-tests/NAME)
#   gui_start EXE [ARGS...]         start a Windows program in the background; $GUI_PID; its
#                                   output goes to $GUI_DIR/NAME.N.out; killed on exit
#   gui_stop PID                    end a program started with gui_start
#   gui_wait_exit PID               wait up to GUI_TIMEOUT for it to end by itself; its exit
#                                   code in $GUI_EXIT_CODE (return 1 if it is still running)
#   gui_inspect ARGS...             run InspectWindows with ARGS; output in $GUI_INFO
#   gui_wait_window ARGS...         the same, waiting up to GUI_TIMEOUT for the window
#   gui_wait_gone ARGS...           wait until InspectWindows no longer finds the window
#   gui_line RECORD [KEY=VALUE...]  first line of $GUI_INFO of that record with those fields
#   gui_field LINE KEY              one field of a line
#   gui_child_text KEY=VALUE...     text= (UTF-8) of the child with those fields, e.g. id=100
#   gui_child_text_gbk KEY=VALUE... text_gbk= of that child
#   gui_center RECT                 "x y" centre of an L,T,R,B rect
#   gui_move X Y / gui_press [B] / gui_release [B] / gui_click X Y [B] / gui_right_click X Y
#   gui_drag X1 Y1 X2 Y2 [X Y ...]  press at the first point, move through the rest, release
#   gui_type TEXT / gui_key KEY...  keyboard input (xdotool key names: Return, Escape, ctrl+a)
#   gui_to_x X Y                    "x y" on the X screen for Wine screen coordinates
#   gui_x_position XID              "x y" of an X window on the X screen
#   gui_desktop_window              X window id of the live Wine virtual desktop
#   gui_x_state                     the X focus and the desktop windows (for failure reports)
#   gui_screenshot NAME             save the screen, print the path
#   gui_wait_until CMD...           poll a command until it succeeds (GUI_TIMEOUT)
#   gui_focus_window CLASS          click into a window's client area and wait until it is the
#                                   foreground window
#   gui_wait_log FILE REGEX         poll a log file until a line matches (grep -E)
#   gui_hex TEXT                    the GBK bytes of a UTF-8 text as upper-case hex
#   gui_fail MESSAGE                report, screenshot, exit 1
#   assert_eq EXPECTED ACTUAL WHAT / assert_match REGEX TEXT WHAT / assert_log FILE REGEX WHAT
#   assert_no_log FILE REGEX WHAT   no line of the log matches
#   gui_pass MESSAGE                report success (the script ends with exit 0)

: "${WINE_BUILD_DIR:?WINE_BUILD_DIR must name the Windows build folder}"
: "${WINE_HARNESS_DIR:=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)}"
GUI_TIMEOUT=${GUI_TIMEOUT:-30}
GUI_PIDS=()
GUI_STARTED=0
GUI_INFO=

gui_log() { printf '[gui] %s\n' "$*" >&2; }

gui_init() {
    # shellcheck source=wine-env.sh
    . "$WINE_HARNESS_DIR/wine-env.sh"
    if ! bash "$WINE_HARNESS_DIR/session.sh" status >/dev/null 2>&1; then
        bash "$WINE_HARNESS_DIR/session.sh" start
        . "$WINE_HARNESS_DIR/wine-env.sh"
    fi
    GUI_INSPECTOR=${GUI_INSPECTOR:-$WINE_BUILD_DIR/tests/win/InspectWindows.exe}
    GUI_TARGET=${GUI_TARGET:-$WINE_BUILD_DIR/tests/win/TargetApp.exe}
    [ -f "$GUI_INSPECTOR" ] || gui_fail "no inspector at $GUI_INSPECTOR"
    GUI_NAME=$(basename "${0%.sh}")
    GUI_DIR=$WINE_BUILD_DIR/gui-tests/$GUI_NAME
    rm -rf "$GUI_DIR"
    mkdir -p "$GUI_DIR" "$SCREENSHOT_DIR"
    trap gui_cleanup EXIT
    trap 'exit 130' INT TERM
}

gui_cleanup() {
    local pid
    for pid in "${GUI_PIDS[@]}"; do
        gui_stop "$pid"
    done
}

# ---------------------------------------------------------------------------------------------
# Programs

gui_start() {
    local exe=$1 out
    shift
    GUI_STARTED=$((GUI_STARTED + 1))
    out=$GUI_DIR/$(basename "$exe" .exe).$GUI_STARTED.out
    # Output to a file, never to ctest's pipe (see wine-run.sh).
    wine "$exe" "$@" </dev/null >"$out" 2>&1 &
    GUI_PID=$!
    GUI_PIDS+=("$GUI_PID")
    gui_log "started $(basename "$exe") $* (pid $GUI_PID, output $out)"
}

# Only programs of this script are ended, and each once: a pid ended earlier may belong to
# someone else by now.
gui_stop() {
    local pid=$1 i kept=()
    for i in "${GUI_PIDS[@]}"; do
        [ "$i" = "$pid" ] || kept+=("$i")
    done
    [ "${#kept[@]}" != "${#GUI_PIDS[@]}" ] || return 0
    GUI_PIDS=("${kept[@]}")
    kill "$pid" 2>/dev/null || return 0
    for ((i = 0; i < 50; i++)); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -9 "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}

gui_wait_exit() {
    local pid=$1 i kept=()
    gui_wait_until eval '! kill -0 '"$pid"' 2>/dev/null' || return 1
    GUI_EXIT_CODE=0
    wait "$pid" || GUI_EXIT_CODE=$?
    for i in "${GUI_PIDS[@]}"; do
        [ "$i" = "$pid" ] || kept+=("$i")
    done
    GUI_PIDS=("${kept[@]}")
}

# ---------------------------------------------------------------------------------------------
# Reading windows back

gui_inspect() {
    local rc=0
    GUI_INFO=$(wine "$GUI_INSPECTOR" "$@" 2>"$GUI_DIR/inspect.err") || rc=$?
    GUI_INFO=${GUI_INFO//$'\r'/}
    return "$rc"
}

gui_wait_window() {
    gui_inspect "$@" --wait "$((GUI_TIMEOUT * 1000))"
}

gui_wait_gone() {
    local deadline=$((SECONDS + GUI_TIMEOUT))
    while gui_inspect "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.2
    done
}

gui_line() {
    local record=$1 line want ok
    shift
    while IFS= read -r line; do
        [ "${line%%$'\t'*}" = "$record" ] || continue
        ok=1
        for want in "$@"; do
            case $'\t'"$line"$'\t' in
            *$'\t'"$want"$'\t'*) ;;
            *) ok=0 ;;
            esac
        done
        if [ "$ok" = 1 ]; then
            printf '%s\n' "$line"
            return 0
        fi
    done <<<"$GUI_INFO"
    return 1
}

gui_field() {
    local field
    while IFS= read -r -d $'\t' field; do
        if [ "${field%%=*}" = "$2" ]; then
            printf '%s\n' "${field#*=}"
            return 0
        fi
    done <<<"$1"$'\t'
    return 1
}

gui_child_text() { gui_field "$(gui_line child "$@")" text; }
gui_child_text_gbk() { gui_field "$(gui_line child "$@")" text_gbk; }

gui_center() {
    local l t r b
    IFS=, read -r l t r b <<<"$1"
    echo "$(((l + r) / 2)) $(((t + b) / 2))"
}

# ---------------------------------------------------------------------------------------------
# Mouse and keyboard

# Wine places its virtual desktop as an X window; programs' screen coordinates are relative to
# it. The desktop window lives only while a program runs (Wine closes it shortly after the last
# one ends), so it is looked up each time rather than remembered.
#
# While one desktop process ends and the next starts there can be two such X windows for a
# moment; the one that holds program windows (X children) is the live one.
gui_desktop_window() {
    local id n best="" most=-1
    for id in $(xdotool search --name "$WINE_DESKTOP_TITLE" 2>/dev/null); do
        n=$(xwininfo -children -id "$id" 2>/dev/null | sed -n 's/^ *\([0-9]\+\) child.*/\1/p')
        if [ "${n:-0}" -gt "$most" ]; then
            most=${n:-0}
            best=$id
        fi
    done
    echo "$best"
}

# "x y" of an X window's top-left corner on the X screen. (xdotool getwindowgeometry doubles
# the offset of a window whose parent is not the root, as Wine's windows inside the desktop are.)
gui_x_position() {
    xwininfo -id "$1" | awk -F: '/Absolute upper-left X/ {x = $2} /Absolute upper-left Y/ {y = $2}
        END {printf "%d %d\n", x, y}'
}

gui_desktop_origin() {
    local id
    id=$(gui_desktop_window) || true
    if [ -n "$id" ]; then
        gui_x_position "$id"
    else
        echo "0 0"
    fi
}

gui_to_x() {
    local ox oy
    read -r ox oy <<<"$(gui_desktop_origin)"
    echo "$(($1 + ox)) $(($2 + oy))"
}

# (xdotool's own --sync can wait for good when the pointer does not seem to move; this waits
# at most two seconds for the X server to report the new position.)
gui_move() {
    local x y i
    read -r x y <<<"$(gui_to_x "$1" "$2")"
    xdotool mousemove "$x" "$y"
    for ((i = 0; i < 20; i++)); do
        [ "$(xdotool getmouselocation | cut -d' ' -f1-2)" = "x:$x y:$y" ] && return 0
        sleep 0.1
    done
    gui_log "the pointer did not reach $x,$y"
}

gui_press() { xdotool mousedown "${1:-1}"; }
gui_release() { xdotool mouseup "${1:-1}"; }

gui_click() {
    gui_move "$1" "$2"
    xdotool click "${3:-1}"
}

gui_right_click() { gui_click "$1" "$2" 3; }

gui_drag() {
    if [ $# -lt 4 ] || [ $(($# % 2)) != 0 ]; then
        gui_fail "gui_drag needs at least two points"
    fi
    gui_move "$1" "$2"
    gui_press 1
    shift 2
    while [ $# -gt 0 ]; do
        gui_move "$1" "$2"
        shift 2
    done
    gui_release 1
}

# Keystrokes go to the X focus, which Wine moves to the X window of the window it activates.
# When it is anywhere else (a desktop window of an ending desktop process, the root), Wine never
# sees the keys: then the live desktop window takes it, and Wine passes keys on to its own
# foreground window.
gui_keyboard_ready() {
    local desk focus i
    desk=$(gui_desktop_window) || true
    [ -n "$desk" ] || return 0
    focus=$(xdotool getwindowfocus 2>/dev/null) || focus=
    if [ -n "$focus" ] && xwininfo -tree -id "$desk" 2>/dev/null |
        grep -qiE "^ *(0x0*$(printf '%x' "$focus")) |Window id: 0x0*$(printf '%x' "$focus") "; then
        return 0
    fi
    gui_log "X focus ${focus:-none} is outside the Wine desktop $desk; giving it to the desktop"
    xdotool windowfocus "$desk" 2>/dev/null || true
    for ((i = 0; i < 20; i++)); do
        [ "$(xdotool getwindowfocus 2>/dev/null)" = "$desk" ] && return 0
        sleep 0.1
    done
}

# What X sees, for failure reports: the focus and every Wine desktop window.
gui_x_state() {
    local id
    echo "X focus: $(xdotool getwindowfocus 2>/dev/null || echo none)"
    for id in $(xdotool search --name "$WINE_DESKTOP_TITLE" 2>/dev/null); do
        echo "desktop window $id: $(xwininfo -children -id "$id" 2>/dev/null | grep -c '^ *0x') X children"
    done
}

gui_type() {
    gui_keyboard_ready
    xdotool type --delay 40 -- "$1"
}

gui_key() {
    gui_keyboard_ready
    xdotool key --delay 40 -- "$@"
}

# ---------------------------------------------------------------------------------------------
# Waiting, screenshots, assertions

gui_screenshot() {
    bash "$WINE_HARNESS_DIR/screenshot.sh" "$1"
}

gui_wait_until() {
    local deadline=$((SECONDS + GUI_TIMEOUT))
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.1
    done
}

gui_window_is_foreground() {
    gui_inspect --class "$1" && [ "$(gui_field "$(gui_line window)" foreground)" = 1 ]
}

gui_focus_window() {
    local cx cy
    gui_inspect --class "$1" || return 1
    read -r cx cy <<<"$(gui_center "$(gui_field "$(gui_line window)" client)")"
    gui_click "$cx" "$cy"
    gui_wait_until gui_window_is_foreground "$1"
}

gui_wait_log() {
    gui_wait_until grep -sqE -- "$2" "$1"
}

gui_hex() {
    printf '%s' "$1" | iconv -f UTF-8 -t GBK | od -An -tx1 -v | tr -d ' \n' | tr a-f A-F
}

gui_fail() {
    local shot
    printf '[gui] FAIL: %s\n' "$*" >&2
    if [ -n "${GUI_INFO:-}" ]; then
        printf '[gui] last inspection:\n%s\n' "$GUI_INFO" >&2
    fi
    if [ -n "${DISPLAY:-}" ]; then
        gui_x_state | sed 's/^/[gui] /' >&2
    fi
    if [ -n "${DISPLAY:-}" ] && shot=$(gui_screenshot "${GUI_NAME:-gui}-failure" 2>/dev/null); then
        printf '[gui] screenshot: %s\n' "$shot" >&2
    fi
    [ -n "${GUI_DIR:-}" ] && printf '[gui] logs: %s\n' "$GUI_DIR" >&2
    exit 1
}

gui_pass() { printf '[gui] ok: %s\n' "$*" >&2; }

assert_eq() {
    [ "$1" = "$2" ] || gui_fail "$3: expected '$1', got '$2'"
}

assert_match() {
    [[ $2 =~ $1 ]] || gui_fail "$3: '$2' does not match '$1'"
}

assert_log() {
    gui_wait_log "$1" "$2" || gui_fail "$3: no line matching '$2' in $1 within ${GUI_TIMEOUT}s:
$(cat "$1")"
}

assert_no_log() {
    if grep -E -- "$2" "$1" >&2; then
        gui_fail "$3: the lines above of $1 match '$2'"
    fi
}
