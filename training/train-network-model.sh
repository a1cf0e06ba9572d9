#!/bin/sh
# Makes the network model from its recipe (network-model.conf) in OUT_DIR: the native tree's
# stream_plane_samples writes fresh synthetic samples on one core while Debian's python3-torch
# trains on both, then attach_network_prior gives the model its prior and its provenance (the
# recipe's hash, the commit, the versions of the data and of PyTorch), and the model is packed
# as OUT_DIR/recognition-model.tar.xz. The repository's archive is left alone: `make
# model-replace` puts this one in its place. Hours on this project's two-core machines; an
# interrupted run goes on from its last finished pass when started again, and ends with the
# same model as a run never interrupted.
#
# The packages it needs come from tools/install-training-dependencies.sh (`make model` runs it);
# this script installs nothing. Where the machine's versions of the data or of PyTorch are not
# those the recipe names (its `expects` lines), it says so before and after: the model then
# differs from the one the recipe made.
#
# usage: training/train-network-model.sh NATIVE_BUILD_DIR OUT_DIR [RECIPE]
set -eu
usage="usage: $0 NATIVE_BUILD_DIR OUT_DIR [RECIPE]"
native=$(cd "${1:?$usage}" && pwd)
mkdir -p "${2:?$usage}"
out=$(cd "$2" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
recipe_file=${3:-$here/network-model.conf}
conf=$(cd "$(dirname "$recipe_file")" && pwd)/$(basename "$recipe_file")
say() { echo "[network] $*" >&2; }

if ! /usr/bin/python3 -c 'import torch, numpy' 2>/dev/null; then
    say "PyTorch or NumPy is missing: run tools/install-training-dependencies.sh (make model does)"
    exit 1
fi
if [ ! -e /usr/lib/x86_64-linux-gnu/openblas-pthread/libblas.so.3 ]; then
    say "OpenBLAS is missing (training would take many times longer): run" \
        "tools/install-training-dependencies.sh (make model does)"
    exit 1
fi
data=$(sed -n 's/^HANZI_WRITER_DATA_DIR:PATH=//p' "$native/CMakeCache.txt")
work="$out/training"
mkdir -p "$work"

# The versions here of what shapes the model beside the code.
version_of() { # package
    if [ "$1" = hanzi-writer-data ]; then
        sed -n 's/^ *"version": *"\([^"]*\)".*/\1/p' "$data/package.json" 2>/dev/null | head -1
    else
        dpkg-query -W -f='${Version}' "$1" 2>/dev/null || true
    fi
}
setting() { # file name
    sed -n "s/^$2[[:space:]]*=[[:space:]]*\([^#]*\).*/\1/p" "$1" | sed 's/[[:space:]]*$//' | tail -1
}
expected=$(sed -n 's/^expects[[:space:]]\{1,\}\([^[:space:]=]\{1,\}\)[[:space:]]*=[[:space:]]*\([^[:space:]#]\{1,\}\).*/\1 \2/p' "$conf")
# The Debian packages of the files the recipe reads: the word counts, the traditional forms'
# table, the hands' fonts.
files="$(setting "$conf" character_frequencies) $(setting "$conf" traditional_forms)"
for recipe in $(setting "$conf" recipes); do
    recipe=${recipe%@*}
    case $recipe in /*) ;; *) recipe="$(dirname "$conf")/$recipe" ;; esac
    files="$files $(setting "$recipe" glyph_font)"
done
packages=$(echo "$expected" | cut -d' ' -f1)
unnamed=
for file in $files; do
    package=$(dpkg-query -S "$file" 2>/dev/null | head -1 | cut -d: -f1) || true
    if [ -z "$package" ]; then
        say "warning: the recipe reads $file, which no Debian package here holds: its version is not recorded"
    elif ! echo "$packages" | grep -qx "$package"; then
        packages="$packages
$package"
        unnamed="$unnamed $package"
    fi
done
[ -z "$unnamed" ] || say "warning: the recipe reads files of$unnamed but names no version of them" \
    "(an 'expects PACKAGE = VERSION' line each in $(basename "$conf"))"

# What the recipe expects and what is here.
differences='' differing=''
while read -r package version; do
    [ -n "$package" ] || continue
    found=$(version_of "$package")
    if [ "$found" != "$version" ]; then
        differences="$differences
[network]   $package: ${found:-not installed} here, the recipe names $version"
        differing="$differing $package"
    fi
done <<EOF
$expected
EOF
warn() {
    [ -n "$differences" ] || return 0
    say "WARNING: this machine has other versions than the recipe ($(basename "$conf")) names:$differences"
    say "the model made here differs from the one the recipe made; its provenance records the versions"
}
if [ -n "$differences" ]; then warn; else say "the data and PyTorch are the versions the recipe names"; fi

provenance="$work/provenance.txt"
{
    echo "recipe = $(basename "$conf") $(/usr/bin/python3 "$here/train_network_model.py" --fingerprint "$conf")"
    commit=$(git -C "$here" rev-parse HEAD 2>/dev/null || echo "unknown (not a git checkout)")
    if [ -n "$(git -C "$here" status --porcelain --untracked-files=no 2>/dev/null)" ]; then
        commit="$commit (with changes not committed)"
    fi
    echo "commit = $commit"
    for package in $packages; do
        found=$(version_of "$package")
        echo "$package = ${found:-not installed}"
    done
    echo "torch = $(/usr/bin/python3 -c 'import torch; print(torch.__version__)')"
    compiler=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$native/CMakeCache.txt")
    echo "compiler = $("$compiler" --version 2>/dev/null | head -1)"
    [ -z "$differing" ] || echo "not the versions the recipe names =$differing"
} >"$provenance"

/usr/bin/python3 "$here/train_network_model.py" "$conf" "$native/training/stream_plane_samples" \
    "$data" "$work/recognition.model"
"$native/training/attach_network_prior" "$work/recognition.model" "$conf" "$provenance"
# Packed the same way every time, so the same model gives the same archive.
tar -C "$work" --sort=name --mtime=@0 --owner=0 --group=0 --numeric-owner -cf - recognition.model |
    xz -T1 -c >"$out/recognition-model.tar.xz.part"
mv "$out/recognition-model.tar.xz.part" "$out/recognition-model.tar.xz"
"$native/training/model_provenance" "$work/recognition.model" >&2
warn
say "packed $out/recognition-model.tar.xz ($(du -h "$out/recognition-model.tar.xz" | cut -f1));" \
    "make model-replace puts it in place of the repository's, to commit with the recipe"
