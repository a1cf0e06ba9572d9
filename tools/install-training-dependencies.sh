#!/usr/bin/env bash
# Installs what training the recognition model needs beyond the build's own dependencies
# (tools/install-dependencies.sh): Debian's PyTorch and NumPy, and OpenBLAS (Debian's reference
# BLAS is many times slower). `make model` runs it; `make test` does not, so the everyday
# install stays lean (the training tests report themselves skipped without PyTorch).
# Idempotent: a second run only says what it found.
#
# usage: tools/install-training-dependencies.sh
set -euo pipefail

. "$(dirname "$0")/debian-packages.sh"

packages=(python3-torch python3-numpy libopenblas0-pthread)

mapfile -t missing < <(missing_packages "${packages[@]}")
if [ ${#missing[@]} -gt 0 ]; then
  say "installing the training packages: ${missing[*]} (PyTorch is a few hundred MiB; a few minutes)"
  if [ "$(id -u)" != 0 ] && ! command -v sudo >/dev/null; then
    say "cannot install them: not root and no sudo; install ${missing[*]} as root, then run this again"
    exit 1
  fi
  install_packages "${missing[@]}"
else
  say "training packages: all ${#packages[@]} present"
fi
