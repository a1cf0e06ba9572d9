#!/usr/bin/env bash
# Packs the release for Windows users: the i686 panel, the x86_64 recognition service with its
# model, the i686 service for 32-bit Windows (x86\, which the installer puts in the x86_64
# one's place there), and a README, as a zip and as an NSIS installer (one file).
# usage: tools/make-dist.sh WIN32_BUILD_DIR OUT_DIR MODEL WIN64_BUILD_DIR
#   MODEL: the recognition model the native build unpacked (build/native/model/recognition.model)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
win32=$1
mkdir -p "$2"
out=$(cd "$2" && pwd)
exe=$win32/app/HandwritingPanel.exe
service32=$win32/service/HandwritingService.exe
model=${3:?usage: make-dist.sh WIN32_BUILD_DIR OUT_DIR MODEL WIN64_BUILD_DIR}
service=${4:?usage: make-dist.sh WIN32_BUILD_DIR OUT_DIR MODEL WIN64_BUILD_DIR}/service/HandwritingService.exe
for f in "$exe" "$service" "$service32" "$model"; do
  [ -f "$f" ] || { echo "make-dist: $f is missing; 'make dist' builds it" >&2; exit 1; }
done
cache() { sed -n "s/^$1:[A-Z]*=//p" "$win32/CMakeCache.txt"; }
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$win32/CMakeCache.txt")
version=${version:-1.0.0}

stage=$out/HandwritingPanel-$version
zip_file=$out/HandwritingPanel-$version-win32.zip
setup=$out/HandwritingPanel-$version-setup.exe
size() { echo "$(du -k "$1" | cut -f1) KiB"; }

# Packing the model takes most of a minute; `make test` asks for the release every run.
inputs=("$exe" "$service" "$service32" "$model" "$win32/CMakeCache.txt" "$top/packaging/README-Windows.txt"
  "$top/packaging/installer.nsi" "$0")
fresh=1
for made in "$zip_file" "$setup"; do
  [ -f "$made" ] || fresh=0
  for f in "${inputs[@]}"; do [ "$made" -nt "$f" ] || fresh=0; done
done
if [ "$fresh" = 1 ]; then
  echo "[dist] up to date: $zip_file ($(size "$zip_file")), $setup ($(size "$setup"))"
  exit 0
fi

rm -rf "$stage" && mkdir -p "$stage/x86"
cp "$exe" "$service" "$stage/"
cp "$service32" "$stage/x86/"
cp "$model" "$stage/recognition.model"
# Windows users read this in Notepad: CR LF line ends and a UTF-8 byte order mark.
sed -e "s/@SERVICE_HOST@/$(cache SERVICE_HOST)/" -e "s/@DICTIONARY_HOST@/$(cache DICTIONARY_HOST)/" \
  "$top/packaging/README-Windows.txt" | sed 's/$/\r/' | { printf '\xef\xbb\xbf'; cat; } \
  >"$stage/README-Windows.txt"

rm -f "$zip_file"
(cd "$out" && zip -q -r "$(basename "$zip_file")" "$(basename "$stage")")
echo "[dist] $zip_file ($(size "$zip_file"))"

if command -v makensis >/dev/null; then
  makensis -V2 -DVERSION="$version" -DSOURCE_DIR="$stage" -DOUT_FILE="$setup" \
    "$top/packaging/installer.nsi" >"$out/makensis.log" 2>&1 || { cat "$out/makensis.log"; exit 1; }
  echo "[dist] $setup ($(size "$setup"))"
fi
