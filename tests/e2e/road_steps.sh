# road_steps.sh: the writer's steps on the panel, shared by the end-to-end tests. Source it after
# gui-lib.sh, pad_strokes.sh and panel_road.sh; call road_start_panel first. Needs $data (the
# stroke data folder).
#
#   read_cells / some_cell_filled / all_cells_empty / cell_of CHARACTER
#                                   the ten cells (cells_gbk, cells_text; cell_index)
#   info_is TEXT|~REGEX / info_shown / info_text
#                                   the information line
#   write_character CHARACTER       write it stroke by stroke: candidates before the last
#                                   stroke (of one of several), the character among them at the end
#   commit_character CHARACTER TARGET_TEXT INFO
#                                   press its cell: a WM_CHAR per byte, the target's text, cells
#                                   emptied, the line reads INFO (and is shown, unless
#                                   ROAD_INFO_SHOWN=0), the target keeps the activation
#   choose_menu_entry KEYS DONE...  choose a context menu entry with the keys (hex virtual keys)
#                                   until DONE... succeeds
#   online_on                       the trace says the online lookup is on

# Reads the ten cells into cells_gbk / cells_text (one entry per cell, empty for an empty cell).
read_cells() {
    local rect line
    cells_gbk=()
    cells_text=()
    gui_inspect --class HandwritingPanelWindow || gui_fail "the panel is gone"
    for rect in "${cell_rects[@]}"; do
        line=$(gui_line child "rect=$rect") || gui_fail "no candidate cell at $rect"
        cells_gbk+=("$(gui_field "$line" text_gbk)")
        cells_text+=("$(gui_field "$line" text)")
    done
}
some_cell_filled() {
    local c
    read_cells
    for c in "${cells_gbk[@]}"; do [ -n "$c" ] && return 0; done
    return 1
}
all_cells_empty() { ! some_cell_filled; }
# Sets cell_index (0-9) to the cell holding the character, once it is there.
cell_of() {
    local hex i
    hex=$(gui_hex "$1")
    read_cells
    for i in "${!cells_gbk[@]}"; do
        if [ "${cells_gbk[$i]}" = "$hex" ]; then
            cell_index=$i
            return 0
        fi
    done
    return 1
}
# An expected line is the text itself, or "~" and an extended regular expression.
info_is() {
    gui_inspect --class HandwritingPanelWindow || return 1
    local text
    text=$(gui_child_text rect=7,213,216,237)
    case $1 in
        "~"*) grep -qE -- "${1#"~"}" <<<"$text" ;;
        *) [ "$text" = "$1" ] ;;
    esac
}
info_shown() {
    gui_inspect --class HandwritingPanelWindow &&
        [ "$(gui_field "$(gui_line child rect=7,213,216,237)" visible)" = 1 ]
}
info_text() { gui_inspect --class HandwritingPanelWindow && gui_child_text rect=7,213,216,237; }
# The lines the target logged after line $1.
log_since() { tail -n +"$(($1 + 1))" "$log"; }

# Writes the character; candidates must show before its last stroke is written, when it has
# more than one.
write_character() {
    local character=$1 file=$GUI_DIR/strokes-$1.txt count
    pad_stroke_lines "$data" "$character" "$pad_left" "$pad_top" >"$file"
    count=$(wc -l <"$file")
    all_cells_empty || gui_fail "cells hold candidates before $character is written: ${cells_text[*]}"
    if [ "$count" -gt 1 ]; then
        pad_write_strokes "$file" 1 $((count - 1))
        gui_wait_until some_cell_filled ||
            gui_fail "no candidates after $((count - 1)) of the $count strokes of $character"
        echo "candidates before the last stroke of $character: ${cells_text[*]}"
    fi
    pad_write_strokes "$file" "$count"
    gui_wait_until cell_of "$character" ||
        gui_fail "$character is not among the candidates: ${cells_text[*]}"
    echo "candidates for $character: ${cells_text[*]}"
}
# Presses the character's cell; exactly its bytes reach the target, a WM_CHAR with lParam 1
# each, the target keeps the activation, the cells empty and the information line names its
# pinyin.
commit_character() {
    local character=$1 expected_text=$2 info=$3 before bytes chars expected x y i
    cell_of "$character" || gui_fail "$character vanished from the cells: ${cells_text[*]}"
    read -r x y <<<"$(gui_center "$(gui_field "$(gui_line child "rect=${cell_rects[$cell_index]}")" screen)")"
    before=$(wc -l <"$log")
    gui_click "$x" "$y"
    gui_wait_until grep -q "^text	gbk=$(gui_hex "$expected_text")	" "$log" ||
        gui_fail "the target's text is not $expected_text: $(log_since "$before")"
    bytes=$(gui_hex "$character")
    expected=
    for ((i = 0; i < ${#bytes}; i += 2)); do expected+="wparam=0x${bytes:i:2} lparam=0x00000001;"; done
    chars=$(log_since "$before" | grep '^char' | cut -f2,3 | tr '\t\n' ' ;')
    assert_eq "$expected" "$chars" "WM_CHAR messages for $character"
    gui_wait_until all_cells_empty || gui_fail "cells not emptied after the commit: ${cells_text[*]}"
    gui_wait_until info_is "$info" || gui_fail "information line: expected '$info', got '$(info_text)'"
    # The pointer rests on the cell, off the pad: the line is shown, not only written
    # (ROAD_INFO_SHOWN=0 skips this where the panel is known to fault at it).
    [ "${ROAD_INFO_SHOWN:-1}" = 0 ] || gui_wait_until info_shown || gui_fail "the information line is hidden: $(gui_line child rect=7,213,216,237)"
    gui_window_is_foreground HwTestTarget || gui_fail "the target lost the activation on the commit"
    assert_no_log <(log_since "$before") '^(activateapp	active=0|activate	state=0)' \
        "the target deactivated by the press"
    # Nothing else arrives late (a repeated character, a stray byte).
    sleep 0.5
    chars=$(log_since "$before" | grep -c '^char' || true)
    assert_eq $((${#bytes} / 2)) "$chars" "WM_CHAR messages for $character after a pause"
}

menu_visible() { gui_inspect --class '#32768' && [ "$(gui_field "$(gui_line window)" visible)" = 1 ]; }
# Opens the context menu with a right press on the title strip and chooses an entry with the
# keys KEYS (hex virtual keys), until DONE... succeeds; three tries.
choose_menu_entry() {
    local keys=$1 panel_left panel_top
    shift
    gui_inspect --class HandwritingPanelWindow || gui_fail "the panel is gone"
    IFS=, read -r panel_left panel_top _ _ <<<"$(gui_field "$(gui_line window)" rect)"
    for _ in 1 2 3; do
        gui_right_click $((panel_left + 120)) $((panel_top + 15))
        GUI_TIMEOUT=5 gui_wait_until menu_visible || continue
        # The keyboard belongs to the target, and Wine's menu follows the mouse only for the
        # foreground thread: the choice goes into the panel's queue, which the menu reads.
        gui_inspect --class HandwritingPanelWindow --post-key "$keys" >/dev/null
        GUI_TIMEOUT=5 gui_wait_until "$@" && return 0
    done
    return 1
}
online_on() { grep -q ' option online=1' "$trace"; }
