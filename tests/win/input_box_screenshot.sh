#!/usr/bin/env bash
# Opens the reference value box under Wine and keeps a screenshot of it (input_box.png in the
# session's screenshot folder) for a person to look at.
# usage: input_box_screenshot.sh <input_box_show.exe>
set -euo pipefail
exe=$1
. "$WINE_HARNESS_DIR/wine-env.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Wine's drive Z: is the host's root. (winepath would start Wine's helpers outside wine-run.sh,
# holding on to ctest's output.)
windows_path() { local p=$1; printf 'Z:%s' "${p//\//\\}"; }
bash "$WINE_HARNESS_DIR/wine-run.sh" "$exe" "$(windows_path "$work/ready")" \
  "$(windows_path "$work/done")" &
shower=$!
for _ in $(seq 1 300); do
  [ -f "$work/ready" ] && break
  sleep 0.1
done
if [ ! -f "$work/ready" ]; then
  echo "the input box did not open" >&2
  touch "$work/done"
  wait "$shower" || true
  exit 1
fi
shot=$(bash "$WINE_HARNESS_DIR/screenshot.sh" input_box)
touch "$work/done"
wait "$shower"
test -s "$shot"
echo "screenshot: $shot"
