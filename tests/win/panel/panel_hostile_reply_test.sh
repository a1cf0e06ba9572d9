#!/usr/bin/env bash
# The panel against a recognition service that answers with whatever bytes it likes, read from
# outside (a loopback stand-in on port 80):
#  - a reply whose pieces decode to control characters (CR, backspace, LF, TAB, DEL, a TAB byte
#    after a character, ...) leaves their cells empty: no cell holds a byte below 0x20 or 0x7F,
#    while the cells of 一 and 二 show them;
#  - a reply of 256 MiB without braces raises the panel's peak working set by less than 64 MiB
#    and changes no cell, and the reply to the next stroke fills the ten cells.
#
# usage: panel_hostile_reply_test.sh PANEL.exe InspectWindows.exe TargetApp.exe SERVICE.py
set -euo pipefail
panel_exe=$1
GUI_INSPECTOR=$2
GUI_TARGET=$3
service=$4
. "$WINE_HARNESS_DIR/gui-lib.sh"
. "$(dirname "$0")/panel_road.sh"
gui_init

road_port_open && gui_fail "something else already listens on 127.0.0.1:80"
bodies=$GUI_DIR/bodies.txt
reply=$GUI_DIR/reply.txt
flood_log=$bodies.flood
: >"$bodies"
rm -f "$reply.flood" "$flood_log"
# Replies as the service sends them: "{", six bytes, the escapes, seven bytes, "}".
make_reply() { printf 'cb({abcdef%szzzzzzz});' "$1" >"$reply"; }
make_reply 'r\u0008\x0a\t\u4e00\u4e8c\u007f\b\u4e09'$'\t''\x1f'
python3 "$service" 80 "$bodies" "$reply" "$GUI_DIR/service.ready" >"$GUI_DIR/service.out" 2>&1 &
GUI_PIDS+=("$!")
gui_wait_until test -f "$GUI_DIR/service.ready" || gui_fail "the test service did not start"

road_start_panel "$panel_exe"
# The cells' texts as GBK hex, "-" for an empty one.
cells() {
    local rect text out=()
    gui_inspect --class HandwritingPanelWindow || gui_fail "the panel is gone"
    for rect in "${cell_rects[@]}"; do
        text=$(gui_child_text_gbk "rect=$rect")
        out+=("${text:--}")
    done
    echo "${out[*]}"
}
peak_working_set() {
    gui_inspect --class HandwritingPanelWindow --memory ||
        gui_fail "no memory counters: $(cat "$GUI_DIR/inspect.err" 2>/dev/null)"
    gui_field "$(gui_line memory)" peak_working_set
}
# One stroke of five sampled moves inside the pad: one request, at its end.
requests=0
stroke() {
    local x=$1 y=$2
    gui_move $((pad_left + x - 1)) $((pad_top + y))
    sleep 0.2
    gui_drag $((pad_left + x)) $((pad_top + y)) $((pad_left + x + 8)) $((pad_top + y + 4)) \
        $((pad_left + x + 16)) $((pad_top + y + 8)) $((pad_left + x + 24)) $((pad_top + y + 12)) \
        $((pad_left + x + 32)) $((pad_top + y + 16)) $((pad_left + x + 40)) $((pad_top + y + 20))
    requests=$((requests + 1))
    gui_wait_until eval '[ "$(wc -l <"$bodies")" -ge "$requests" ]' || gui_fail "stroke $requests sent no request"
}

# --- Control characters -----------------------------------------------------------------------------
expected="- - - - $(gui_hex 一) $(gui_hex 二) - - - -"
stroke 40 40
gui_wait_until eval '[ "$(cells)" = "$expected" ]' || true
shown=$(cells)
gui_screenshot panel-hostile-control-characters >/dev/null
# Byte by byte: a GBK trail byte is never below 0x40, so any such byte is a control character.
for cell in $shown; do
    [ "$cell" != - ] || continue
    for ((i = 0; i < ${#cell}; i += 2)); do
        byte=$((16#${cell:i:2}))
        [ "$byte" -ge 32 ] && [ "$byte" != 127 ] || gui_fail "a cell holds the byte ${cell:i:2}: $shown"
    done
done
assert_eq "$expected" "$shown" "the cells (GBK hex) after the control-character reply"
gui_pass "no cell holds a control character; 一 and 二 show"

# --- 256 MiB without braces, then a normal reply ------------------------------------------------------
before=$(peak_working_set)
echo $((256 << 20)) >"$reply.flood"
stroke 40 100
gui_wait_log "$flood_log" '^flood ' || gui_fail "the flood did not end"
sleep 1
assert_eq "$expected" "$(cells)" "the cells after the flood"
after_flood=$(peak_working_set)
cat "$flood_log"
rm -f "$reply.flood"
make_reply 'u4e00\u4e8c\u4e09\u56db\u4e94\u516d\u4e03\u516b\u4e5d\u5341'
ten=$(for character in 一 二 三 四 五 六 七 八 九 十; do gui_hex "$character"; echo; done | paste -sd' ')
stroke 120 40
gui_wait_until eval '[ "$(cells)" = "$ten" ]' || true
assert_eq "$ten" "$(cells)" "the cells after the reply that follows the flood"
gui_screenshot panel-hostile-after-flood >/dev/null
growth=$((after_flood - before))
echo "peak working set: $((before >> 20)) MiB before the flood, $((after_flood >> 20)) MiB after it"
[ "$growth" -lt $((64 << 20)) ] || gui_fail "the flood raised the peak working set by $((growth >> 20)) MiB"
gui_pass "256 MiB without braces: peak working set +$((growth >> 10)) KiB, no cell changed; the next reply fills the cells"
