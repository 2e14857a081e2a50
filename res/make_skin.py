#!/usr/bin/env python3
"""Draws the recorder's skin pictures and its icon. Run it after changing a drawing; the
pictures it writes are committed beside it and built into the program from recorder.rc."""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

CAPTION_TOP = (234, 241, 251)
CAPTION_BOTTOM = (201, 214, 240)
TOOLBAR_END = (201, 210, 236)
EDGE = (107, 153, 209)
EDGE_DARK = (74, 116, 178)
GLYPH = (40, 56, 90)


def mix(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def write_bmp(name, width, height, pixel):
    """24-bit bottom-up BMP; pixel(x, y) gives (r, g, b) with y counted from the top."""
    stride = (width * 3 + 3) // 4 * 4
    rows = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (stride - len(row))
        rows += row
    header = struct.pack("<2sIHHI", b"BM", 54 + len(rows), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    with open(os.path.join(HERE, name), "wb") as out:
        out.write(header + info + rows)


def caption(y, height=23):
    if y == 0:
        return (250, 252, 255)
    if y >= height - 1:
        return EDGE
    return mix(CAPTION_TOP, CAPTION_BOTTOM, y / (height - 2))


def icon_rgba(size):
    """The recorder's mark: a blue rounded tile holding a white lens ring with a red dot."""
    pixels = []
    c = (size - 1) / 2
    radius_tile = size * 0.47
    corner = size * 0.22
    for y in range(size):
        row = []
        for x in range(size):
            dx = max(abs(x - c) - (radius_tile - corner), 0)
            dy = max(abs(y - c) - (radius_tile - corner), 0)
            inside_tile = math.hypot(dx, dy) <= corner
            d = math.hypot(x - c, y - c)
            if not inside_tile:
                row.append(None)
            elif d <= size * 0.17:
                row.append((220, 40, 40))
            elif d <= size * 0.31:
                row.append((255, 255, 255))
            else:
                row.append(mix((86, 140, 220), (32, 78, 160), y / size))
        pixels.append(row)
    return pixels


def write_icon(name, sizes):
    images = []
    for size in sizes:
        art = icon_rgba(size)
        xor = bytearray()
        mask_stride = ((size + 31) // 32) * 4
        mask = bytearray()
        for y in range(size - 1, -1, -1):
            bits = 0
            row_mask = bytearray()
            for x in range(size):
                p = art[y][x]
                if p is None:
                    xor += bytes((0, 0, 0, 0))
                    bits |= 0x80 >> (x % 8)
                else:
                    xor += bytes((p[2], p[1], p[0], 255))
                if x % 8 == 7 or x == size - 1:
                    row_mask.append(bits)
                    bits = 0
            row_mask += b"\0" * (mask_stride - len(row_mask))
            mask += row_mask
        info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
        images.append(info + xor + mask)
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for size, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(out + b"".join(images))


def glyph_mask(kind, x, y):
    """True where the 19x19 caption button's symbol is drawn."""
    if kind == "min":
        return 5 <= x <= 13 and 12 <= y <= 13
    if kind == "max":
        return 5 <= x <= 13 and 5 <= y <= 13 and (x in (5, 13) or y in (5, 6, 13))
    if kind == "close":
        return 5 <= x <= 13 and 5 <= y <= 13 and (abs(x - y) <= 0 or abs(x + y - 18) <= 0 or
                                                  abs(x - y) == 1 and 6 <= x <= 12 or
                                                  abs(x + y - 18) == 1 and 6 <= x <= 12)
    if kind == "restore":
        back = 7 <= x <= 13 and 4 <= y <= 10 and (x in (7, 13) or y in (4, 5, 10))
        front = 5 <= x <= 11 and 7 <= y <= 13 and (x in (5, 11) or y in (7, 8, 13))
        inside_front = 6 <= x <= 10 and 9 <= y <= 12
        return front or (back and not inside_front)
    raise ValueError(kind)


def button(kind, look):
    def pixel(x, y):
        ground = caption(min(y + 1, 21))
        edge = x in (0, 18) or y in (0, 18)
        if look == "hover":
            ground = (255, 236, 236) if kind == "close" else (246, 249, 255)
            if edge:
                ground = (214, 86, 86) if kind == "close" else EDGE
        elif look == "down":
            ground = (196, 60, 60) if kind == "close" else (168, 190, 228)
            if edge:
                ground = EDGE_DARK
        if glyph_mask(kind, x, y):
            if look == "down" and kind == "close":
                return (255, 255, 255)
            return (176, 30, 30) if kind == "close" and look == "hover" else GLYPH
        return ground
    return pixel


def bottom(x, y):
    if y == 25:
        return EDGE_DARK
    base = mix((236, 240, 248), (214, 222, 240), y / 25)
    # the corner decoration: a size grip of dots at the right-hand end
    gx, gy = 1599 - x, 24 - y
    if 2 <= gx <= 14 and 2 <= gy <= 14 and gx % 4 in (2, 3) and gy % 4 in (2, 3) and gx + gy <= 18:
        return (255, 255, 255) if gx % 4 == 3 and gy % 4 == 3 else EDGE
    return base


def main():
    write_bmp("backcaption.bmp", 1600, 23, lambda x, y: caption(y))
    art = icon_rgba(23)
    write_bmp("icon.bmp", 23, 23, lambda x, y: art[y][x] or caption(y))
    write_bmp("rightcaption.bmp", 101, 25, lambda x, y: caption(y) if y < 23 else TOOLBAR_END)
    write_bmp("toolbar.bmp", 1600, 28, lambda x, y: mix((240, 240, 240), TOOLBAR_END, y / 27))
    write_bmp("leftborder.bmp", 4, 1200, lambda x, y: EDGE if x == 0 else mix(EDGE, (226, 232, 246), x / 3))
    write_bmp("rightborder.bmp", 4, 1200, lambda x, y: EDGE if x == 3 else mix((226, 232, 246), EDGE, x / 3))
    write_bmp("bottomborder.bmp", 1600, 26, bottom)
    for kind in ("min", "max", "close", "restore"):
        for look in ("normal", "hover", "down"):
            write_bmp(f"{kind}_{look}.bmp", 19, 19, button(kind, look))
    write_icon("kest35.ico", (16, 23, 32, 48))


if __name__ == "__main__":
    main()
