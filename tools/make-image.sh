#!/usr/bin/env bash
# Builds the recognition service's OCI image from a native build tree, with buildah, from
# scratch: the installed program and its model, and only the files of Debian's packages that
# the program loads (the dynamic loader, the libraries ldd names, glibc's two iconv converters
# the GBK coverage uses), so the image holds no shell and no package manager.
# usage: tools/make-image.sh NATIVE_BUILD_DIR OUT_DIR   (prints the archive's path last)
set -euo pipefail
build=$1 out=$2
say() { printf '[image] %s\n' "$*" >&2; }

# What the image promises; the Kubernetes manifests are checked against these.
port=8080
uid=65532
health_path=/healthz
data_dir=/usr/share/handwriting-service

for tool in buildah ldd readelf; do
  command -v "$tool" >/dev/null ||
    { say "$tool is not installed (tools/install-dependencies.sh installs it)"; exit 1; }
done

work=$(mktemp -d)
container=
store=(--root "$work/storage" --runroot "$work/run" --storage-driver vfs)
cleanup() {
  if [ -n "$container" ]; then buildah "${store[@]}" rm "$container" >/dev/null 2>&1 || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'say "failed: $BASH_COMMAND (its message is above)"' ERR

say "installing the service into a staging folder"
DESTDIR=$work/stage cmake --install "$build" --prefix /usr --strip >"$work/install.log" ||
  { cat "$work/install.log" >&2; say "cannot install the service from $build (build it first: make native)"; exit 1; }
program=$work/stage/usr/bin/handwriting-service
model=$work/stage$data_dir/recognition.model
[ -f "$model" ] || { say "the build has no recognition model (build the native tree first)"; exit 1; }
version=$("$program" --version | awk '{print $2}')

root=$work/root
mkdir -p "$root/usr/bin" "$root$data_dir" "$root/etc"
cp "$program" "$root/usr/bin/"
cp "$model" "$root$data_dir/"
# The user the service runs as, for tools that look the numbers up.
echo "handwriting:x:$uid:$uid:handwriting service:/nonexistent:/nonexistent" >"$root/etc/passwd"
echo "handwriting:x:$uid:" >"$root/etc/group"

# Debian's /usr is merged: /lib and /lib64 lead into it, as the loader's path expects.
for link in lib lib64; do
  if [ -L "/$link" ]; then ln -s "$(readlink "/$link")" "$root/$link"; fi
done
# One file, copied under the name the program asks for, in the real folder of that name.
take() { # path
  local folder
  folder=$(realpath "$(dirname "$1")")
  mkdir -p "$root$folder"
  cp -L "$1" "$root$folder/$(basename "$1")"
  taken+=("$(realpath "$1")")
}
taken=()
loader=$(readelf -l "$program" | sed -n 's/.*Requesting program interpreter: \(.*\)]/\1/p')
[ -n "$loader" ] || { say "the program names no dynamic loader"; exit 1; }
take "$loader"
libc=
for library in $(ldd "$program" | awk '$2 == "=>" && $3 ~ /^\// {print $3}'); do
  take "$library"
  case $(basename "$library") in libc.so.*) libc=$library ;; esac
done
# iconv loads its converters at run time, so ldd cannot name them: UTF-32LE to GBK takes
# glibc's UTF-32 and GBK modules. Without them every candidate would silently be dropped.
gconv=$(realpath "$(dirname "$libc")")/gconv
mkdir -p "$root$gconv"
for module in UTF-32 GBK; do
  take "$gconv/$module.so"
  cat "$gconv/gconv-modules" "$gconv"/gconv-modules.d/*.conf 2>/dev/null |
    awk -v m="$module" '$1 == "module" && $4 == m' >>"$root$gconv/gconv-modules"
done
# The Debian packages the files come from, for operators who scan images for them.
packages=$(for f in "${taken[@]}"; do dpkg -S "$f" 2>/dev/null || dpkg -S "${f#/usr}" 2>/dev/null || true; done |
  cut -d: -f1 | sort -u | while read -r p; do echo "$p=$(dpkg-query -W -f='${Version}' "$p")"; done | paste -sd' ')
say "the program, its model and ${#taken[@]} files of Debian's packages: $packages"

say "committing the image with buildah"
# A fixed date (the last commit's) gives the same digest for the same files.
created=$(git -C "$(dirname "$0")" log -1 --format=%ct 2>/dev/null || echo 0)
container=$(buildah "${store[@]}" from scratch)
buildah "${store[@]}" copy --quiet "$container" "$root" / >/dev/null
buildah "${store[@]}" config \
  --entrypoint "[\"/usr/bin/handwriting-service\", \"--listen\", \"0.0.0.0\", \"--port\", \"$port\", \"--data-dir\", \"$data_dir\"]" \
  --cmd '[]' --user "$uid:$uid" --workingdir / --port "$port/tcp" --stop-signal SIGTERM \
  --os linux --arch "$(dpkg --print-architecture)" --created-by "tools/make-image.sh" \
  --label org.opencontainers.image.title=handwriting-service \
  --label org.opencontainers.image.version="$version" \
  --label org.opencontainers.image.description="Handwriting recognition and dictionary service for the handwriting panel" \
  --label handwriting-service.health-path="$health_path" \
  --label handwriting-service.debian-packages="$packages" \
  "$container"
mkdir -p "$out"
archive=$out/handwriting-service_${version}.oci.tar
rm -f "$archive"
buildah "${store[@]}" commit --quiet --format oci --disable-compression=false --timestamp "$created" \
  "$container" "oci-archive:$archive:handwriting-service:$version" >/dev/null

index=$(tar -xOf "$archive" index.json)
digest=$(printf '%s' "$index" | sed -n 's/.*"digest":"\(sha256:[0-9a-f]*\)".*/\1/p')
mib() { awk -v b="$1" 'BEGIN {printf "%.1f MiB", b / 1048576}'; }
size=$(stat -c %s "$archive")
unpacked=$(du -sb "$root" | cut -f1)
say "built $archive: $(mib "$size") ($(mib "$unpacked") unpacked), digest $digest"
echo "$archive"
