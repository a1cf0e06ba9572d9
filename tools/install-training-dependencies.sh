#!/usr/bin/env bash
# Installs what training the recognition model needs beyond the build's own dependencies
# (tools/install-dependencies.sh): Debian's PyTorch and NumPy, and OpenBLAS (Debian's reference
# BLAS is many times slower). `make model` runs it; `make test` does not, so the everyday
# install stays lean (the training tests report themselves skipped without PyTorch).
# Idempotent: a second run only says what it found.
#
# usage: tools/install-training-dependencies.sh
set -euo pipefail

say() { printf '[deps] %s\n' "$*" >&2; }

as_root() {
  if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi
}

packages=(python3-torch python3-numpy libopenblas0-pthread)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  say "installing the training packages: ${missing[*]} (PyTorch is a few hundred MiB; a few minutes)"
  if [ "$(id -u)" != 0 ] && ! command -v sudo >/dev/null; then
    say "cannot install them: not root and no sudo; install ${missing[*]} as root, then run this again"
    exit 1
  fi
  # Other builds on the machine may hold the package lock for a while: wait for it.
  as_root apt-get -o DPkg::Lock::Timeout=600 update -q >&2
  DEBIAN_FRONTEND=noninteractive as_root apt-get -o DPkg::Lock::Timeout=600 install -y -q \
    --no-install-recommends "${missing[@]}" >&2
else
  say "training packages: all ${#packages[@]} present"
fi
