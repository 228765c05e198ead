#!/usr/bin/env python3
"""Draw the dialog's bitmap and icon resources and write them as BMP/ICO files.

Usage: make_images.py [output_dir]   (default: the res/ folder next to tools/)

Produces portrait.bmp (35x45), landscape.bmp (45x35) and printer.ico
(32x32 and 16x16 at 4, 8 and 32 bits per pixel; 24x24, 48x48 and 64x64 at
32 bits per pixel, PNG-compressed, for the display scales 150 % and 200 %). Standard library only;
the output is byte-for-byte identical on every run.
"""

import os
import struct
import sys
import zlib

# Colours (R, G, B). None in a grid means a transparent pixel.
BLACK = (0, 0, 0)
WHITE = (255, 255, 255)
FACE = (240, 240, 240)        # dialog face colour
DARK = (64, 64, 64)           # page border
GREY = (128, 128, 128)
SILVER = (192, 192, 192)
LIGHT = (210, 210, 210)       # folded corner
TEXT = (160, 160, 160)        # "text lines"
LIME = (0, 255, 0)

# The standard 16-colour VGA palette, in the usual Windows order.
VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


# ---------------------------------------------------------------------------
# Pixel grid and drawing helpers (grid[y][x], y = 0 is the top row)

def new_grid(w, h, colour):
    return [[colour] * w for _ in range(h)]


def put(grid, x, y, colour):
    if 0 <= y < len(grid) and 0 <= x < len(grid[0]):
        grid[y][x] = colour


def fill_rect(grid, x0, y0, x1, y1, colour):
    """Fill the rectangle with inclusive corners (x0, y0) and (x1, y1)."""
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            put(grid, x, y, colour)


def frame_rect(grid, x0, y0, x1, y1, colour):
    """Draw a 1-pixel outline of the rectangle (inclusive corners)."""
    fill_rect(grid, x0, y0, x1, y0, colour)
    fill_rect(grid, x0, y1, x1, y1, colour)
    fill_rect(grid, x0, y0, x0, y1, colour)
    fill_rect(grid, x1, y0, x1, y1, colour)


def box(grid, x0, y0, x1, y1, fill, edge):
    fill_rect(grid, x0, y0, x1, y1, fill)
    frame_rect(grid, x0, y0, x1, y1, edge)


def blit_pattern(grid, x0, y0, rows, colour, scale=1):
    """Draw a pattern of strings ('#' = set) scaled by an integer factor."""
    for j, row in enumerate(rows):
        for i, ch in enumerate(row):
            if ch == "#":
                fill_rect(grid, x0 + i * scale, y0 + j * scale,
                          x0 + i * scale + scale - 1,
                          y0 + j * scale + scale - 1, colour)


# A blocky capital letter used as the big mark on the page.
LETTER_A = [
    ".###.",
    "#...#",
    "#...#",
    "#####",
    "#...#",
    "#...#",
    "#...#",
]


# ---------------------------------------------------------------------------
# Pictures

def draw_page(w, h):
    """A sheet of paper with a folded top-right corner on the dialog face."""
    g = new_grid(w, h, FACE)
    x0, y0, x1, y1 = 3, 2, w - 4, h - 3       # page rectangle
    fold = 7                                  # size of the folded corner
    box(g, x0, y0, x1, y1, WHITE, DARK)

    # Cut off the corner above the diagonal, then draw the folded flap.
    fx = x1 - fold
    for dy in range(fold + 1):
        for dx in range(fold + 1):
            x, y = fx + dx, y0 + dy
            if dx > dy:
                put(g, x, y, FACE)
            elif dx == dy:
                put(g, x, y, DARK)
            else:
                put(g, x, y, LIGHT)
    fill_rect(g, fx, y0, fx, y0 + fold, DARK)
    fill_rect(g, fx, y0 + fold, x1, y0 + fold, DARK)

    # Big letter mark in the top-left of the page.
    lx, ly = x0 + 3, y0 + 3
    blit_pattern(g, lx, ly, LETTER_A, GREY, scale=2)

    # Text lines: beside the letter and the fold first, then full width.
    left, right = x0 + 3, x1 - 3
    letter_bottom = ly + 2 * len(LETTER_A)
    y, n = ly + 1, 0
    while y <= y1 - 3:
        start = lx + 12 if y < letter_bottom else left
        end = fx - 2 if y <= y0 + fold + 1 else right
        if n % 4 == 3:                        # shorter closing line
            end = start + (end - start) * 2 // 3
        if end - start >= 2:
            fill_rect(g, start, y, end, y, TEXT)
        y, n = y + 3, n + 1
    return g


# Layout of the printer icon for each size, in pixels (inclusive boxes).
PRINTER_LAYOUT = {
    32: dict(paper=(8, 1, 23, 14), lines=[(11, 20, 4), (11, 20, 7), (11, 17, 10)],
             body=(1, 12, 30, 27), top=(2, 13, 29, 15), slot=(6, 14, 25, 14),
             tray=(5, 21, 26, 24), light=(25, 17, 27, 18), base=(3, 28, 28, 28)),
    16: dict(paper=(4, 0, 11, 7), lines=[(6, 9, 2), (6, 8, 4)],
             body=(0, 6, 15, 13), top=(1, 7, 14, 7), slot=(3, 7, 12, 7),
             tray=(3, 10, 12, 11), light=(13, 8, 13, 8), base=(2, 14, 13, 14)),
}


def scaled_layout(base, factor):
    """A layout grown by `factor`: every box keeps its place and covers the pixels it
    covered at the base size, so lines stay one pixel-row per base row, and sharp."""
    def edge(v):
        return int(v * factor)

    def scale_box(box):
        x0, y0, x1, y1 = box
        return (edge(x0), edge(y0), edge(x1 + 1) - 1, edge(y1 + 1) - 1)

    layout = {key: scale_box(value) for key, value in base.items() if key != "lines"}
    layout["lines"] = [(edge(xa), edge(xb + 1) - 1, edge(y)) for xa, xb, y in base["lines"]]
    return layout


# Larger images for the display scales 150 % and 200 % (16 and 32 pixels at 100 %).
PRINTER_LAYOUT[24] = scaled_layout(PRINTER_LAYOUT[16], 1.5)
PRINTER_LAYOUT[48] = scaled_layout(PRINTER_LAYOUT[32], 1.5)
PRINTER_LAYOUT[64] = scaled_layout(PRINTER_LAYOUT[32], 2)


def draw_printer(size):
    """A grey printer with a sheet coming out of the top; background is None."""
    L = PRINTER_LAYOUT[size]
    g = new_grid(size, size, None)
    box(g, *L["body"], SILVER, GREY)
    fill_rect(g, *L["top"], WHITE)            # highlight along the top
    fill_rect(g, *L["base"], GREY)            # shadow under the body
    box(g, *L["tray"], GREY, BLACK)           # output tray opening
    box(g, *L["paper"], WHITE, GREY)           # bottom edge sits in the slot
    for xa, xb, y in L["lines"]:
        fill_rect(g, xa, y, xb, y, SILVER)
    fill_rect(g, *L["slot"], BLACK)           # paper feeds from this slot
    fill_rect(g, *L["light"], LIME)
    return g


# ---------------------------------------------------------------------------
# Encoders

def make_palette(grid, base):
    """Palette = base colours, then any other colours in first-seen order."""
    pal = list(base)
    for row in grid:
        for c in row:
            if c is not None and c not in pal:
                pal.append(c)
    return pal


def pack_rows(grid, bpp, pixel):
    """Bottom-up DIB rows; pixel(c) returns an int index or raw bytes."""
    w = len(grid[0])
    stride = ((w * bpp + 31) // 32) * 4
    out = bytearray()
    for row in reversed(grid):
        if bpp >= 8:
            data = b"".join(bytes(pixel(c)) if bpp > 8 else bytes([pixel(c)])
                            for c in row)
        else:
            per = 8 // bpp
            data = bytearray()
            for i in range(0, w, per):
                byte = 0
                for k, c in enumerate(row[i:i + per]):
                    byte |= pixel(c) << (8 - bpp * (k + 1))
                data.append(byte)
        out += bytes(data) + bytes(stride - len(data))
    return bytes(out)


def info_header(w, h, bpp, image_size, ppm=0):
    return struct.pack("<IiiHHIIiiII", 40, w, h, 1, bpp, 0, image_size,
                       ppm, ppm, 0, 0)


def colour_table(pal, entries):
    pal = pal + [(0, 0, 0)] * (entries - len(pal))
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in pal)


def encode_bmp(grid):
    """8 bpp BMP with a 256-entry colour table."""
    h, w = len(grid), len(grid[0])
    pal = make_palette(grid, [])
    assert len(pal) <= 256
    pixels = pack_rows(grid, 8, pal.index)
    table = colour_table(pal, 256)
    offset = 14 + 40 + len(table)
    return (struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
            + info_header(w, h, 8, len(pixels), 2835) + table + pixels)


def encode_icon_dib(grid, bpp):
    """One icon image: header (double height), palette, XOR bitmap, AND mask."""
    h, w = len(grid), len(grid[0])
    if bpp == 32:
        table = b""
        xor = pack_rows(grid, 32, lambda c: (0, 0, 0, 0) if c is None
                        else (c[2], c[1], c[0], 255))
    else:
        pal = make_palette(grid, VGA16)
        assert len(pal) <= (1 << bpp), "colour not in the VGA palette"
        table = colour_table(pal, 1 << bpp)
        xor = pack_rows(grid, bpp, lambda c: 0 if c is None else pal.index(c))
    mask = pack_rows(grid, 1, lambda c: 1 if c is None else 0)
    return info_header(w, 2 * h, bpp, len(xor) + len(mask)) + table + xor + mask


def encode_png(grid):
    """A 32-bit RGBA PNG (transparent where the grid has None): how icon files keep
    their larger images small."""
    h, w = len(grid), len(grid[0])
    raw = b"".join(b"\0" + b"".join(bytes((0, 0, 0, 0)) if c is None else bytes(c) + b"\xff"
                                    for c in row) for row in grid)

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def encode_ico(images):
    """images: list of (grid, bpp), bpp "png" for a PNG-compressed 32-bit image.
    Writes ICONDIR, entries, then the images."""
    dibs = [encode_png(g) if bpp == "png" else encode_icon_dib(g, bpp) for g, bpp in images]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (g, bpp), dib in zip(images, dibs):
        w, h = len(g[0]), len(g)
        out += struct.pack("<BBBBHHII", w % 256, h % 256,
                           16 if bpp == 4 else 0, 0, 1, 32 if bpp == "png" else bpp,
                           len(dib), offset)
        offset += len(dib)
    return out + b"".join(dibs)


# ---------------------------------------------------------------------------

def main():
    here = os.path.dirname(os.path.abspath(__file__))
    outdir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "res")
    os.makedirs(outdir, exist_ok=True)
    files = {
        "portrait.bmp": encode_bmp(draw_page(35, 45)),
        "landscape.bmp": encode_bmp(draw_page(45, 35)),
        "printer.ico": encode_ico([(draw_printer(s), bpp)
                                   for s in (32, 16) for bpp in (4, 8, 32)]
                                  + [(draw_printer(s), "png") for s in (24, 48, 64)]),
    }
    for name, data in files.items():
        path = os.path.join(outdir, name)
        with open(path, "wb") as f:
            f.write(data)
        print("wrote %s (%d bytes)" % (os.path.normpath(path), len(data)))


if __name__ == "__main__":
    main()
