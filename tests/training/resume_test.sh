#!/usr/bin/env bash
# A small training run stopped after its first passes and started again ends with the same
# model file, byte for byte, as a run never stopped: the checkpoint keeps every random state and
# the stream's place. The prior and the provenance then attached read back, a model without
# them says it has none, and the build's committed model names the recipe that made it.
#
# usage: resume_test.sh TRAINING_DIR STREAMER ATTACH_PRIOR MODEL_PROVENANCE COMMITTED_MODEL WORK_DIR
set -euo pipefail
training=$1 streamer=$2 attach=$3 provenance=$4 committed=$5 work=$6
python=/usr/bin/python3

if ! "$python" -c 'import torch' 2>/dev/null; then
    echo "SKIPPED: PyTorch (python3-torch) is not installed; tools/install-training-dependencies.sh installs it"
    exit 77
fi
rm -rf "$work"
mkdir -p "$work/unbroken" "$work/resumed"

# Ten digits by two hands, 60 samples a pass in batches of 16: batches run across the ends of
# passes, so the checkpoints fall inside a pass, and dropout draws random numbers.
grep '^U+003[0-9] ' "$training/symbol-shapes.txt" >"$work/digits.txt"
cat >"$work/small.conf" <<CONF
characters = +digits.txt
recipes = $training/training.conf@11 $training/sloppy-training.conf@12
samples_per_pass = 3
passes = 4
channels = 8 8 16 16
hidden = 32
dropout = 0.3
precision = bfloat16
seed = 5
batch = 16
learning_rate = 0.1
warm_up = 0.3
weight_decay = 0.0005
label_smoothing = 0.1
threads = 2
character_frequencies = /usr/lib/python3/dist-packages/jieba/dict.txt
symbol_frequencies = $training/symbol-frequencies.txt
prior_weight = 0.3
prior_floor = 0.1
prior_ceiling = 1000
CONF
train() { # streamer output
    "$python" "$training/train_network_model.py" "$work/small.conf" "$1" "$work" "$2"
}

echo "== a run never stopped"
train "$streamer" "$work/unbroken/recognition.model"

# The stream cut in the third pass (passes of 60 records of 16,390 bytes after a 40-byte
# header), mid-record: the trainer stops after step 8 of 12, with the checkpoint of step 6,
# which ends inside the second pass.
cat >"$work/cut-streamer" <<CUT
#!/bin/sh
"$streamer" "\$@" | head -c $((40 + 130 * 16390 + 1000))
CUT
chmod +x "$work/cut-streamer"
echo "== a run whose samples stop in its third pass"
if train "$work/cut-streamer" "$work/resumed/recognition.model"; then
    echo "FAILED: the run with its stream cut short ended as if it had all its samples"
    exit 1
fi
if [ ! -f "$work/resumed/recognition.model.checkpoint" ]; then
    echo "FAILED: the stopped run left no checkpoint"
    exit 1
fi
echo "== the same run started again"
train "$streamer" "$work/resumed/recognition.model" 2>&1 | tee "$work/resumed.log"
grep -q "going on from step 6 of 12, in pass 2 of 4" "$work/resumed.log" || {
    echo "FAILED: the resumed run did not go on from the second pass's checkpoint"
    exit 1
}
if ! cmp "$work/unbroken/recognition.model" "$work/resumed/recognition.model"; then
    echo "FAILED: the resumed run's model differs from the unbroken run's"
    exit 1
fi
echo "the resumed run's model is the unbroken run's, byte for byte"

printf 'recipe = small.conf sha256:0123\ncommit = abcdef\n' >"$work/provenance.txt"
"$attach" "$work/resumed/recognition.model" "$work/small.conf" "$work/provenance.txt"
"$provenance" "$work/resumed/recognition.model" "$work/unbroken/recognition.model" "$committed" |
    tee "$work/shown.txt"
grep -q '^  commit = abcdef$' "$work/shown.txt" || {
    echo "FAILED: the provenance attached does not read back"
    exit 1
}
grep -q '^  no provenance recorded' "$work/shown.txt" || {
    echo "FAILED: the model without provenance is not shown as such"
    exit 1
}
grep -q '^  recipe = network-model.conf sha256:' "$work/shown.txt" || {
    echo "FAILED: the committed model does not name its recipe"
    exit 1
}
