#!/usr/bin/env bash
# Association on the running panel, beside an application to type into, with a loopback
# stand-in for the recognition service that recognises every stroke as 中 (then 口):
#  - 联想 chosen: 中 written and pressed types 中 and fills the cells with its followers, 国
#    among them; pressing 国 types 国 (the target reads 中国) and the cells show what follows
#    中国 (人 and 家 among them);
#  - the first point written on the pad empties them; the reply then fills the cells as ever;
#  - 联想 unchosen while followers show empties the cells; after that a commit leaves the cells
#    empty, as without association.
#
# usage: panel_association_test.sh PANEL.exe InspectWindows.exe TargetApp.exe SERVICE.py
set -euo pipefail
panel_exe=$1
GUI_INSPECTOR=$2
GUI_TARGET=$3
service=$4
. "$WINE_HARNESS_DIR/gui-lib.sh"
gui_init

port_in_use() { python3 -c 'import socket,sys; s=socket.socket(); sys.exit(0 if s.connect_ex(("127.0.0.1",80))==0 else 1)'; }
port_in_use && gui_fail "something else already listens on 127.0.0.1:80"
bodies=$GUI_DIR/bodies.txt
reply=$GUI_DIR/reply.txt
: >"$bodies"
# "{", six bytes, the escapes of 中 and 口, seven bytes, "}".
printf 'cb({abcdefu4e2d\\u53e3zzzzzzz});' >"$reply"
python3 "$service" 80 "$bodies" "$reply" "$GUI_DIR/service.ready" >"$GUI_DIR/service.out" 2>&1 &
GUI_PIDS+=("$!")
gui_wait_until test -f "$GUI_DIR/service.ready" || gui_fail "the test service did not start"

log=$GUI_DIR/target.log
gui_start "$GUI_TARGET" "$log" --pos 200,150,640,360
gui_wait_log "$log" '^ready	' || gui_fail "the target does not start"
trace=$GUI_DIR/trace.txt
export HANDWRITING_PANEL_TRACE="Z:${trace//\//\\}"
gui_start "$panel_exe"
gui_wait_log "$trace" ' moved .*handles=16' || gui_fail "the panel does not start"
gui_wait_window --class HandwritingPanelWindow || gui_fail "the panel does not start"
IFS=, read -r panel_left panel_top _ _ <<<"$(gui_field "$(gui_line window)" rect)"
pad_left=$((panel_left + 4)) pad_top=$((panel_top + 32))
gui_focus_window HwTestTarget || gui_fail "the target does not become the foreground window"
sleep 1.5

cell_rects=(219,32,262,67 261,32,304,67 219,67,262,102 261,67,304,102 219,103,262,138
    261,103,304,138 219,139,262,174 261,139,304,174 219,176,262,211 261,176,304,211)
# The ten cells as UTF-8 text, one word each ("-" for an empty cell).
cells() {
    local rect text out=()
    gui_inspect --class HandwritingPanelWindow || gui_fail "the panel is gone"
    for rect in "${cell_rects[@]}"; do
        text=$(gui_field "$(gui_line child "rect=$rect")" text)
        out+=("${text:--}")
    done
    echo "${out[*]}"
}
cells_are() { [ "$(cells)" = "$1" ]; }
all_empty="- - - - - - - - - -"
holds() { [[ " $(cells) " == *" $1 "* ]]; }
# Presses the cell that shows the character.
press() {
    local i=0 word words
    words=$(cells)
    gui_inspect --class HandwritingPanelWindow || gui_fail "the panel is gone"
    for word in $words; do
        if [ "$word" = "$1" ]; then
            read -r x y <<<"$(gui_center "$(gui_field "$(gui_line child "rect=${cell_rects[$i]}")" screen)")"
            gui_click "$x" "$y"
            return 0
        fi
        i=$((i + 1))
    done
    gui_fail "no cell shows $1: $(cells)"
}
typed() { grep -q "^text	gbk=$(gui_hex "$1")	" "$log"; }
# One stroke across the pad: the pointer enters first (the pad takes the capture on a move
# inside it), then press, moves, release; the stand-in's reply fills the cells.
stroke() {
    local i
    gui_move $((pad_left + 39)) $((pad_top + 80))
    sleep 0.1
    gui_move $((pad_left + 40)) $((pad_top + 80))
    sleep 0.2
    gui_press 1
    if [ $# -gt 0 ]; then
        "$@" || gui_fail "the cells still hold followers after the first point: $(cells)"
    fi
    for i in 1 2 3 4 5 6; do
        gui_move $((pad_left + 40 + 15 * i)) $((pad_top + 80 + 5 * i))
        sleep 0.05
    done
    sleep 0.1
    gui_release 1
    gui_wait_until cells_are "中 口 - - - - - - - -" || gui_fail "the reply did not fill the cells: $(cells)"
}
menu_visible() { gui_inspect --class '#32768' && [ "$(gui_field "$(gui_line window)" visible)" = 1 ]; }
# Chooses 联想, the menu's last entry (Up from nothing highlighted), until the trace says $1.
choose_association() {
    local want=$1
    for _ in 1 2 3; do
        gui_right_click $((panel_left + 120)) $((panel_top + 15))
        GUI_TIMEOUT=5 gui_wait_until menu_visible || continue
        # The keyboard belongs to the target; the menu reads the panel's queue.
        gui_inspect --class HandwritingPanelWindow --post-key 26,0D >/dev/null
        GUI_TIMEOUT=5 gui_wait_until grep -q " option association=$want\$" "$trace" && return 0
    done
    gui_fail "联想 could not be set to $want through the menu: $(grep option "$trace" || true)"
}

# --- 联想 chosen ---------------------------------------------------------------------------------
choose_association 1
gui_wait_until gui_window_is_foreground HwTestTarget || gui_fail "the target lost the activation to the menu"
stroke
press 中
gui_wait_until typed 中 || gui_fail "the target's text is not 中: $(tail -3 "$log")"
gui_wait_until holds 国 || gui_fail "国 is not among the cells after 中: $(cells)"
after_zhong=$(cells)
echo "cells after 中: $after_zhong"
gui_screenshot panel-association-zhong >/dev/null
gui_pass "with 联想 chosen, 中 pressed types 中 and the cells offer its followers, 国 among them"

before=$(wc -l <"$log")
press 国
gui_wait_until typed 中国 || gui_fail "the target's text is not 中国: $(tail -3 "$log")"
chars=$(tail -n +"$((before + 1))" "$log" | grep '^char' | cut -f2,3 | tr '\t\n' ' ;')
assert_eq "wparam=0xB9 lparam=0x00000001;wparam=0xFA lparam=0x00000001;" "$chars" "WM_CHAR messages for 国"
gui_wait_until holds 人 || gui_fail "人 is not among the cells after 中国: $(cells)"
holds 家 || gui_fail "家 is not among the cells after 中国: $(cells)"
[ "$(cells)" != "$after_zhong" ] || gui_fail "the cells after 国 are those after 中"
echo "cells after 中国: $(cells)"
gui_window_is_foreground HwTestTarget || gui_fail "the target lost the activation on the press"
gui_screenshot panel-association-zhongguo >/dev/null
gui_pass "pressing 国 types 国 (the target reads 中国) and the cells show what follows 中国"

# The first point on the pad takes the followers away; the reply then fills the cells.
stroke gui_wait_until cells_are "$all_empty"
gui_pass "the first point written on the pad empties the followers; the reply fills the cells"

# --- 联想 unchosen --------------------------------------------------------------------------------
press 中
gui_wait_until holds 国 || gui_fail "no followers after 中: $(cells)"
choose_association 0
gui_wait_until cells_are "$all_empty" || gui_fail "unchoosing 联想 left the cells: $(cells)"
gui_pass "unchoosing 联想 empties the cells"
gui_focus_window HwTestTarget || gui_fail "the target does not become the foreground window"
sleep 1.5
stroke
press 中
gui_wait_until typed 中国中中 || gui_fail "the target's text is not 中国中中: $(tail -3 "$log")"
sleep 1
cells_are "$all_empty" || gui_fail "the cells after a commit without 联想: $(cells)"
gui_pass "with 联想 unchosen the cells stay empty after a commit"
