#!/usr/bin/env bash
# The service as a Linux machine gets it: installed with DESTDIR, started the way its systemd
# unit starts it (clean environment, root folder, an unprivileged user), answering from the
# installed model; then its Debian package installed with dpkg into a private root, answering
# from there, and removed again.
# usage: install_test.sh NATIVE_BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1 source=$2
work=$(mktemp -d)
chmod 755 "$work"  # the unprivileged service must reach the installed files
pid=
cleanup() {
  if [ -n "$pid" ]; then kill -9 "$pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# Starts "$@" as the unit would, on a free loopback port (options given later win), and waits
# for its start line; sets pid and port.
start_as_systemd_would() {
  local log=$1; shift
  (cd / && exec env -i PATH=/usr/bin:/bin setpriv --reuid=nobody --regid=nogroup --clear-groups \
     "$@" --listen 127.0.0.1 --port 0 >"$log" 2>&1) &
  pid=$!
  for _ in $(seq 300); do grep -q '^listening on' "$log" && break; sleep 0.1; done
  port=$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$log")
  [ -n "$port" ] || { cat "$log"; fail "the installed service did not start"; }
}

# A recognition request and the health question; both must be answered.
answers() {
  local reply
  reply=$(curl -sS --max-time 5 --data-binary 'wd=10a20a13a20a16a24&type=1' "http://127.0.0.1:$port/")
  case $reply in *'\u'*) ;; *) fail "no candidates from the installed service: $reply" ;; esac
  [ "$(curl -sS --max-time 5 "http://127.0.0.1:$port/healthz")" = ok ] || fail "/healthz"
}

stop_cleanly() {
  kill -TERM "$pid"
  local status=0
  wait "$pid" || status=$?
  pid=
  [ "$status" = 0 ] || fail "the service exited with $status on SIGTERM"
}

echo "== make install with DESTDIR"
stage=$work/stage
DESTDIR=$stage cmake --install "$build" --prefix /usr >"$work/install.log"
for f in usr/bin/handwriting-service usr/share/handwriting-service/recognition.model \
  usr/lib/systemd/system/handwriting-service.service usr/lib/systemd/system/handwriting-service@.service \
  usr/share/handwriting-service/nginx/nginx-handwriting-service.conf; do
  [ -f "$stage/$f" ] || fail "$f was not installed"
done
unit=$stage/usr/lib/systemd/system/handwriting-service.service
exec_start=$(sed -n 's/^ExecStart=//p' "$unit")
[ "${exec_start%% *}" = /usr/bin/handwriting-service ] || fail "the unit starts $exec_start"
for setting in DynamicUser=yes AmbientCapabilities=CAP_NET_BIND_SERVICE \
  CapabilityBoundingSet=CAP_NET_BIND_SERVICE ProtectSystem=strict Restart=on-failure; do
  grep -qx "$setting" "$unit" || fail "the unit lacks $setting"
done
grep -q -- '--port %i' "$stage/usr/lib/systemd/system/handwriting-service@.service" ||
  fail "the template unit does not take its port from the instance name"

# systemd ignores a setting it cannot read, with only a warning: a misspelt protection would
# silently be no protection. Its own reader finds them (file:line warnings), where it is here.
if command -v systemd-analyze >/dev/null; then
  mkdir -p "$work/units"
  cp "$unit" "$work/units/"
  cp "$stage/usr/lib/systemd/system/handwriting-service@.service" "$work/units/handwriting-service@8081.service"
  for u in "$work"/units/*.service; do
    if systemd-analyze verify "$u" 2>&1 | grep -E '\.service:[0-9]+:'; then fail "$(basename "$u") has settings systemd ignores"; fi
  done
fi

echo "== the installed program, started as its unit starts it"
# shellcheck disable=SC2086  # the unit's command line splits on spaces, as systemd splits it
start_as_systemd_would "$work/installed.log" "$stage"$exec_start
grep -q "(model $stage/usr/bin/../share/handwriting-service/recognition.model" "$work/installed.log" ||
  fail "not the installed model: $(head -1 "$work/installed.log")"
answers
stop_cleanly

echo "== the Debian package, installed by dpkg into a private root"
deb=$("$source/tools/make-deb.sh" "$build" "$work/deb" | tail -1)
dpkg-deb --field "$deb" Package | grep -qx handwriting-service || fail "package name"
dpkg-deb --field "$deb" Depends | grep -q "libc6 (>= " || fail "no dependency on the C library"
root=$work/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
# The private root holds no other packages, so its dependencies are met by the machine's.
dpkg_private=(dpkg --root="$root" --force-depends --force-not-root)
"${dpkg_private[@]}" -i "$deb" >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "dpkg -i"; }
"${dpkg_private[@]}" -s handwriting-service | grep -q '^Status: install ok installed' ||
  fail "dpkg does not list the package as installed"
start_as_systemd_would "$work/packaged.log" "$root/usr/bin/handwriting-service"
grep -q "(model $root/usr/bin/../share/handwriting-service/recognition.model" "$work/packaged.log" ||
  fail "not the packaged model: $(head -1 "$work/packaged.log")"
answers
stop_cleanly
"${dpkg_private[@]}" -r handwriting-service >>"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "dpkg -r"; }
[ ! -e "$root/usr/bin/handwriting-service" ] || fail "dpkg -r left the program behind"
echo "PASS"
