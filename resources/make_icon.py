#!/usr/bin/env python3
"""Draws the program icon, a white envelope, and writes Pelmora.ico; with --new-mail, the icon the
notification area shows while new mail waits unread (the envelope yellow, with a large red mark ringed
in white, so that the two tell apart at a glance at 16 pixels), written as PelmoraNew.ico. With
--look light, dark or contrast, each drawn again for the taskbar it suits: dark lines for a light
taskbar, light lines for a dark one (both with a clear inside, the mark ringed by the taskbar itself),
and black on white with thicker lines for high contrast; written as Pelmora[New]Light.ico,
Pelmora[New]Dark.ico and Pelmora[New]Contrast.ico.

16x16 and 32x32 pixels with a 16-colour and a 256-colour palette, for displays of few colours; and
each size that Windows asks for at some display scale (16, 20, 24, 32, 40, 48, 64 and 256 pixels) in
true colour with an alpha channel, each drawn for its size; the 256-pixel one as PNG.
Run from anywhere: python3 resources/make_icon.py [--new-mail] [--look light|dark|contrast] [output path]
"""
import math
import os
import struct
import sys
import zlib

# The standard 16-colour palette, so the 16-colour images look right on any display.
VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
    (255, 0, 255), (0, 255, 255), (255, 255, 255),
]

NAVY = (0, 0, 128)
RED = (224, 32, 32)
WHITE = (255, 255, 255)


NEW_MAIL = False
LOOK = None
# The lines of each look; only the icons of old and high contrast fill the envelope.
LINES = {None: NAVY, "light": (32, 32, 32), "dark": (240, 240, 240), "contrast": (0, 0, 0)}


def draw(size, shaded):
    """Returns rows of pixels, top row first: an (r, g, b) tuple, or None for transparent."""
    pixels = [[None] * size for _ in range(size)]
    # Lines as thick as a pixel of the 32-pixel image is at this size.
    line = max(1, size // (16 if LOOK == "contrast" else 32))
    ink = LINES[LOOK]
    left, right = 0, size - 1
    top, bottom = round(size * 0.25), round(size * 0.81)
    tip_y = top + (bottom - top) * 0.6
    half = (right - left) / 2
    for y in range(top, bottom + 1):
        for x in range(left, right + 1):
            t = (y - top) / max(1, bottom - top)
            if LOOK in ("light", "dark"):
                pixels[y][x] = None
            elif LOOK == "contrast":
                pixels[y][x] = WHITE
            elif NEW_MAIL:
                # Yellow, deeper towards the bottom, so that waiting mail shows at a glance.
                pixels[y][x] = (255, int(240 - 40 * t), int(120 - 80 * t)) if shaded else (255, 255, 0)
            elif shaded:
                # Light blue at the bottom fading to white at the top.
                pixels[y][x] = (int(255 - 60 * t), int(255 - 35 * t), 255)
            else:
                pixels[y][x] = WHITE
    for i in range(line):
        for x in range(left, right + 1):
            pixels[top + i][x] = pixels[bottom - i][x] = ink
        for y in range(top, bottom + 1):
            pixels[y][left + i] = pixels[y][right - i] = ink
    # The flap: two lines from the upper corners meeting below the middle.
    for x in range(left, right + 1):
        d = abs(x - (left + half)) / half
        y = round(tip_y - d * (tip_y - top))
        for i in range(line):
            pixels[y + i][x] = ink
        if size >= 32 and y + line < bottom and LOOK is None:
            pixels[y + line][x] = (64, 64, 160) if shaded else NAVY
    if NEW_MAIL:
        mark(pixels, size, line, shaded)
    return pixels


def mark(pixels, size, line, shaded):
    """The new-mail mark over the upper right corner: only this icon has red, so that a glance tells."""
    radius = size * 0.28
    # High contrast tells by shape, not by colour; on a themed taskbar the ring is the taskbar.
    fill = (0, 0, 0) if LOOK == "contrast" else RED
    ring = None if LOOK in ("light", "dark") else WHITE
    cx, cy = size - 1 - radius, radius
    for y in range(size):
        for x in range(size):
            dist = math.hypot(x + 0.5 - cx - 0.5, y + 0.5 - cy - 0.5)
            if dist <= radius:
                pixels[y][x] = (255, 150, 150) if shaded and LOOK is None and dist <= radius * 0.35 else fill
            elif dist <= radius + line:
                pixels[y][x] = ring


def nearest(colour, palette):
    return min(range(len(palette)), key=lambda i: sum((a - b) ** 2 for a, b in zip(colour, palette[i])))


def bitmap(size, bits):
    """One icon image: header, palette, colour bits and the transparency mask, rows bottom first."""
    pixels = draw(size, shaded=bits == 8)
    if bits == 4:
        palette = list(VGA16)
    else:
        palette = sorted({p for row in pixels for p in row if p is not None})
        palette = [(0, 0, 0)] + [p for p in palette if p != (0, 0, 0)]
        assert len(palette) <= 256
        palette += [(0, 0, 0)] * (256 - len(palette))
    index = {}
    rows, mask_rows = [], []
    for row in reversed(pixels):
        indices = [0 if p is None else index.setdefault(p, nearest(p, palette)) for p in row]
        if bits == 4:
            data = bytes((indices[i] << 4) | indices[i + 1] for i in range(0, size, 2))
        else:
            data = bytes(indices)
        rows.append(data + b"\0" * (-len(data) % 4))
        mask_bits = "".join("1" if p is None else "0" for p in row)
        mask = bytes(int(mask_bits[i:i + 8], 2) for i in range(0, size, 8))
        mask_rows.append(mask + b"\0" * (-len(mask) % 4))
    colours = b"".join(rows)
    mask = b"".join(mask_rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, len(colours) + len(mask), 0, 0,
                         1 << bits, 0)
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    return header + table + colours + mask


def true_colour(size):
    """One 32-bit image: blue, green, red and alpha, rows bottom first, then the transparency mask."""
    pixels = draw(size, shaded=True)
    colours = b"".join(bytes(c for p in row for c in ((0, 0, 0, 0) if p is None else (p[2], p[1], p[0], 255)))
                       for row in reversed(pixels))
    mask_rows = []
    for row in reversed(pixels):
        mask_bits = "".join("1" if p is None else "0" for p in row)
        mask = bytes(int(mask_bits[i:i + 8], 2) for i in range(0, size, 8))
        mask_rows.append(mask + b"\0" * (-len(mask) % 4))
    mask = b"".join(mask_rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(colours) + len(mask), 0, 0, 0, 0)
    return header + colours + mask


def png(size):
    """One image as PNG, the form Windows takes for the 256-pixel size: rows top first, red first."""
    pixels = draw(size, shaded=True)
    raw = b"".join(b"\0" + bytes(c for p in row for c in ((0, 0, 0, 0) if p is None else (*p, 255)))
                   for row in pixels)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    global NEW_MAIL, LOOK
    args = sys.argv[1:]
    NEW_MAIL = "--new-mail" in args
    args = [a for a in args if a != "--new-mail"]
    if "--look" in args:
        at = args.index("--look")
        LOOK = args[at + 1]
        if LOOK not in LINES:
            sys.exit("make_icon.py: --look takes light, dark or contrast")
        del args[at:at + 2]
    name = ("PelmoraNew" if NEW_MAIL else "Pelmora") + (LOOK or "").capitalize() + ".ico"
    out = args[0] if args else os.path.join(os.path.dirname(os.path.abspath(__file__)), name)
    images = [(16, 4), (32, 4), (16, 8), (32, 8)] + [(size, 32) for size in (16, 20, 24, 32, 40, 48, 64, 256)]
    # The drawings for a taskbar keep every true-colour image as PNG, which Windows takes at any size
    # since Vista, so that the program stays small.
    blobs = [bitmap(size, bits) if bits < 32 else png(size) if size == 256 or LOOK else true_colour(size)
             for size, bits in images]
    offset = 6 + 16 * len(images)
    directory = struct.pack("<HHH", 0, 1, len(images))
    for (size, bits), blob in zip(images, blobs):
        colour_count = 16 if bits == 4 else 0
        # A size of 256 is written as 0.
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, colour_count, 0, 1, bits, len(blob), offset)
        offset += len(blob)
    with open(out, "wb") as f:
        f.write(directory + b"".join(blobs))


if __name__ == "__main__":
    main()
