#!/usr/bin/env bash
# The service's OCI image, run as a container runtime would run it. These machines build
# images but cannot run containers, so the built image is unpacked with umoci and its entry
# point started as its configuration says (user, working folder, command, environment), with
# the Deployment's arguments after it as the cluster gives them, in a private root (unshare's
# --root is chroot) on a read-only copy of its files, inside private network and mount
# namespaces and as process 1 of its own process namespace. It must answer /healthz, the
# recognition of 中 and the dictionary page exactly as the build's own program does, then, sent
# SIGTERM from outside with a request under way, answer that request and exit 0. The Kubernetes
# manifests are then checked against the image's port, health path and user.
# usage: image_test.sh NATIVE_BUILD_DIR SOURCE_DIR PAD_STROKE_TEXT HANZI_DATA_DIR
# Exits 77 (skipped) where the image cannot be built or run here, and says why.
set -euo pipefail
build=$1 source=$2 pad_stroke_text=$3 hanzi_data=$4
skip() { echo "SKIP: $*"; exit 77; }
fail() { echo "FAIL: $*" >&2; exit 1; }

for tool in buildah umoci; do
  command -v "$tool" >/dev/null ||
    skip "$tool is not installed, so the image cannot be built here (tools/install-dependencies.sh installs it)"
done
unshare --net --mount --pid --fork true 2>/dev/null ||
  skip "this machine refuses private namespaces, so the image's contents cannot be run here"

work=$(mktemp -d)
chmod 755 "$work"  # the image's unprivileged user must reach its files
trap 'rm -rf "$work"' EXIT

echo "== building the image"
archive=$("$source/tools/make-image.sh" "$build" "$work/out" | tail -1)
mkdir "$work/layout"
tar -xf "$archive" -C "$work/layout"
ref=$(sed -n 's/.*"org.opencontainers.image.ref.name":"\([^"]*\)".*/\1/p' "$work/layout/index.json")
[ -n "$ref" ] || fail "the archive's index names no image"
# The image's own configuration (ports, user, labels), for the manifests' check below.
manifest=$(sed -n 's/.*"digest":"sha256:\([0-9a-f]*\)".*/\1/p' "$work/layout/index.json")
config=$(sed -n 's/.*"config":{[^}]*"digest":"sha256:\([0-9a-f]*\)".*/\1/p' "$work/layout/blobs/sha256/$manifest")
image_config=$work/layout/blobs/sha256/$config
[ -f "$image_config" ] || fail "the image's manifest names no configuration"

echo "== unpacking it with umoci"
umoci unpack --image "$work/layout:$ref" "$work/bundle" >"$work/umoci.log" 2>&1 ||
  { cat "$work/umoci.log"; fail "umoci unpack"; }
chmod 755 "$work/bundle"
# The runtime configuration umoci wrote from the image's: how a runtime would start it, with
# the arguments the Deployment gives it.
read_process() {
  /usr/bin/python3 - "$work/bundle/config.json" "$source/packaging/kubernetes/deployment.yaml" <<'PY'
import json, shlex, sys, yaml
p = json.load(open(sys.argv[1]))["process"]
# The cluster adds the Deployment's arguments to the image's entry point.
deployment = yaml.safe_load(open(sys.argv[2]))
args = p["args"] + deployment["spec"]["template"]["spec"]["containers"][0].get("args", [])
print("uid=%d gid=%d" % (p["user"]["uid"], p["user"]["gid"]))
print("cwd=" + shlex.quote(p["cwd"]))
print("args=(" + " ".join(shlex.quote(a) for a in args) + ")")
print("env=(" + " ".join(shlex.quote(e) for e in p.get("env", [])) + ")")
PY
}
eval "$(read_process)"  # sets uid, gid, cwd, args and env
# shellcheck disable=SC2154  # args, from the eval
echo "command: ${args[*]} as $uid:$gid in $cwd, environment: ${env[*]:-none}"
[ "$uid" != 0 ] || fail "the image runs as root"
size=$(stat -c %s "$archive")
[ "$size" -le $((20 * 1048576)) ] || fail "the image is $size bytes, over 20 MiB"

# What the build's own program answers: the image must give the same bytes.
inner=$("$pad_stroke_text" "$hanzi_data" 中)
printf 'wd=%s&type=1' "$inner" >"$work/recognition.body"
dictionary_path='/Common/XinHuaZiDian/Default.aspx?MatchAll=False&Keyword=%D6%D0,,,,,,,'

echo "== running the entry point in a private root"
export work cwd uid gid dictionary_path
unshare --net --mount --pid --fork --mount-proc bash -s "$build" "${args[@]}" -- "${env[@]}" <<'INSIDE' ||
set -euo pipefail
build=$1; shift
args=(); while [ "$1" != -- ]; do args+=("$1"); shift; done; shift
env=("$@")
fail() { echo "FAIL: $*" >&2; for f in "$work"/*.log; do echo "--- $f"; tail -20 "$f"; done >&2; exit 1; }
trap 'fail "line $LINENO of the private root'"'"'s part failed: $BASH_COMMAND"' ERR
ip link set lo up
rootfs=$work/bundle/rootfs
# Mount points a runtime provides, then the root made read-only, as the manifests ask.
mkdir -p "$rootfs/proc" "$rootfs/dev"
mount --bind "$rootfs" "$rootfs"
mount -o remount,bind,ro "$rootfs"
mount -t proc proc "$rootfs/proc"

wait_for_listening() { # log
  for _ in $(seq 300); do grep -q '^listening on' "$1" && return; sleep 0.1; done
  fail "no listening line in $1"
}
"$build/service/handwriting-service" --listen 127.0.0.1 --port 8081 \
  --model "$build/model/recognition.model" >"$work/reference.log" 2>&1 &
reference=$!
# The entry point as process 1 of a process namespace of its own, as in a container: signals
# reach process 1 only where it takes them.
env -i "${env[@]}" unshare --pid --fork --kill-child --root="$rootfs" --wd="$cwd" \
  --setuid="$uid" --setgid="$gid" -- "${args[@]}" >"$work/image.log" 2>&1 &
image=$!
wait_for_listening "$work/reference.log"
wait_for_listening "$work/image.log"
service=$(cat "/proc/$image/task/$image/children")
service=${service%% *}
grep -q '^listening on 0\.0\.0\.0:8080 ' "$work/image.log" || fail "the image does not listen on 0.0.0.0:8080"

ask() { # port path [body file]
  local data=()
  if [ -n "${3:-}" ]; then data=(-H 'Content-Type: application/x-www-form-urlencoded' --data-binary "@$3"); fi
  curl -sS --max-time 10 --fail "${data[@]}" "http://127.0.0.1:$1$2"
}
[ "$(ask 8080 /healthz)" = ok ] || fail "/healthz"
ask 8080 / "$work/recognition.body" >"$work/image.reply"
ask 8081 / "$work/recognition.body" >"$work/reference.reply"
grep -q '^{"c":"\\u4e2d' "$work/image.reply" || fail "中 is not the first candidate: $(cat "$work/image.reply")"
cmp -s "$work/image.reply" "$work/reference.reply" ||
  fail "the image's candidates differ: $(cat "$work/image.reply") against $(cat "$work/reference.reply")"
ask 8080 "$dictionary_path" >"$work/image.page"
ask 8081 "$dictionary_path" >"$work/reference.page"
[ -s "$work/image.page" ] && cmp -s "$work/image.page" "$work/reference.page" ||
  fail "the image's dictionary page differs from the build's"
grep -q ' POST / 200 ' "$work/image.log" || fail "the image logs no request on standard output"
echo "answers: /healthz ok, 中 $(cut -c1-40 "$work/image.reply")..., dictionary page $(stat -c %s "$work/image.page") bytes, as the build's"

# SIGTERM from outside, as the runtime sends it, while a request is under way: its last bytes
# come after the signal, and it must still be answered before the service exits 0.
/usr/bin/python3 - "$work/recognition.body" "$service" >"$work/drained.reply" <<'PY'
import os, signal, socket, sys, time
body = open(sys.argv[1], "rb").read()
head = (b"POST / HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n"
        b"Content-Type: application/x-www-form-urlencoded\r\nContent-Length: %d\r\n\r\n" % len(body))
connection = socket.create_connection(("127.0.0.1", 8080), timeout=10)
connection.sendall(head + body[:-6])
time.sleep(0.2)
os.kill(int(sys.argv[2]), signal.SIGTERM)
time.sleep(0.3)
connection.sendall(body[-6:])
reply = b""
while chunk := connection.recv(65536):
    reply += chunk
sys.stdout.buffer.write(reply)
PY
status=0
wait "$image" || status=$?
grep -q '^HTTP/1.1 200 ' "$work/drained.reply" && grep -q '\\u4e2d' "$work/drained.reply" ||
  fail "the request under way at SIGTERM was not answered: $(head -c 200 "$work/drained.reply")"
[ "$status" = 0 ] || fail "the image's service exited with $status on SIGTERM"
grep -q '^stopped$' "$work/image.log" || fail "the image's service did not say it stopped"
kill -TERM "$reference"; wait "$reference" || true
echo "SIGTERM to process 1: the request under way answered, then it exited 0"
INSIDE
  exit 1

echo "== the Kubernetes manifests against the image"
/usr/bin/python3 "$source/tests/service/kubernetes_manifests_check.py" \
  "$source/packaging/kubernetes" --image-config "$image_config"
echo "PASS"
