# Sourced by the harness scripts: the environment every Windows program of the tests runs in.
# Needs WINE_BUILD_DIR (the build folder that owns the prefix and the session).
: "${WINE_BUILD_DIR:?WINE_BUILD_DIR must name the build folder}"
# Wine wants an absolute prefix; the session files are found the same way from any folder.
WINE_BUILD_DIR=$(realpath -m "$WINE_BUILD_DIR")
export WINE_BUILD_DIR
export WINE_SESSION_DIR=$WINE_BUILD_DIR/wine-session
export WINEPREFIX=$WINE_BUILD_DIR/wineprefix
export WINEARCH=win64
# A build configured with WINE_ROOT (the i686 build) runs its programs with the Wine of that
# Debian root (32-bit programs through WoW64); the links in root-bin/ stand in for wine,
# wineserver, wineboot and winepath. WINE_ROOT in the environment wins over the build's; a
# folder without a build uses the root its session was started with.
if [ -z "${WINE_ROOT:-}" ] && [ -f "$WINE_BUILD_DIR/CMakeCache.txt" ]; then
    WINE_ROOT=$(sed -n 's/^WINE_ROOT:PATH=//p' "$WINE_BUILD_DIR/CMakeCache.txt")
elif [ -z "${WINE_ROOT:-}" ] && [ -f "$WINE_SESSION_DIR/wine-root" ]; then
    WINE_ROOT=$(cat "$WINE_SESSION_DIR/wine-root")
fi
if [ -n "${WINE_ROOT:-}" ]; then
    export WINE_ROOT
    _root_bin=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/root-bin
    case ":$PATH:" in
    *":$_root_bin:"*) ;;
    *) export PATH=$_root_bin:$PATH ;;
    esac
    unset _root_bin
fi
# Code page 936 needs a generated zh_CN.UTF-8 locale (tools/install-dependencies.sh makes it).
export LC_ALL=zh_CN.UTF-8
export LANG=zh_CN.UTF-8
unset LANGUAGE
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko: the tests need neither, and their installers would pop up dialogs. No
# menu builder either: it writes desktop entries for the host.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}
export SCREENSHOT_DIR=$WINE_BUILD_DIR/screenshots
# The title of Wine's virtual desktop X window (xdotool search --name): "Default - Wine desktop"
# in Wine 8; Wine 10 translates it for the zh_CN locale.
WINE_DESKTOP_TITLE=' - Wine desktop$|^Wine 桌面$'

if [ -f "$WINE_SESSION_DIR/display" ]; then
    DISPLAY=$(cat "$WINE_SESSION_DIR/display")
    export DISPLAY
    unset WAYLAND_DISPLAY
fi

# The wineserver processes that serve a prefix: the prefix's own server holds its folder open,
# other sessions' servers do not. (Compared by device and inode: a server in the Wine root sees
# the folder through a mount of its own, whose path the host does not resolve.)
wineserver_pids() {
    local proc fd want
    want=$(stat -c %d:%i "$1" 2>/dev/null) || return 0
    for proc in /proc/[0-9]*; do
        case $(cat "$proc/comm" 2>/dev/null) in
        wineserver*)
            for fd in "$proc"/fd/*; do
                if [ -d "$fd" ] && [ "$(stat -L -c %d:%i "$fd" 2>/dev/null)" = "$want" ]; then
                    echo "${proc#/proc/}"
                    break
                fi
            done
            ;;
        esac
    done
}
