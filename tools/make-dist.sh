#!/usr/bin/env bash
# Packs the i686 panel for Windows users: a zip with the program and its README, and an NSIS
# installer. usage: tools/make-dist.sh WIN32_BUILD_DIR OUT_DIR
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
win32=$1
out=$2
exe=$win32/app/HandwritingPanel.exe
[ -f "$exe" ] || { echo "make-dist: $exe is missing; build it with 'make win32'" >&2; exit 1; }
cache() { sed -n "s/^$1:[A-Z]*=//p" "$win32/CMakeCache.txt"; }
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$win32/CMakeCache.txt")
version=${version:-1.0.0}

stage=$out/HandwritingPanel-$version
rm -rf "$stage" && mkdir -p "$stage"
cp "$exe" "$stage/"
# Windows users read this in Notepad: CR LF line ends and a UTF-8 byte order mark.
sed -e "s/@SERVICE_HOST@/$(cache SERVICE_HOST)/" -e "s/@DICTIONARY_HOST@/$(cache DICTIONARY_HOST)/" \
  "$top/packaging/README-Windows.txt" | sed 's/$/\r/' | { printf '\xef\xbb\xbf'; cat; } \
  >"$stage/README-Windows.txt"

zip_file=$out/HandwritingPanel-$version-win32.zip
rm -f "$zip_file"
(cd "$out" && zip -q -r "$(basename "$zip_file")" "$(basename "$stage")")
echo "[dist] $zip_file"

if command -v makensis >/dev/null; then
  setup=$out/HandwritingPanel-$version-setup.exe
  makensis -V2 -DVERSION="$version" -DSOURCE_DIR="$stage" -DOUT_FILE="$setup" \
    "$top/packaging/installer.nsi" >"$out/makensis.log" 2>&1 || { cat "$out/makensis.log"; exit 1; }
  echo "[dist] $setup"
fi
