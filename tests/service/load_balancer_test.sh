#!/usr/bin/env bash
# nginx on loopback, with the shipped configuration, in front of two copies of the service; one
# copy is killed while requests flow, and every request must still be answered.
# usage: load_balancer_test.sh SERVICE NGINX_SITE_CONF
set -euo pipefail
service=$1 site=$2
nginx=$(command -v nginx || echo /usr/sbin/nginx)
[ -x "$nginx" ] || { echo "FAIL: nginx is not installed (make deps)" >&2; exit 1; }
work=$(mktemp -d)
chmod 755 "$work"  # nginx's workers run as nobody
pids=()
cleanup() {
  for p in "${pids[@]:0:2}"; do kill -9 "$p" 2>/dev/null || true; done
  # nginx's master stops its worker on TERM; a killed master would leave the worker behind.
  if [ -f "$work/nginx.pid" ]; then kill -TERM "$(cat "$work/nginx.pid")" 2>/dev/null || true; fi
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; for f in "$work"/*.log; do echo "--- $f"; tail -5 "$f"; done >&2; exit 1; }

start_copy() { # name; prints the port
  "$service" --listen 127.0.0.1 --port 0 --threads 2 --max-per-client 4096 >"$work/$1.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 300); do grep -q '^listening on' "$work/$1.log" && break; sleep 0.1; done
  sed -n 's/^listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$work/$1.log"
}
start_copy a >"$work/a.port"; pid_a=${pids[0]}
start_copy b >"$work/b.port"
port_a=$(cat "$work/a.port") port_b=$(cat "$work/b.port")
[ -n "$port_a" ] && [ -n "$port_b" ] || fail "the copies did not start"
edge=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')

# The shipped site, on loopback ports instead of 80, 8081 and 8082.
sed -e "s/127\.0\.0\.1:8081/127.0.0.1:$port_a/; s/127\.0\.0\.1:8082/127.0.0.1:$port_b/" \
    -e "s/^\( *\)listen 80;/\1listen 127.0.0.1:$edge;/" "$site" >"$work/site.conf"
grep -q "listen 127.0.0.1:$edge;" "$work/site.conf" || fail "the site's listen line changed"
mkdir -p "$work/temp"
cat >"$work/nginx.conf" <<CONF
daemon off;
worker_processes 1;
pid $work/nginx.pid;
error_log $work/nginx-error.log;
events { worker_connections 1024; }
http {
  access_log $work/nginx-access.log;
  client_body_temp_path $work/temp/body;
  proxy_temp_path $work/temp/proxy;
  fastcgi_temp_path $work/temp/fastcgi;
  uwsgi_temp_path $work/temp/uwsgi;
  scgi_temp_path $work/temp/scgi;
  include $work/site.conf;
}
CONF
"$nginx" -e "$work/nginx-error.log" -p "$work" -c "$work/nginx.conf" >"$work/nginx.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
  curl -s --max-time 1 "http://127.0.0.1:$edge/healthz" >/dev/null 2>&1 && break
  sleep 0.1
done
[ "$(curl -s --max-time 2 "http://127.0.0.1:$edge/healthz")" = ok ] || fail "nginx does not answer"

# Four clients, 60 requests each; copy a is killed once a quarter of them are answered.
total=240
client() { # number
  for i in $(seq 60); do
    code=$(curl -s -o "$work/reply-$1-$i" -w '%{http_code}' --max-time 10 \
      -H 'Content-Type: application/x-www-form-urlencoded' \
      --data-binary 'wd=10a20a13a20a16a24&type=1' "http://127.0.0.1:$edge/" || true)
    if [ "$code" = 200 ] && grep -q '\\u' "$work/reply-$1-$i"; then echo ok; else echo "failed $code"; fi
  done >"$work/client-$1.out"
}
clients=()
for c in 1 2 3 4; do client "$c" & clients+=($!); done
for _ in $(seq 200); do
  [ "$(cat "$work"/client-*.out 2>/dev/null | wc -l)" -ge $((total / 4)) ] && break
  sleep 0.05
done
kill -9 "$pid_a"
echo "copy a killed after $(cat "$work"/client-*.out | wc -l) of $total requests"
for c in "${clients[@]}"; do wait "$c"; done
answered=$(cat "$work"/client-*.out | grep -c '^ok$' || true)
served_a=$(grep -c ' POST / 200 ' "$work/a.log" || true)
served_b=$(grep -c ' POST / 200 ' "$work/b.log" || true)
echo "answered $answered of $total (copy a $served_a before it was killed, copy b $served_b)"
[ "$answered" = "$total" ] || fail "$((total - answered)) requests were not answered"
[ "$served_a" -gt 0 ] && [ "$served_b" -gt 0 ] || fail "nginx did not share the requests out"
echo "PASS"
