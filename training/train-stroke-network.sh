#!/bin/sh
# Makes the convolutional network from its recipe (stroke-network.conf): writes the synthetic
# samples' direction features with the native tree's write_feature_samples, trains with
# Debian's python3-torch on one thread, and writes the network file.
#
# usage: training/train-stroke-network.sh NATIVE_BUILD_DIR OUTPUT
set -eu
native=$(cd "${1:?usage: $0 NATIVE_BUILD_DIR OUTPUT}" && pwd)
output=$(cd "$(dirname "${2:?usage: $0 NATIVE_BUILD_DIR OUTPUT}")" && pwd)/$(basename "$2")
here=$(cd "$(dirname "$0")" && pwd)
conf="$here/stroke-network.conf"
setting() { sed -n "s/^$1 *= *//p" "$conf"; }

if ! /usr/bin/python3 -c 'import torch' 2>/dev/null; then
    echo "training the network needs Debian's python3-torch (apt-get install python3-torch)" >&2
    exit 1
fi
data=$(sed -n 's/^HANZI_WRITER_DATA_DIR:PATH=//p' "$native/CMakeCache.txt")
features=$(mktemp "${TMPDIR:-/tmp}/stroke-network-features.XXXXXX")
trap 'rm -f "$features"' EXIT
echo "[network] writing the samples' features (several minutes)" >&2
(cd "$here" && "$native/training/write_feature_samples" "$data" "$features" \
    "$(setting samples_per_recipe)" $(setting recipes))
# Debian's reference BLAS is about 25 times slower than OpenBLAS for the dense layers (hours
# instead of about 20 minutes); use OpenBLAS when it is there.
blas_found=
for blas in /usr/lib/x86_64-linux-gnu/openblas-serial /usr/lib/x86_64-linux-gnu/openblas-pthread; do
    if [ -e "$blas/libblas.so.3" ]; then
        LD_LIBRARY_PATH="$blas${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
        export LD_LIBRARY_PATH OPENBLAS_NUM_THREADS=1
        blas_found=1
        break
    fi
done
if [ -z "$blas_found" ] && [ -z "${LD_LIBRARY_PATH:-}" ]; then
    echo "[network] no OpenBLAS (libopenblas0-serial): training will take hours" >&2
fi
/usr/bin/python3 "$here/train_stroke_network.py" "$conf" "$features" "$output"
