#!/usr/bin/env bash
# Builds the Debian package of the recognition service from a native build tree: the tree
# installed under /usr into a staging folder, a control file whose dependencies are the
# packages holding the libraries the program links, then dpkg-deb.
# usage: tools/make-deb.sh NATIVE_BUILD_DIR OUT_DIR   (prints the package's path last)
set -euo pipefail
build=$1 out=$2
say() { printf '[deb] %s\n' "$*" >&2; }

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
root=$stage/root
say "installing the service into a staging folder"
DESTDIR=$root cmake --install "$build" --prefix /usr --strip >"$stage/install.log" ||
  { cat "$stage/install.log" >&2; exit 1; }
program=$root/usr/bin/handwriting-service
[ -f "$root/usr/share/handwriting-service/recognition.model" ] ||
  { say "the build has no recognition model to package (build the native tree first)"; exit 1; }

version=$("$program" --version | awk '{print $2}')
arch=$(dpkg --print-architecture)
depends=()
for library in $(ldd "$program" | awk '$2 == "=>" && $3 ~ /^\// {print $3}'); do
  package=$(dpkg -S "$library" 2>/dev/null || dpkg -S "$(realpath "$library")" 2>/dev/null || true)
  package=${package%%:*}
  [ -n "$package" ] || { say "no Debian package holds $library"; exit 1; }
  depends+=("$package (>= $(dpkg-query -W -f='${Version}' "$package"))")
done
depends_line=$(printf '%s\n' "${depends[@]}" | sort -u | paste -sd, | sed 's/,/, /g')

mkdir -p "$root/DEBIAN"
cat >"$root/DEBIAN/control" <<CONTROL
Package: handwriting-service
Version: $version
Architecture: $arch
Maintainer: Handwriting panel developers <handwriting-panel@localhost>
Section: misc
Priority: optional
Depends: $depends_line
Installed-Size: $(du -sk "$root/usr" | cut -f1)
Description: handwriting recognition and dictionary service for the handwriting panel
 Answers the handwriting panel's recognition requests (stroke data in, candidate
 characters out) and its character dictionary page (pinyin and Wubi) over HTTP.
 Start it with: systemctl enable --now handwriting-service
 For several copies behind nginx see /usr/share/handwriting-service/nginx/.
CONTROL

mkdir -p "$out"
# gzip: the model's numbers hardly compress, and xz would spend a minute finding that out.
package=$out/handwriting-service_${version}_${arch}.deb
dpkg-deb --root-owner-group -Zgzip -z6 --build "$root" "$package" >&2
say "built $package ($(du -h "$package" | cut -f1))"
echo "$package"
