#!/usr/bin/env bash
# The panel against the real recognition service on 127.0.0.1:80: 中 written on the pad along
# its stroke centre lines (hanzi-writer-data, scaled into the pad) comes back among the ten
# candidate cells. Skipped (77) when the native service or the stroke data is missing.
#
# usage: panel_service_test.sh PANEL.exe InspectWindows.exe SERVICE_PROGRAM HANZI_DATA_DIR
set -euo pipefail
panel_exe=$1
GUI_INSPECTOR=$2
service=$3
data=$4
if [ ! -x "$service" ] || [ ! -f "$data/中.json" ]; then
    echo "skipped: no service at $service or no stroke data in $data"
    exit 77
fi
. "$WINE_HARNESS_DIR/gui-lib.sh"
. "$(dirname "$0")/pad_strokes.sh"
. "$(dirname "$0")/panel_road.sh"
gui_init

road_port_open && gui_fail "something else already listens on 127.0.0.1:80"
road_start_service "$service"

trace=$GUI_DIR/trace.txt
export HANDWRITING_PANEL_TRACE="Z:${trace//\//\\}"
gui_start "$panel_exe"
gui_wait_log "$trace" ' moved .*handles=16' || gui_fail "the panel did not start"
gui_wait_window --class HandwritingPanelWindow || gui_fail "no panel window"
sleep 0.5
pad=$(gui_line child rect=4,32,218,239) || gui_fail "no writing pad among the panel's children"
IFS=, read -r pad_left pad_top _ _ <<<"$(gui_field "$pad" screen)"

# Along 中's stroke centre lines, scaled into the pad.
pad_write_character "$data" 中 "$pad_left" "$pad_top"
sleep 1.5
gui_screenshot panel-service-zhong >/dev/null

zhong=$(gui_hex 中)
found=
gui_inspect --class HandwritingPanelWindow
cells=()
for rect in 219,32,262,67 261,32,304,67 219,67,262,102 261,67,304,102 219,103,262,138 \
    261,103,304,138 219,139,262,174 261,139,304,174 219,176,262,211 261,176,304,211; do
    cell=$(gui_field "$(gui_line child "rect=$rect")" text)
    cells+=("$cell")
    [ "$(gui_field "$(gui_line child "rect=$rect")" text_gbk)" = "$zhong" ] && found=1
done
echo "cells: ${cells[*]}"
grep -c ' request ' "$trace" | sed 's/^/requests sent: /'
[ -n "$found" ] || gui_fail "中 is not among the candidates: ${cells[*]}"
gui_pass "中 written on the pad is among the candidates: ${cells[*]}"
