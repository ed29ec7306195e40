#!/usr/bin/env python3
"""Draws the program's three pictures and writes them next to this script.

    md5zevrin.ico   program icon: one 32 x 32 image, 32 bits per pixel
    command.cur     command pointer: one 32 x 32 image, 16 colors, hot spot (12, 2)
    background.bmp  window background: 642 x 340, 32 bits per pixel, bottom-up

Only the standard library is used, so the pictures can be redrawn anywhere
with `python3 assets/draw_assets.py`. The output is deterministic.
"""

import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


# ---------------------------------------------------------------- helpers


def mix(a, b, t):
    """Linear blend of two RGB triples, t in 0..1."""
    t = max(0.0, min(1.0, t))
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def to_bytes(rgb):
    return tuple(max(0, min(255, int(round(c)))) for c in rgb)


def rounded_rect_coverage(x, y, left, top, right, bottom, radius):
    """Share (0..1) of pixel (x, y) inside a rounded rectangle whose edges lie
    on pixel boundaries: [left, right) x [top, bottom)."""
    cx, cy = x + 0.5, y + 0.5
    # Distance outside the rectangle shrunk by the radius, minus the radius:
    # negative inside, positive outside, in pixels.
    qx = max(left + radius - cx, cx - (right - radius), 0.0)
    qy = max(top + radius - cy, cy - (bottom - radius), 0.0)
    inner_x = min(max(left + radius - cx, cx - (right - radius)), 0.0)
    inner_y = min(max(top + radius - cy, cy - (bottom - radius)), 0.0)
    distance = math.hypot(qx, qy) + max(inner_x, inner_y) - radius
    return max(0.0, min(1.0, 0.5 - distance))


def segment_coverage(x, y, x0, y0, x1, y1, half_width, samples=4):
    """Share of pixel (x, y) within half_width of the segment (x0,y0)-(x1,y1),
    by supersampling."""
    inside = 0
    dx, dy = x1 - x0, y1 - y0
    length_sq = dx * dx + dy * dy
    for sy in range(samples):
        for sx in range(samples):
            px = x + (sx + 0.5) / samples
            py = y + (sy + 0.5) / samples
            t = max(0.0, min(1.0, ((px - x0) * dx + (py - y0) * dy) / length_sq))
            ex, ey = x0 + t * dx - px, y0 + t * dy - py
            if ex * ex + ey * ey <= half_width * half_width:
                inside += 1
    return inside / (samples * samples)


def and_mask_rows(opaque, width, height):
    """The 1-bit AND mask of an icon or cursor, bottom-up, rows padded to 32
    bits: 1 where the pixel is transparent."""
    stride = ((width + 31) // 32) * 4
    rows = []
    for y in reversed(range(height)):
        row = bytearray(stride)
        for x in range(width):
            if not opaque[y][x]:
                row[x // 8] |= 0x80 >> (x % 8)
        rows.append(bytes(row))
    return b"".join(rows)


def bitmap_info_header(width, height, bit_count, image_size=0, colors_used=0):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bit_count, 0, image_size, 0, 0,
                       colors_used, 0)


def write(name, data, expected_size):
    if len(data) != expected_size:
        raise SystemExit(f"{name}: {len(data)} bytes, expected {expected_size}")
    with open(os.path.join(HERE, name), "wb") as out:
        out.write(data)
    print(f"wrote {name} ({len(data)} bytes)")


# ---------------------------------------------------------------- program icon

ICON_SIZE = 32
ICON_FILE_SIZE = 4286
ICON_TOP_LEFT = (0x3A, 0x7B, 0xE0)      # bright blue
ICON_BOTTOM_RIGHT = (0x12, 0x8C, 0x8A)  # deep teal
ICON_GLYPH = (0xFF, 0xFF, 0xFF)
ICON_RADIUS = 7
# The glyph: a hash sign, the mark of a digest, slanted like handwriting.
ICON_STROKES = [
    ((13.0, 6.0), (10.5, 26.0)),
    ((21.5, 6.0), (19.0, 26.0)),
    ((6.5, 12.5), (26.0, 12.5)),
    ((5.5, 19.5), (25.0, 19.5)),
]
ICON_STROKE_HALF_WIDTH = 1.6


def draw_icon():
    pixels = []  # rows top-down of (r, g, b, a)
    for y in range(ICON_SIZE):
        row = []
        for x in range(ICON_SIZE):
            body = rounded_rect_coverage(x, y, 1, 1, ICON_SIZE - 1, ICON_SIZE - 1, ICON_RADIUS)
            color = mix(ICON_TOP_LEFT, ICON_BOTTOM_RIGHT, (x + y) / (2 * (ICON_SIZE - 1)))
            # A soft sheen over the upper half gives the tile some depth.
            sheen = max(0.0, 1.0 - y / 14.0) * 0.18
            color = mix(color, (255, 255, 255), sheen)
            glyph = max(segment_coverage(x, y, a[0], a[1], b[0], b[1], ICON_STROKE_HALF_WIDTH)
                        for a, b in ICON_STROKES)
            color = mix(color, ICON_GLYPH, glyph)
            row.append(to_bytes(color) + (int(round(body * 255)),))
        pixels.append(row)
    return pixels


def icon_file(pixels):
    xor = b"".join(bytes((b, g, r, a)) for row in reversed(pixels) for (r, g, b, a) in row)
    opaque = [[p[3] > 0 for p in row] for row in pixels]
    image = (bitmap_info_header(ICON_SIZE, 2 * ICON_SIZE, 32) + xor +
             and_mask_rows(opaque, ICON_SIZE, ICON_SIZE))
    header = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", ICON_SIZE, ICON_SIZE, 0, 0, 1, 32, len(image), 6 + 16)
    return header + entry + image


# ---------------------------------------------------------------- command pointer

CURSOR_SIZE = 32
CURSOR_FILE_SIZE = 766
CURSOR_HOT_SPOT = (12, 2)  # the tip of the pointing finger
# Sixteen colors; the pointer uses black, white and a light grey for shade.
CURSOR_PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, SHADE, WHITE = 0, 7, 15
# The hand as rectangles of skin, inclusive pixel bounds (x0, y0, x1, y1). The
# outline is drawn around their union, so fingers that only touch at a column
# of outline stay apart.
HAND_PARTS = [
    (11, 2, 13, 15),   # index finger, pointing up; its tip holds the hot spot
    (15, 8, 17, 15),   # middle finger, folded
    (19, 9, 21, 15),   # ring finger
    (23, 11, 24, 15),  # little finger
    (11, 14, 24, 21),  # palm
    (7, 14, 9, 17),    # thumb
    (8, 18, 10, 19),
    (10, 22, 23, 23),  # heel of the hand
    (11, 24, 22, 25),
]


def draw_cursor():
    skin = [[False] * CURSOR_SIZE for _ in range(CURSOR_SIZE)]
    for x0, y0, x1, y1 in HAND_PARTS:
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                skin[y][x] = True

    def is_skin(x, y):
        return 0 <= x < CURSOR_SIZE and 0 <= y < CURSOR_SIZE and skin[y][x]

    index = [[None] * CURSOR_SIZE for _ in range(CURSOR_SIZE)]
    for y in range(CURSOR_SIZE):
        for x in range(CURSOR_SIZE):
            if is_skin(x, y):
                # Skin along the right and lower edges lies in shade.
                shaded = not is_skin(x + 1, y) or not is_skin(x, y + 1)
                index[y][x] = SHADE if shaded else WHITE
            elif any(is_skin(x + dx, y + dy) for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1))):
                index[y][x] = BLACK
    # The columns between the folded fingers, down to the palm, are outline.
    for x, y0, y1 in ((14, 8, 13), (18, 9, 13), (22, 11, 13)):
        for y in range(y0, y1 + 1):
            index[y][x] = BLACK
    return index


def cursor_file(index):
    palette = b"".join(bytes((b, g, r, 0)) for (r, g, b) in CURSOR_PALETTE)
    rows = []
    for row in reversed(index):
        packed = bytearray()
        for x in range(0, CURSOR_SIZE, 2):
            hi = row[x] or 0
            lo = row[x + 1] or 0
            packed.append((hi << 4) | lo)
        rows.append(bytes(packed))
    opaque = [[p is not None for p in row] for row in index]
    image = (bitmap_info_header(CURSOR_SIZE, 2 * CURSOR_SIZE, 4) + palette + b"".join(rows) +
             and_mask_rows(opaque, CURSOR_SIZE, CURSOR_SIZE))
    header = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", CURSOR_SIZE, CURSOR_SIZE, len(CURSOR_PALETTE), 0,
                        CURSOR_HOT_SPOT[0], CURSOR_HOT_SPOT[1], len(image), 6 + 16)
    return header + entry + image


# ---------------------------------------------------------------- background

BACKGROUND_WIDTH = 642
BACKGROUND_HEIGHT = 340
BACKGROUND_FILE_SIZE = 873176
# Image editors commonly end a bitmap with two bytes of padding after the
# pixels; the catalogued file size includes them.
BACKGROUND_TRAILER = b"\0\0"

# A pale sky that darkens gently towards the bottom: black captions (the title
# and the prompt) sit on it.
SKY_TOP = (0xF7, 0xFA, 0xFE)
SKY_BOTTOM = (0xD3, 0xE0, 0xEE)
STRIPE_PERIOD = 9        # pixels between the faint diagonal pinstripes
STRIPE_DEPTH = 0.035     # how much a pinstripe darkens the sky
ACCENT_LEFT = (0x3A, 0x7B, 0xE0)
ACCENT_RIGHT = (0x12, 0x8C, 0x8A)
ACCENT_HEIGHT = 4
# Rings around a point off the top-right corner, drawn as slightly lighter
# and darker bands of the sky.
RING_CENTRE = (700.0, -60.0)
RING_SPACING = 38.0
RING_DEPTH = 0.025

# A slate panel behind the input box, the two command faces and the row of
# the counter and the warning: the yellow counter and the cyan warning sit on
# it. Its left edge meets the input box's left edge and stays clear of the
# prompt; it runs down under the separator line. Image pixels, [left, right).
PANEL_LEFT = 207
PANEL_RIGHT = 572
PANEL_TOP = 80
PANEL_BOTTOM = 134
PANEL_RADIUS = 8
PANEL_TOP_COLOR = (0x30, 0x41, 0x56)
PANEL_BOTTOM_COLOR = (0x1A, 0x24, 0x33)
PANEL_RIM = (0x55, 0x6B, 0x86)


def sky(x, y):
    color = mix(SKY_TOP, SKY_BOTTOM, y / (BACKGROUND_HEIGHT - 1))
    if (x + y) % STRIPE_PERIOD == 0:
        color = mix(color, (0, 0, 0), STRIPE_DEPTH)
    ring = math.hypot(x - RING_CENTRE[0], y - RING_CENTRE[1]) / RING_SPACING
    wave = math.sin(ring * 2 * math.pi)
    color = mix(color, (255, 255, 255) if wave > 0 else (0, 0, 0), abs(wave) * RING_DEPTH)
    if y < ACCENT_HEIGHT:
        color = mix(ACCENT_LEFT, ACCENT_RIGHT, x / (BACKGROUND_WIDTH - 1))
    return color


def panel(x, y):
    color = mix(PANEL_TOP_COLOR, PANEL_BOTTOM_COLOR,
                 (y - PANEL_TOP) / (PANEL_BOTTOM - PANEL_TOP - 1))
    # A one-pixel lighter rim along the top edge catches the light.
    if y == PANEL_TOP:
        color = PANEL_RIM
    return color


def draw_background():
    pixels = []
    for y in range(BACKGROUND_HEIGHT):
        row = []
        for x in range(BACKGROUND_WIDTH):
            color = sky(x, y)
            # Only the top corners are rounded; the bottom runs under the line.
            cover = rounded_rect_coverage(x, y, PANEL_LEFT, PANEL_TOP, PANEL_RIGHT,
                                          PANEL_BOTTOM + PANEL_RADIUS, PANEL_RADIUS)
            if y >= PANEL_BOTTOM:
                cover = 0.0
            if cover > 0:
                color = mix(color, panel(x, y), cover)
            row.append(to_bytes(color))
        pixels.append(row)
    return pixels


def background_file(pixels):
    body = b"".join(bytes((b, g, r, 255)) for row in reversed(pixels) for (r, g, b) in row)
    info = bitmap_info_header(BACKGROUND_WIDTH, BACKGROUND_HEIGHT, 32, len(body))
    offset = 14 + len(info)
    size = offset + len(body) + len(BACKGROUND_TRAILER)
    header = struct.pack("<2sIHHI", b"BM", size, 0, 0, offset)
    return header + info + body + BACKGROUND_TRAILER


def main():
    write("md5zevrin.ico", icon_file(draw_icon()), ICON_FILE_SIZE)
    write("command.cur", cursor_file(draw_cursor()), CURSOR_FILE_SIZE)
    write("background.bmp", background_file(draw_background()), BACKGROUND_FILE_SIZE)


if __name__ == "__main__":
    main()
