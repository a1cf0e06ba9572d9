#!/usr/bin/env bash
# `make zinnia-model`: trains the service's zinnia model from nothing and writes its compressed
# form into the repository (training/model/). The recipe is training/training.conf (samples),
# training/model.conf (finishing) and this script. On one core the training takes about 70 minutes
# for all 6763 GB2312 hanzi; progress and an estimate of the time left are printed.
#
# usage: tools/train-model.sh NATIVE_BUILD_DIR DATA_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
native=$1 data=$2
work=$native/model-training
out=$here/training/model/handwriting-gb2312.model.tar.xz

say() { printf '[model] %s\n' "$*" >&2; }
[ -d "$data" ] || { say "no hanzi-writer-data at $data (run make deps)"; exit 1; }
for tool in zinnia_learn zinnia_convert xz; do
  command -v "$tool" >/dev/null || { say "$tool is missing (run make deps)"; exit 1; }
done

say "building the sample generator and the pruning tool"
cmake --build "$native" --target make_training_set prune_model >/dev/null
mkdir -p "$work" "$(dirname "$out")"
start=$(date +%s)

say "writing the training samples ($here/training/training.conf)"
"$native/training/make_training_set" "$data" "$here/training/training.conf" "$work/training-set.s"

# zinnia_learn trains one classifier per character and prints a line per character; its own
# dots are dropped and a summary with an estimate goes out every 100 characters.
say "training with zinnia_learn (one core, niced)"
learn_start=$(date +%s)
nice -n 10 zinnia_learn "$work/training-set.s" "$work/trained.model" 2>&1 |
  while IFS= read -r line; do
    [[ $line =~ learning:\ \(([0-9]+)/([0-9]+)\) ]] || continue
    learned=${BASH_REMATCH[1]} total=${BASH_REMATCH[2]}
    if (( learned % 100 == 0 || learned == total )); then
      spent=$(( $(date +%s) - learn_start ))
      say "learned $learned/$total characters, $(( spent / 60 )) min spent," \
          "about $(( spent * (total - learned) / learned / 60 )) min left"
    fi
  done
[ -s "$work/trained.model.txt" ] || { say "zinnia_learn wrote no model"; exit 1; }

keep=$(sed -n 's/^weights_per_character *= *\([0-9]*\).*/\1/p' "$here/training/model.conf")
if [ "${keep:-0}" -gt 0 ]; then
  say "keeping the $keep strongest weights per character"
  "$native/training/prune_model" "$work/trained.model.txt" "$work/pruned.model.txt" "$keep"
else
  cp "$work/trained.model.txt" "$work/pruned.model.txt"
fi
say "converting and packing the model"
zinnia_convert "$work/pruned.model.txt" "$work/handwriting-gb2312.model" >/dev/null
XZ_OPT=-9 tar -C "$work" -cJf "$out.tmp" handwriting-gb2312.model
mv "$out.tmp" "$out"
# A tree configured while the archive was missing falls back to the stock model: look again.
cmake "$native" >/dev/null
say "done in $(( ($(date +%s) - start) / 60 )) min: $out ($(du -h "$out" | cut -f1))"
