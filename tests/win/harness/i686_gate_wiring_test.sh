#!/usr/bin/env bash
# The i686 gate's wiring, whichever answer this machine gives:
#  1. a "skip" answer skips (77) without running the test; a "run" answer runs it and keeps
#     its exit status, so a failing i686 test still fails; an answer that is neither is an
#     error, never a skip;
#  2. every test of the i686 tree goes through the gate and counts its 77 as skipped.
#
# usage: i686_gate_wiring_test.sh WIN32_BUILD_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
gate=$here/i686-gate.sh
win32=$1
fail() { echo "FAIL: $*" >&2; exit 1; }
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT

echo skip >"$root/i686-tests"
rc=0
"$gate" run "$root" touch "$root/ran" >/dev/null || rc=$?
[ "$rc" = 77 ] || fail "a skip answer gave exit $rc, not 77"
[ ! -e "$root/ran" ] || fail "a skip answer ran the test"

echo run >"$root/i686-tests"
"$gate" run "$root" true || fail "a run answer failed a passing test"
rc=0
"$gate" run "$root" sh -c 'exit 1' || rc=$?
[ "$rc" = 1 ] || fail "a run answer turned a failing test's exit 1 into $rc"
[ "$("$gate" line "$root")" = "i686 tests: run (this machine runs 32-bit code)" ] ||
    fail "the run line reads '$("$gate" line "$root")'"

echo maybe >"$root/i686-tests"
rc=0
"$gate" run "$root" true 2>/dev/null || rc=$?
[ "$rc" != 0 ] && [ "$rc" != 77 ] || fail "an unreadable answer gave exit $rc"
echo "PASS: the gate skips, runs and fails as its answer says"

if [ ! -f "$win32/CTestTestfile.cmake" ]; then
    echo "skipped: the i686 tree $win32 is not configured"
    exit 77
fi
ctest --test-dir "$win32" --show-only=json-v1 | python3 -c '
import json, sys
tests = json.load(sys.stdin)["tests"]
bad = []
for t in tests:
    skip = [p["value"] for p in t.get("properties", []) if p["name"] == "SKIP_RETURN_CODE"]
    if not any(c.endswith("/i686-gate.sh") for c in t.get("command", [])) or skip != [77]:
        bad.append(t["name"])
if not tests or bad:
    sys.exit("FAIL: i686 tests outside the gate: %s" % (", ".join(bad) or "none registered"))
print("PASS: all %d i686 tests go through the gate" % len(tests))
'
