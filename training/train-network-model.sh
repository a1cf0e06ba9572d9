#!/bin/sh
# Makes the network model from its recipe (network-model.conf): the native tree's
# stream_plane_samples writes fresh synthetic samples on one core while Debian's python3-torch
# trains on both, then attach_network_prior gives the model its prior, and the model is packed
# into the repository's archive. Hours on this project's two-core machines; an interrupted run
# goes on from its last finished pass when started again.
#
# usage: training/train-network-model.sh NATIVE_BUILD_DIR ARCHIVE
set -eu
native=$(cd "${1:?usage: $0 NATIVE_BUILD_DIR ARCHIVE}" && pwd)
mkdir -p "$(dirname "${2:?usage: $0 NATIVE_BUILD_DIR ARCHIVE}")"
archive=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
here=$(cd "$(dirname "$0")" && pwd)
conf="$here/network-model.conf"

# PyTorch and OpenBLAS (Debian's reference BLAS is many times slower) are needed here only.
if ! /usr/bin/python3 -c 'import torch' 2>/dev/null || [ ! -e /usr/lib/x86_64-linux-gnu/openblas-pthread/libblas.so.3 ]; then
    echo "[network] installing python3-torch and libopenblas0-pthread" >&2
    sudo_=; [ "$(id -u)" = 0 ] || sudo_=sudo
    DEBIAN_FRONTEND=noninteractive $sudo_ apt-get install -y -q --no-install-recommends \
        python3-torch python3-numpy libopenblas0-pthread >&2
fi
data=$(sed -n 's/^HANZI_WRITER_DATA_DIR:PATH=//p' "$native/CMakeCache.txt")
work="$native/model/network-training"
mkdir -p "$work"
/usr/bin/python3 "$here/train_network_model.py" "$conf" "$native/training/stream_plane_samples" \
    "$data" "$work/recognition.model"
"$native/training/attach_network_prior" "$work/recognition.model" "$conf"
tar -C "$work" -cJf "$archive.part" recognition.model
mv "$archive.part" "$archive"
echo "[network] packed $archive ($(du -h "$archive" | cut -f1)); commit it with the recipe" >&2
