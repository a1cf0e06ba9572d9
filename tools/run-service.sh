#!/usr/bin/env bash
# Starts the recognition service on 127.0.0.1:80 in the background (for `make run`), waits
# until it answers, and says where it logs. Stop it with tools/stop-service.sh.
# usage: tools/run-service.sh [BUILD_ROOT]   (default: ./build; the program is in native/)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
native=$build/native
program=$native/service/handwriting-service
log=$native/service.log
pidfile=$native/service.pid
host=127.0.0.1 port=80

say() { printf '[service] %s\n' "$*" >&2; }

answers() { # a dictionary request for 中 (GBK D6 D0) comes back with a status line
  { exec 3<>"/dev/tcp/$host/$port"; } 2>/dev/null || return 1
  printf 'GET /Common/XinHuaZiDian/Default.aspx?MatchAll=False&Keyword=\xd6\xd0,,,,,,, HTTP/1.0\r\n\r\n' >&3
  local status
  IFS= read -r -t 5 status <&3 || true
  exec 3<&- 3>&-
  [[ $status == HTTP/1.* ]]
}

ours_running() {
  [ -f "$pidfile" ] && kill -0 "$(cat "$pidfile")" 2>/dev/null &&
    tr '\0' ' ' <"/proc/$(cat "$pidfile")/cmdline" 2>/dev/null | grep -q handwriting-service
}

if [ ! -x "$program" ]; then
  say "$program is not built (make native)"
  exit 1
fi
if ours_running && answers; then
  say "already running (pid $(cat "$pidfile")) on $host:$port; log: $log"
  exit 0
fi

nohup "$program" --listen "$host" --port "$port" >>"$log" 2>&1 </dev/null &
pid=$!
echo "$pid" >"$pidfile"
for _ in $(seq 150); do
  if ! kill -0 "$pid" 2>/dev/null; then
    rm -f "$pidfile"
    say "the service did not start:"
    tail -n 5 "$log" >&2
    exit 1
  fi
  if answers; then
    say "running (pid $pid) on $host:$port; log: $log"
    exit 0
  fi
  sleep 0.2
done
say "the service does not answer on $host:$port after 30 s; log: $log"
exit 1
