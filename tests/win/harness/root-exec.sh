#!/usr/bin/env bash
# Runs a command of the Debian root that holds the 32-bit-capable Wine (made by
# tools/install-dependencies.sh) with the caller's environment, working folder and files: the
# build and source folders, /tmp (X and wineserver sockets), /dev, /proc and /sys appear inside
# the root at their own paths. The mounts live in a mount namespace of the command's own, so
# they vanish with its last process, however it ends; the host never sees them. The command
# is exec'd: its pid is this script's, so callers can wait for or kill it as before.
#
# usage: WINE_ROOT=DIR root-exec.sh COMMAND [ARGS...]
#        (or through the links in root-bin/: wine, wineserver, wineboot, winepath)
# WINE_ROOT_BINDS: further host folders to show inside the root (separated by colons).
set -euo pipefail
: "${WINE_ROOT:?WINE_ROOT must name the Debian root with Wine (tools/install-dependencies.sh makes it)}"
if [ ! -x "$WINE_ROOT/usr/bin/wine" ]; then
    echo "root-exec: no Wine in the root $WINE_ROOT; run tools/install-dependencies.sh" >&2
    exit 127
fi
# Called through a link, the link's name is the command.
name=$(basename "$0")
[ "$name" = root-exec.sh ] || set -- "$name" "$@"
harness=$(cd "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")" && pwd)
root=$(realpath "$WINE_ROOT")

# The folders to show: the source tree, the build root that holds the root, the Windows build.
candidates=("$(cd "$harness/../../.." && pwd)" "$(dirname "$root")")
[ -z "${WINE_BUILD_DIR:-}" ] || candidates+=("$(realpath -m "$WINE_BUILD_DIR")")
IFS=: read -r -a extra <<<"${WINE_ROOT_BINDS:-}"
for d in "${extra[@]}"; do [ -z "$d" ] || candidates+=("$(realpath -m "$d")"); done
binds=()
for d in "${candidates[@]}"; do
    [ -d "$d" ] && [ "$d" != / ] || continue
    inside=0
    for o in "${candidates[@]}"; do
        if [ "$o" != "$d" ] && [ -d "$o" ] && [[ $d == "$o"/* ]]; then inside=1; fi
    done
    [ "$inside" = 1 ] || binds+=("$d")
done

# Runs inside the new mount namespace: mount, then become the command.
enter='
root=$1; shift
n=$1; shift
mount --rbind /dev "$root/dev"
mount -t proc proc "$root/proc"
mount --rbind /sys "$root/sys"
mount --bind /tmp "$root/tmp"
for ((i = 0; i < n; i++)); do
    mkdir -p "$root$1"
    mount --bind "$1" "$root$1"
    shift
done
# (wineserver lives in the Wine library folder, last so that /usr/bin/wine stays first.)
exec chroot "$root" /usr/bin/env PATH=/usr/local/bin:/usr/bin:/bin:/usr/lib/x86_64-linux-gnu/wine \
    /bin/sh -c '\''cd "$1" 2>/dev/null || cd /; shift; exec "$@"'\'' sh "$PWD" "$@"
'
exec unshare --mount --propagation private -- bash -c "$enter" root-exec "$root" "${#binds[@]}" \
    "${binds[@]}" "$@"
