#!/usr/bin/python3
"""Draws the handwriting panel's pictures and its application icon.

Writes into assets/ (or the folder given with --out):
  panel_picture.jpg     305 x 246  background of the panel
  label_tile.jpg         18 x  28  tile of the information line
  rewrite_face.jpg       83 x  27  rewrite button, normal face
  rewrite_face_hot.jpg   83 x  27  rewrite button, face under the pointer
  panel_icon.ico        128/64/48/32/16 px, 32 bits per pixel with alpha

The build embeds the committed outputs and never runs this script; run it again after changing
the drawing and commit what it writes.  --preview PNG also writes a 3x enlarged sheet that
shows the panel as the program composes it (pad, information line, candidates) beside the
separate pictures, for a person to look at.

Everything is drawn at 1x so that rules and frames sit on whole pixels; only text and curved
or slanted shapes are antialiased (drawn at 4x and scaled down).  Needs Debian's python3-pil
and fonts-wqy-microhei.
"""

import argparse
import math
import os
import struct
import sys

from PIL import Image, ImageDraw, ImageFont

FONT_PATH = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"

# Geometry of the panel's controls, in panel pixels (left, top, width, height).
PANEL_SIZE = (305, 246)
SHOWN_SIZE = (304, 245)  # the panel is resized to this; the last column and row never show
WRITING_PAD = (4, 32, 214, 207)
INFO_LABEL = (7, 213, 209, 24)
MINIMIZE_BUTTON = (255, 10, 16, 16)
CLOSE_BUTTON = (282, 10, 16, 16)
REWRITE_BUTTON = (219, 212, 80, 27)
CANDIDATE_LEFTS = (219, 261)
CANDIDATE_TOPS = (32, 67, 103, 139, 176)
CANDIDATE_SIZE = (43, 35)
TITLE_RULE_Y = 31  # last row of the title strip; the pad and the cells start below it

LABEL_TILE_SIZE = (18, 28)
FACE_SIZE = (83, 27)
FACE_SHOWN_WIDTH = 80  # the rewrite button's window shows only these columns
ICON_SIZES = (128, 64, 48, 32, 16)

# One blue-grey palette for every picture.
PANEL_FILL = (243, 246, 250)
TITLE_FILL = (230, 237, 245)
RULE = (176, 191, 209)
FRAME = (160, 177, 198)
TITLE_TEXT = (52, 70, 94)
GLYPH = (117, 117, 255)  # the minimize label's own text colour, so the two dashes merge
PAD_FILL = (247, 247, 247)  # the pad's own background colour
GUIDE = (190, 198, 208)
CELL_FILL = (255, 255, 255)
CELL_DOTS = (150, 170, 196)
LABEL_FILL = (226, 238, 250)
FACE_FILL = (236, 242, 249)
FACE_BORDER = (160, 180, 206)
FACE_BORDER_HOT = (110, 150, 214)
FACE_TEXT = (44, 62, 86)
ARROW = (58, 104, 170)
ARROW_HOT = (20, 120, 240)
ACCENT = (52, 110, 196)
ACCENT_DARK = (30, 72, 140)

SUPERSAMPLE = 4


def font(size):
    return ImageFont.truetype(FONT_PATH, size)


# ----------------------------------------------------------------------------------------------
# Pixel-exact drawing helpers (1x).


def hline(img, x0, x1, y, colour):
    for x in range(x0, x1 + 1):
        img.putpixel((x, y), colour)


def vline(img, x, y0, y1, colour):
    for y in range(y0, y1 + 1):
        img.putpixel((x, y), colour)


def frame(img, x0, y0, x1, y1, colour):
    """1-px outline whose outer edge is the given inclusive rectangle."""
    hline(img, x0, x1, y0, colour)
    hline(img, x0, x1, y1, colour)
    vline(img, x0, y0, y1, colour)
    vline(img, x1, y0, y1, colour)


def dotted_frame(img, x0, y0, x1, y1, colour):
    """Outline of single dots on every other pixel; the corners are always set."""
    for x in range(x0, x1 + 1):
        if (x - x0) % 2 == 0 or x == x1:
            img.putpixel((x, y0), colour)
            img.putpixel((x, y1), colour)
    for y in range(y0, y1 + 1):
        if (y - y0) % 2 == 0 or y == y1:
            img.putpixel((x0, y), colour)
            img.putpixel((x1, y), colour)


def dashed_line(img, p0, p1, colour, dash=4, gap=3):
    """Bresenham line from p0 to p1 (inclusive), on for `dash` pixels, off for `gap`."""
    (x0, y0), (x1, y1) = p0, p1
    dx, dy = abs(x1 - x0), -abs(y1 - y0)
    sx, sy = (1 if x1 >= x0 else -1), (1 if y1 >= y0 else -1)
    err, step = dx + dy, 0
    while True:
        if step % (dash + gap) < dash:
            img.putpixel((x0, y0), colour)
        if (x0, y0) == (x1, y1):
            return
        step += 1
        e2 = 2 * err
        if e2 >= dy:
            err += dy
            x0 += sx
        if e2 <= dx:
            err += dx
            y0 += sy


# ----------------------------------------------------------------------------------------------
# Antialiased pieces: drawn on a transparent layer at SUPERSAMPLE x, scaled down, composited.


def smooth_layer(img, box, paint):
    """Calls paint(draw, s) on a transparent layer covering `box` (x, y, w, h) at s times the
    size, where coordinates are box-relative 1x pixels multiplied by s, then blends it in."""
    x, y, w, h = box
    s = SUPERSAMPLE
    layer = Image.new("RGBA", (w * s, h * s), (0, 0, 0, 0))
    paint(ImageDraw.Draw(layer), s)
    layer = layer.resize((w, h), Image.BOX)
    base = img.crop((x, y, x + w, y + h)).convert("RGBA")
    base.alpha_composite(layer)
    img.paste(base.convert(img.mode), (x, y))


def text(img, xy, string, size, colour):
    """Antialiased text with its ink box's top-left at xy."""
    f = font(size)
    left, top, _, _ = f.getbbox(string)
    ImageDraw.Draw(img).text((xy[0] - left, xy[1] - top), string, font=f, fill=colour)


def text_size(string, size):
    left, top, right, bottom = font(size).getbbox(string)
    return right - left, bottom - top


def thick_polyline(draw, points, width, colour):
    draw.line(points, fill=colour, width=width, joint="curve")
    r = width / 2
    for px, py in (points[0], points[-1]):
        draw.ellipse([px - r, py - r, px + r, py + r], fill=colour)


def back_arrow(img, origin, colour):
    """Curved back-arrow, 14 x 11 px: a head pointing left at the top, its shaft running right
    and bending down through a half circle into a short tail at the bottom."""
    ox, oy = origin

    def paint(draw, s):
        w = 1.6 * s
        top, bottom = 2.5 * s, 9.5 * s
        radius = (bottom - top) / 2
        bend_x = 8.5 * s
        shaft = [(2.0 * s, top), (bend_x, top)]
        bend = []
        for i in range(0, 19):
            # half circle on the right, from the top (-90 degrees) to the bottom (+90)
            a = math.radians(-90 + i * 10)
            bend.append((bend_x + radius * math.cos(a), top + radius + radius * math.sin(a)))
        tail = [(bend_x, bottom), (5.0 * s, bottom)]
        thick_polyline(draw, shaft + bend[1:] + tail[1:], int(round(w)), colour + (255,))
        head = [(0.6 * s, top), (4.6 * s, top - 3.4 * s), (4.6 * s, top + 3.4 * s)]
        draw.polygon(head, fill=colour + (255,))

    smooth_layer(img, (ox, oy, 15, 13), paint)


def rounded_face(img, box, fill, border):
    """Flat button face with a 1-px border and corners rounded by 3 px."""
    x, y, w, h = box

    def paint(draw, s):
        draw.rounded_rectangle(
            [0, 0, w * s - 1, h * s - 1], radius=3 * s, fill=border + (255,)
        )
        draw.rounded_rectangle(
            [s, s, (w - 1) * s - 1, (h - 1) * s - 1], radius=2 * s, fill=fill + (255,)
        )

    smooth_layer(img, box, paint)


# ----------------------------------------------------------------------------------------------
# The pictures.


def draw_rewrite_face(hot, background):
    """83 x 27 face; everything is centred in the 80 columns the button shows."""
    img = Image.new("RGB", FACE_SIZE, background)
    w, h = FACE_SHOWN_WIDTH, FACE_SIZE[1]
    rounded_face(img, (0, 0, w, h), FACE_FILL, FACE_BORDER_HOT if hot else FACE_BORDER)
    word = "重写"
    tw, th = text_size(word, 13)
    arrow_w, spacing = 14, 5
    left = (w - (arrow_w + spacing + tw)) // 2
    back_arrow(img, (left, (h - 13) // 2 + 1), ARROW_HOT if hot else ARROW)
    text(img, (left + arrow_w + spacing, (h - th) // 2), word, 13, FACE_TEXT)
    return img


def draw_logo(img, origin):
    """16 x 16 mark: a blue rounded square with a white pen writing a stroke."""
    ox, oy = origin

    def paint(draw, s):
        draw.rounded_rectangle([0, 0, 16 * s - 1, 16 * s - 1], radius=4 * s, fill=ACCENT + (255,))
        white = (255, 255, 255, 255)
        # pen body from the upper right down to its nib near the lower left
        draw.line([(12.2 * s, 3.8 * s), (6.4 * s, 9.6 * s)], fill=white, width=int(2.6 * s))
        draw.polygon([(5.2 * s, 8.4 * s), (7.6 * s, 10.8 * s), (4.0 * s, 12.0 * s)], fill=white)
        # the stroke it leaves
        draw.line([(3.4 * s, 13.3 * s), (12.6 * s, 13.3 * s)], fill=white, width=int(1.1 * s))

    smooth_layer(img, (ox, oy, 16, 16), paint)


def draw_close_glyph(img, box):
    x, y, w, h = box

    def paint(draw, s):
        a, b = 4.5 * s, 11.5 * s
        width = int(1.6 * s)
        draw.line([(a, a), (b, b)], fill=GLYPH + (255,), width=width)
        draw.line([(a, b), (b, a)], fill=GLYPH + (255,), width=width)

    smooth_layer(img, box, paint)


def draw_minimize_glyph(img, box):
    x, y, w, h = box
    # an 8 x 2 px dash, centred in the 16 x 16 cell
    for yy in (y + h // 2, y + h // 2 + 1):
        hline(img, x + 4, x + w - 5, yy, GLYPH)


def candidate_cell_box(left, top):
    """Inclusive rectangle of the dotted cell drawn under one candidate label: inset so the
    cells stand apart, centred where the label centres its text."""
    w, h = CANDIDATE_SIZE
    return left + 2, top + 2, left + w - 3, top + h - 2


def draw_panel_picture():
    width, height = PANEL_SIZE
    sw, sh = SHOWN_SIZE
    img = Image.new("RGB", PANEL_SIZE, PANEL_FILL)

    # title strip
    for y in range(0, TITLE_RULE_Y):
        hline(img, 0, width - 1, y, TITLE_FILL)
    hline(img, 0, width - 1, TITLE_RULE_Y, RULE)
    draw_logo(img, (9, 8))
    tw, th = text_size("手写输入", 14)
    text(img, (31, 8 + (16 - th) // 2), "手写输入", 14, TITLE_TEXT)
    draw_minimize_glyph(img, MINIMIZE_BUTTON)
    draw_close_glyph(img, CLOSE_BUTTON)

    # writing area: the pad covers exactly this; its frame lies just outside it
    px, py, pw, ph = WRITING_PAD
    for y in range(py, py + ph):
        hline(img, px, px + pw - 1, y, PAD_FILL)
    frame(img, px - 1, TITLE_RULE_Y, px + pw, py + ph, FRAME)
    # the same guide lines the pad draws for itself: centre cross and both diagonals
    guides = [
        ((0, 103), (pw, 103)),
        ((107, 0), (107, ph)),
        ((0, 0), (pw, ph)),
        ((pw, 0), (0, ph)),
    ]
    for (ax, ay), (bx, by) in guides:
        clip = lambda v, hi: max(0, min(v, hi - 1))
        dashed_line(
            img,
            (px + clip(ax, pw), py + clip(ay, ph)),
            (px + clip(bx, pw), py + clip(by, ph)),
            GUIDE,
        )

    # candidate cells
    for top in CANDIDATE_TOPS:
        for left in CANDIDATE_LEFTS:
            x0, y0, x1, y1 = candidate_cell_box(left, top)
            for y in range(y0, y1 + 1):
                hline(img, x0, x1, y, CELL_FILL)
            dotted_frame(img, x0, y0, x1, y1, CELL_DOTS)

    # the rewrite button's face, as the button itself shows it
    bx, by, bw, bh = REWRITE_BUTTON
    face = draw_rewrite_face(False, PANEL_FILL).crop((0, 0, bw, bh))
    img.paste(face, (bx, by))

    # outer frame on the shown area; the hidden last column and row repeat it
    frame(img, 0, 0, sw - 1, sh - 1, FRAME)
    vline(img, width - 1, 0, height - 1, FRAME)
    hline(img, 0, width - 1, height - 1, FRAME)
    return img


def draw_label_tile():
    # Plain, so that it tiles seamlessly in both directions.
    return Image.new("RGB", LABEL_TILE_SIZE, LABEL_FILL)


# ----------------------------------------------------------------------------------------------
# The icon: a sheet of ruled writing paper with a blue pen across it.


def draw_icon(size):
    """One size of the icon. The paper's edges and ruled lines are snapped to whole pixels of
    the target size so the small sizes stay crisp; only the slanted pen is smoothed."""
    s = SUPERSAMPLE
    big = size * s
    img = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    u = big / 32.0  # the design is laid out on a 32 x 32 grid

    def px(v):  # a design coordinate snapped to the target pixel grid, in supersampled units
        return int(round(v * size / 32.0)) * s

    detailed = size >= 32
    left, top, right, bottom = px(4), px(2), px(25), px(30)
    corner = max(s, px(1.5))
    line = max(1, size // 48) * s  # outline and ruled lines: 1 px up to 48, 2 px at 128
    # shadow one pixel (at least) down and to the right
    off = max(s, px(1))
    d.rounded_rectangle([left + off, top + off, right + off - 1, bottom + off - 1], radius=corner,
                        fill=(40, 60, 90, 60))
    d.rounded_rectangle([left, top, right - 1, bottom - 1], radius=corner, fill=(120, 140, 168, 255))
    d.rounded_rectangle([left + line, top + line, right - line - 1, bottom - line - 1],
                        radius=max(0, corner - line), fill=(255, 255, 255, 255))
    # ruled lines, one target pixel thick
    rows = (9, 13, 17, 21, 25) if detailed else (8, 14, 20, 26)
    for r in rows:
        y = px(r)
        d.rectangle([px(7), y, px(22) - 1, y + line - 1], fill=(150, 185, 225, 255))
    if detailed:
        x = px(9)
        d.rectangle([x, top + line, x + line - 1, bottom - line - 1], fill=(235, 150, 150, 255))
        # a handwritten stroke on the first line
        d.line([(10.5 * u, 7.5 * u), (13 * u, 5.8 * u), (15 * u, 7.6 * u), (17.5 * u, 6 * u)],
               fill=(40, 60, 90, 255), width=int(0.9 * u), joint="curve")

    # the pen, lying from the upper right down to the lower left, nib on the paper
    angle = math.radians(45)
    ux, uy = -math.cos(angle), math.sin(angle)  # along the pen towards the nib
    nx, ny = -uy, ux  # across the pen
    tip = (12.5 * u, 24.5 * u)
    length, half = 20.5 * u, (2.4 if detailed else 2.8) * u
    cone = 4.2 * u

    def at(a, b):
        return (tip[0] - ux * a + nx * b, tip[1] - uy * a + ny * b)

    d.polygon([at(cone, -half), at(length, -half), at(length + 1.2 * u, 0), at(length, half),
               at(cone, half)], fill=(40, 100, 200, 255))
    # a lighter band along the body gives it some roundness
    d.polygon([at(cone + 0.4 * u, -half * 0.15), at(length - 0.2 * u, -half * 0.15),
               at(length - 0.2 * u, -half * 0.85), at(cone + 0.4 * u, -half * 0.85)],
              fill=(90, 150, 235, 255))
    # grip ring and the nib
    d.polygon([at(cone, -half), at(cone + 1.3 * u, -half), at(cone + 1.3 * u, half), at(cone, half)],
              fill=(24, 60, 130, 255))
    d.polygon([at(0, 0), at(cone, -half * 0.8), at(cone, half * 0.8)], fill=(230, 210, 170, 255))
    d.polygon([at(0, 0), at(1.6 * u, -half * 0.3), at(1.6 * u, half * 0.3)], fill=(40, 50, 70, 255))
    if detailed:
        # clip on the cap
        d.line([at(length - 6 * u, -half - 0.3 * u), at(length - 1 * u, -half - 0.3 * u)],
               fill=(24, 60, 130, 255), width=max(s, int(0.8 * u)))
    # box filter: every target pixel averages exactly its own s x s block
    return img.resize((size, size), Image.BOX)


def write_ico(path, images):
    """Writes an .ico of uncompressed 32-bpp DIB entries (BGRA plus the 1-bpp AND mask), the
    form every Windows version and Wine read."""
    entries, blobs = [], []
    for img in images:
        w, h = img.size
        rgba = img.convert("RGBA")
        header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, 0, 0, 0, 0, 0)
        pixels = bytearray()
        mask = bytearray()
        mask_stride = ((w + 31) // 32) * 4
        for y in range(h - 1, -1, -1):  # bottom-up rows
            row_mask = bytearray(mask_stride)
            for x in range(w):
                r, g, b, a = rgba.getpixel((x, y))
                pixels += bytes((b, g, r, a))
                if a == 0:
                    row_mask[x // 8] |= 0x80 >> (x % 8)
            mask += row_mask
        blob = header + bytes(pixels) + bytes(mask)
        blobs.append(blob)
        entries.append((w, h, len(blob)))
    offset = 6 + 16 * len(entries)
    out = bytearray(struct.pack("<HHH", 0, 1, len(entries)))
    for (w, h, n) in entries:
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, n, offset)
        offset += n
    for blob in blobs:
        out += blob
    with open(path, "wb") as f:
        f.write(out)


# ----------------------------------------------------------------------------------------------
# Preview: the panel as the program shows it, enlarged.


def compose_shown_panel(panel, tile, face_hot):
    """What the panel looks like on screen: its picture cropped to the shown size, the pad's
    background and guides, the tiled information line, sample candidates and the minimize
    label's own dash; the rewrite button under the pointer."""
    shown = panel.crop((0, 0) + SHOWN_SIZE)
    px, py, pw, ph = WRITING_PAD
    pad = Image.new("RGB", (pw, ph), PAD_FILL)
    d = ImageDraw.Draw(pad)
    for a, b in (((0, 103), (214, 103)), ((107, 0), (107, 207)), ((0, 0), (214, 207)), ((214, 0), (0, 207))):
        dashed_line(pad, (min(a[0], pw - 1), min(a[1], ph - 1)), (min(b[0], pw - 1), min(b[1], ph - 1)),
                    (128, 128, 128), dash=1, gap=1)
    d.line([(60, 60), (150, 60)], fill=(0, 0, 0), width=6)
    d.line([(105, 30), (105, 170)], fill=(0, 0, 0), width=6)
    shown.paste(pad, (px, py))
    lx, ly, lw, lh = INFO_LABEL
    label = Image.new("RGB", (lw, lh))
    for tx in range(0, lw, tile.width):
        label.paste(tile, (tx, 0))
    info = "中 zhong  五笔 KHK"
    iw, ih = text_size(info, 12)
    text(label, ((lw - iw) // 2 + 1, (lh - ih) // 2 + 1), info, 12, (255, 255, 255))
    text(label, ((lw - iw) // 2, (lh - ih) // 2), info, 12, (0, 128, 128))
    shown.paste(label, (lx, ly))
    for i, ch in enumerate("中申甲由电田目旦且史"):
        left = CANDIDATE_LEFTS[i % 2]
        top = CANDIDATE_TOPS[i // 2]
        cw, chh = text_size(ch, 16)
        text(shown, (left + (CANDIDATE_SIZE[0] - cw) // 2, top + (CANDIDATE_SIZE[1] - chh) // 2), ch, 16, (0, 0, 0))
    mx, my, mw, mh = MINIMIZE_BUTTON
    f = font(19)
    ascent, descent = f.getmetrics()
    ImageDraw.Draw(shown).text((mx + (mw - int(f.getlength("-"))) // 2, my + (mh - ascent - descent) // 2),
                               "-", font=f, fill=(0x75, 0x75, 0xFF))
    bx, by, bw, bh = REWRITE_BUTTON
    shown.paste(face_hot.crop((0, 0, bw, bh)), (bx, by))
    return shown


def write_preview(path, pictures, icons):
    panel, tile, face, face_hot = pictures
    scale = 3
    shown = compose_shown_panel(panel, tile, face_hot)
    parts = [panel, shown, tile, face, face_hot]
    sheet_w = (panel.width + shown.width) * scale + 60
    sheet_h = panel.height * scale + 40 + 130 * scale // 2 + 60
    sheet = Image.new("RGB", (sheet_w, sheet_h), (200, 200, 200))
    sheet.paste(panel.resize((panel.width * scale, panel.height * scale), Image.NEAREST), (20, 20))
    sheet.paste(shown.resize((shown.width * scale, shown.height * scale), Image.NEAREST),
                (40 + panel.width * scale, 20))
    y = 40 + panel.height * scale
    x = 20
    for part in parts[2:]:
        sheet.paste(part.resize((part.width * scale, part.height * scale), Image.NEAREST), (x, y))
        x += part.width * scale + 20
    for icon in icons:
        bg = Image.new("RGBA", icon.size, (255, 255, 255, 255))
        bg.alpha_composite(icon)
        k = 2 if icon.width >= 64 else scale
        sheet.paste(bg.convert("RGB").resize((icon.width * k, icon.height * k), Image.NEAREST), (x, y))
        x += icon.width * k + 20
    sheet.save(path)


# ----------------------------------------------------------------------------------------------


def save_jpeg(img, path):
    # Baseline, high quality, no chroma subsampling: the thin coloured rules stay clean.
    img.save(path, "JPEG", quality=95, subsampling=0, progressive=False, optimize=True)


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", default=os.path.join(here, "..", "assets"),
                        help="folder to write the pictures and the icon into (default: assets/)")
    parser.add_argument("--preview", metavar="PNG", help="also write a 3x preview sheet here")
    args = parser.parse_args(argv)
    out = os.path.normpath(args.out)
    os.makedirs(out, exist_ok=True)

    panel = draw_panel_picture()
    tile = draw_label_tile()
    face = draw_rewrite_face(False, PANEL_FILL)
    face_hot = draw_rewrite_face(True, PANEL_FILL)
    for img, name in ((panel, "panel_picture.jpg"), (tile, "label_tile.jpg"),
                      (face, "rewrite_face.jpg"), (face_hot, "rewrite_face_hot.jpg")):
        path = os.path.join(out, name)
        save_jpeg(img, path)
        print("wrote %s (%d x %d, %d bytes)" % (path, img.width, img.height, os.path.getsize(path)))

    icons = [draw_icon(size) for size in ICON_SIZES]
    ico = os.path.join(out, "panel_icon.ico")
    write_ico(ico, icons)
    print("wrote %s (%s px, 32 bpp, %d bytes)"
          % (ico, "/".join(str(s) for s in ICON_SIZES), os.path.getsize(ico)))

    if args.preview:
        # Preview what the program will decode, JPEG losses included.
        decoded = [Image.open(os.path.join(out, name)).convert("RGB") for name in
                   ("panel_picture.jpg", "label_tile.jpg", "rewrite_face.jpg", "rewrite_face_hot.jpg")]
        write_preview(args.preview, decoded, icons)
        print("wrote %s (preview)" % args.preview)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
