#!/usr/bin/env bash
# Starts or stops the Wine session of a test run: an Xvfb display, the private prefix (created
# once, with a 1920x1080 virtual desktop shared by all programs and CJK font replacements) and
# a persistent wineserver.
#
# usage: WINE_BUILD_DIR=build/win64 session.sh start|stop|status
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=wine-env.sh
. "$here/wine-env.sh"
mkdir -p "$WINE_SESSION_DIR" "$SCREENSHOT_DIR"

log() { printf '[wine-session] %s\n' "$*" >&2; }

xvfb_alive() {
  [ -f "$WINE_SESSION_DIR/xvfb.pid" ] && kill -0 "$(cat "$WINE_SESSION_DIR/xvfb.pid")" 2>/dev/null
}

start_xvfb() {
  local fifo=$WINE_SESSION_DIR/displayfd
  rm -f "$fifo" "$WINE_SESSION_DIR/display"
  mkfifo "$fifo"
  # -displayfd picks a free display number, so parallel builds never collide.
  Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -ac 3>"$fifo" \
    >"$WINE_SESSION_DIR/xvfb.log" 2>&1 &
  echo $! >"$WINE_SESSION_DIR/xvfb.pid"
  local n
  read -r -t 30 n <"$fifo" || { log "Xvfb did not start; see $WINE_SESSION_DIR/xvfb.log"; exit 1; }
  rm -f "$fifo"
  echo ":$n" >"$WINE_SESSION_DIR/display"
  export DISPLAY=:$n
  log "Xvfb on $DISPLAY"
}

font_replacements() {
  local font="WenQuanYi Micro Hei"
  local reg=$WINE_SESSION_DIR/setup.reg
  # Faces the panel and the system ask for by name resolve to the installed CJK font.
  {
    printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]\r\n"Desktop"="Default"\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]\r\n"Default"="1920x1080"\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
    for face in "宋体" "SimSun" "新宋体" "NSimSun" "MS Shell Dlg" "MS Shell Dlg 2" "Tahoma" \
                "Microsoft YaHei" "微软雅黑" "SimHei" "黑体" "MS Sans Serif"; do
      printf '"%s"="%s"\r\n' "$face" "$font"
    done
    printf '\r\n'
  } | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } >"$reg"
  wine regedit /S "$(winepath -w "$reg" 2>/dev/null)" >/dev/null 2>&1
}

create_prefix() {
  if [ -f "$WINEPREFIX/.harness-ready" ]; then return; fi
  log "creating the Wine prefix $WINEPREFIX (once per build folder; takes a minute)"
  rm -rf "$WINEPREFIX"
  wineboot -i >"$WINE_SESSION_DIR/wineboot.log" 2>&1 || true
  wineserver -w
  font_replacements
  wineserver -w
  touch "$WINEPREFIX/.harness-ready"
}

case "${1:-}" in
  start)
    exec 9>"$WINE_SESSION_DIR/lock"
    flock 9
    if xvfb_alive && [ -f "$WINE_SESSION_DIR/display" ]; then
      log "already running on $(cat "$WINE_SESSION_DIR/display")"
      exit 0
    fi
    start_xvfb
    create_prefix
    # A persistent wineserver keeps start-up of each test program short.
    wineserver -p </dev/null >/dev/null 2>&1
    log "ready: DISPLAY=$DISPLAY WINEPREFIX=$WINEPREFIX screenshots in $SCREENSHOT_DIR"
    ;;
  stop)
    wineserver -k 2>/dev/null || true
    if xvfb_alive; then kill "$(cat "$WINE_SESSION_DIR/xvfb.pid")" 2>/dev/null || true; fi
    rm -f "$WINE_SESSION_DIR/xvfb.pid" "$WINE_SESSION_DIR/display"
    ;;
  status)
    if xvfb_alive; then echo "running on $(cat "$WINE_SESSION_DIR/display")"; else echo stopped; exit 1; fi
    ;;
  *)
    echo "usage: session.sh start|stop|status" >&2
    exit 2
    ;;
esac
