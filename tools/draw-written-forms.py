#!/usr/bin/python3
"""Draws the written forms that training/print_written_forms prints (one a line: the character,
then strokes of "x,y" points in the 1024 box separated by ';') as a sheet of PNG tiles, each
stroke's start marked, so that composed characters can be looked at before they are trained.

usage: print_written_forms DATA_DIR SET [CHARACTER...] | tools/draw-written-forms.py OUT.png
(Debian's python3-pil, which tools/install-dependencies.sh installs)
"""
import sys

from PIL import Image, ImageDraw

TILE, COLUMNS = 160, 10


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    forms = []
    for line in sys.stdin:
        character, _, rest = line.strip().partition(" ")
        strokes = [[tuple(int(v) for v in point.split(",")) for point in stroke.split()]
                   for stroke in rest.split(";")]
        forms.append((character, strokes))
    if not forms:
        sys.exit("no written forms on the input")
    rows = (len(forms) + COLUMNS - 1) // COLUMNS
    sheet = Image.new("RGB", (TILE * min(COLUMNS, len(forms)), TILE * rows), "white")
    draw = ImageDraw.Draw(sheet)
    scale = (TILE - 8) / 1024
    for i, (_, strokes) in enumerate(forms):
        x0, y0 = TILE * (i % COLUMNS) + 4, TILE * (i // COLUMNS) + 4
        draw.rectangle([x0 - 4, y0 - 4, x0 + TILE - 5, y0 + TILE - 5], outline=(200, 200, 200))
        for stroke in strokes:
            points = [(x0 + x * scale, y0 + y * scale) for x, y in stroke]
            if len(points) > 1:
                draw.line(points, fill="black", width=4, joint="curve")
            sx, sy = points[0]
            draw.ellipse([sx - 3, sy - 3, sx + 3, sy + 3], fill=(220, 40, 40))
    sheet.save(sys.argv[1])
    print(f"{len(forms)} forms drawn to {sys.argv[1]}", file=sys.stderr)


if __name__ == "__main__":
    main()
