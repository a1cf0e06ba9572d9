# pad_strokes.sh: writes a character on the panel's pad with the mouse, along the stroke centre
# lines of hanzi-writer-data, or for a symbol along the first written form that
# $PAD_SYMBOL_SHAPES (training/symbol-shapes.txt) draws. Source it after gui-lib.sh (needs
# gui_to_x and $GUI_DIR).
#
#   pad_stroke_lines DATA_DIR CHARACTER PAD_LEFT PAD_TOP >FILE   one xdotool command line per
#                                                                 stroke (Wine screen coords)
#   pad_write_strokes FILE [FIRST [LAST]]                         run strokes FIRST..LAST (1-based)
#   pad_write_character DATA_DIR CHARACTER PAD_LEFT PAD_TOP       all strokes of the character

# One xdotool command line per stroke: enter the pad, press, walk the centre line in steps of at
# most two pixels, release. The data's box (1024; hanzi-writer-data's y up with its baseline at
# 900, the symbols' y down) is scaled uniformly into the pad (214 x 207) less a 12-pixel margin,
# centred.
pad_stroke_lines() {
    local data=$1 character=$2 x0 y0
    [ -f "$data/$character.json" ] || [ -f "${PAD_SYMBOL_SHAPES:-}" ] ||
        gui_fail "no stroke data for $character in $data"
    read -r x0 y0 <<<"$(gui_to_x "$3" "$4")"
    python3 - "$data/$character.json" "$x0" "$y0" "$character" "${PAD_SYMBOL_SHAPES:-}" <<'PY'
import json, math, os, sys
x0, y0 = int(sys.argv[2]), int(sys.argv[3])
if os.path.exists(sys.argv[1]):
    strokes = [[(x, 900 - y) for x, y in stroke]
               for stroke in json.load(open(sys.argv[1], encoding="utf-8"))["medians"]]
else:
    code = "U+%04X" % ord(sys.argv[4])
    lines = [l for l in open(sys.argv[5], encoding="utf-8") if l.startswith(code + " ")]
    if not lines:
        sys.exit("no written form of %s in %s" % (sys.argv[4], sys.argv[5]))
    strokes = [[tuple(int(v) for v in point.split(",")) for point in stroke.split()]
               for stroke in lines[0].split(":", 1)[1].split(";")]
width, height, margin = 214, 207, 12
scale = min(width - 2 * margin, height - 2 * margin) / 1024.0
left = margin + (width - 2 * margin - 1024 * scale) / 2
top = margin + (height - 2 * margin - 1024 * scale) / 2
for stroke in strokes:
    points = [(left + x * scale, top + y * scale) for x, y in stroke]
    path = [points[0]]
    for (ax, ay), (bx, by) in zip(points, points[1:]):
        steps = max(1, math.ceil(max(abs(bx - ax), abs(by - ay)) / 2))
        path += [(ax + (bx - ax) * i / steps, ay + (by - ay) * i / steps) for i in range(1, steps + 1)]
    pixels = [(x0 + round(x), y0 + round(y)) for x, y in path]
    fx, fy = pixels[0]
    line = [f"mousemove {fx - 1} {fy}", "sleep 0.1", f"mousemove {fx} {fy}", "sleep 0.2",
            "mousedown 1", "sleep 0.05"]
    for x, y in pixels[1:]:
        line += [f"mousemove {x} {y}", "sleep 0.015"]
    line += ["sleep 0.1", "mouseup 1", "sleep 0.3"]
    print(" ".join(line))
PY
}

pad_write_strokes() {
    local file=$1 first=${2:-1} last=${3:-0} number=0
    local -a commands
    while read -r -a commands; do
        number=$((number + 1))
        [ "$number" -ge "$first" ] || continue
        [ "$last" = 0 ] || [ "$number" -le "$last" ] || break
        xdotool "${commands[@]}"
    done <"$file"
}

pad_write_character() {
    local file=$GUI_DIR/strokes-$2.txt
    pad_stroke_lines "$@" >"$file"
    pad_write_strokes "$file"
}
