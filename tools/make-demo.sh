#!/usr/bin/env bash
# `make demo`: the whole road of the end-to-end test (write 中 国 永 8 ， with the mouse, commit them
# into an application, the online lookup, the reference value box, 重写, minimize, close) on the
# virtual display of the test session, filmed. Leaves, under BUILD_ROOT/demo:
#   handwriting-panel-demo.gif   the run as an animation (the part of the screen that holds the
#                                application and the panel, half size)
#   steps.png                    one labelled picture per step, on one sheet
# and prints both paths. Needs the recognition service's port 80 free on 127.0.0.1.
#
# usage: tools/make-demo.sh [BUILD_ROOT]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
win=$build/win64
out=$build/demo
data=$(sed -n 's/^HANZI_WRITER_DATA_DIR:[A-Z]*=//p' "$build/native/CMakeCache.txt")

say() { printf '[demo] %s\n' "$*" >&2; }
for tool in import convert montage; do
  command -v "$tool" >/dev/null || { say "$tool is missing (run make deps)"; exit 1; }
done
for file in "$win/app/HandwritingPanel.exe" "$win/tests/win/TargetApp.exe" \
  "$win/tests/win/InspectWindows.exe" "$build/native/service/handwriting-service"; do
  [ -f "$file" ] || { say "$file is not built (make native win64)"; exit 1; }
done

export WINE_BUILD_DIR=$win WINE_HARNESS_DIR=$here/tests/win/harness
. "$WINE_HARNESS_DIR/wine-env.sh"
bash "$WINE_HARNESS_DIR/session.sh" start >/dev/null
. "$WINE_HARNESS_DIR/wine-env.sh"
# The session's servers would otherwise outlive the demo (and hold whatever it inherited).
stop_session() { bash "$WINE_HARNESS_DIR/session.sh" stop >/dev/null 2>&1 || true; }
trap stop_session EXIT

rm -rf "$out"
mkdir -p "$out/frames"
# The application sits at (200, 150) and the panel at the right edge, 410 pixels down: the
# band that holds both, offset by where the virtual desktop lies on the X screen.
read -r dx dy <<<"$(
  . "$WINE_HARNESS_DIR/gui-lib.sh"
  gui_to_x 0 0
)"
crop="1720x540+$((dx + 185))+$((dy + 135))"
# About two frames a second while the road runs, each cut to the band and halved at once (whole
# screens would exhaust ImageMagick's pixel cache when the animation is put together).
film() {
  local n=0
  while :; do
    import -display "$DISPLAY" -window root -crop "$crop" +repage -resize 50% \
      "$(printf '%s/frames/%05d.png' "$out" "$n")" 2>/dev/null || true
    n=$((n + 1))
    sleep 0.3
  done
}
film &
filming=$!
stop_filming() { kill "$filming" 2>/dev/null || true; wait "$filming" 2>/dev/null || true; }
trap 'stop_filming; stop_session' EXIT

say "running the road on the virtual display $DISPLAY (about two minutes)"
rc=0
bash "$here/tests/e2e/panel_writes_and_commits.sh" "$win/app/HandwritingPanel.exe" \
  "$win/tests/win/TargetApp.exe" "$win/tests/win/InspectWindows.exe" \
  "$build/native/service/handwriting-service" "$data" >"$out/road.log" 2>&1 || rc=$?
stop_filming
stop_session
trap - EXIT
if [ "$rc" != 0 ]; then
  say "the road failed (exit $rc); its log: $out/road.log"
  tail -n 20 "$out/road.log" >&2
  exit 1
fi

frames=("$out"/frames/*.png)
say "assembling ${#frames[@]} frames into the animation"
# Each frame is already small; the last one stays three seconds.
convert -delay 50 "${frames[@]}" -delay 300 "${frames[-1]}" -loop 0 -layers Optimize \
  "$out/handwriting-panel-demo.gif"

mapfile -t shots < <(sed -n '/^screenshots:$/,$p' "$out/road.log" | sed -n 's/^  //p')
labels=()
for shot in "${shots[@]}"; do
  labels+=(-label "$(basename "$shot" .png)" "$shot[$crop]")
done
font=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
[ -f "$font" ] || font=$(fc-match -f '%{file}' sans)
montage "${labels[@]}" -tile 2x -geometry 860x270+6+6 -font "$font" -pointsize 16 "$out/steps.png"
rm -rf "$out/frames"

say "the animation: $out/handwriting-panel-demo.gif"
say "the steps on one sheet: $out/steps.png"
say "the road's log: $out/road.log"
