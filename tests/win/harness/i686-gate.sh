#!/usr/bin/env bash
# Whether this machine runs the i686 build's tests. Some kernels close the 32-bit system call
# gate to 64-bit processes; Wine's WoW64 needs it, so there every i686 program dies at once.
# The answer is found once per build root by a small native probe and kept in
# BUILD_ROOT/i686-tests ("run" or "skip"); only a probe that saw the kernel kill its 32-bit
# call says "skip", and a probe that fails in any other way is an error, never a skip.
#
# usage: i686-gate.sh line BUILD_ROOT               the answer in words (probing if need be)
#        i686-gate.sh answer BUILD_ROOT             run or skip
#        i686-gate.sh run BUILD_ROOT COMMAND [ARG]  COMMAND where the machine runs 32-bit code;
#                                                   exit 77 (a skip to ctest) where it cannot
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
mode=${1:?usage: i686-gate.sh line|answer|run BUILD_ROOT [COMMAND...]}
root=${2:?usage: i686-gate.sh line|answer|run BUILD_ROOT [COMMAND...]}
shift 2
cache=$root/i686-tests
skip_reason="this machine's kernel has no 32-bit system call gate, which Wine needs for 32-bit programs"

probe() {
    local program=$root/i686-gate-probe rc=0
    mkdir -p "$root"
    if [ ! -x "$program" ] || [ "$program" -ot "$here/i686_gate_probe.c" ]; then
        cc -O1 -o "$program" "$here/i686_gate_probe.c" ||
            { echo "i686-gate: cannot build the probe $program" >&2; exit 1; }
    fi
    "$program" || rc=$?
    case $rc in
    0) echo run >"$cache" ;;
    1) echo skip >"$cache" ;;
    *) echo "i686-gate: the probe $program failed (exit $rc); delete $cache to probe again" >&2
       exit 1 ;;
    esac
}

answer() {
    [ -f "$cache" ] || probe
    local a
    a=$(cat "$cache")
    case $a in
    run | skip) echo "$a" ;;
    *) echo "i686-gate: $cache holds '$a', not run or skip; delete it to probe again" >&2
       exit 1 ;;
    esac
}

case $mode in
line)
    a=$(answer)
    if [ "$a" = run ]; then
        echo "i686 tests: run (this machine runs 32-bit code)"
    else
        echo "i686 tests: skipped: $skip_reason; the i686 build is still built and packed"
    fi ;;
answer) answer ;;
run)
    [ $# -gt 0 ] || { echo "usage: i686-gate.sh run BUILD_ROOT COMMAND [ARG...]" >&2; exit 2; }
    a=$(answer)
    if [ "$a" = skip ]; then
        echo "skipped: $skip_reason ($cache)"
        exit 77
    fi
    exec "$@" ;;
*) echo "usage: i686-gate.sh line|answer|run BUILD_ROOT [COMMAND...]" >&2; exit 2 ;;
esac
