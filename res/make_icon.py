#!/usr/bin/env python3
"""Draws the launcher's 48x48 16-colour icon (res/kestlaunch.ico): a record button on a blue tile."""
import struct
import sys

SIZE = 48
# The standard 16-colour palette, as (blue, green, red, 0).
PALETTE = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
           (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255), (255, 0, 255),
           (0, 255, 255), (255, 255, 255)]
NAVY, BLUE, RED, WHITE, SILVER = 1, 9, 12, 15, 7


def pixel(x, y):
    """Palette index and whether the pixel is opaque."""
    cx = cy = (SIZE - 1) / 2
    # A tile with rounded corners of radius 8.
    r, inner = 8, SIZE - 1 - 8
    qx, qy = min(max(x, r), inner), min(max(y, r), inner)
    if (x - qx) ** 2 + (y - qy) ** 2 > r * r:
        return 0, False
    d2 = (x - cx) ** 2 + (y - cy) ** 2
    if d2 <= 10 ** 2:
        return RED, True
    if d2 <= 13 ** 2:
        return WHITE, True
    if d2 <= 15 ** 2:
        return SILVER, True
    return (BLUE if y < SIZE // 2 else NAVY), True


def main(path):
    xor_rows, and_rows = [], []
    for y in reversed(range(SIZE)):  # bottom-up
        indices = [pixel(x, y) for x in range(SIZE)]
        xor = bytes((indices[x][0] << 4) | indices[x + 1][0] for x in range(0, SIZE, 2))
        mask = bytearray(8)  # 48 bits padded to 32-bit rows
        for x, (_, opaque) in enumerate(indices):
            if not opaque:
                mask[x // 8] |= 0x80 >> (x % 8)
        xor_rows.append(xor)
        and_rows.append(bytes(mask))
    header = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for (b, g, r) in PALETTE)
    image = header + palette + b''.join(xor_rows) + b''.join(and_rows)
    directory = struct.pack('<HHH', 0, 1, 1) + struct.pack('<BBBBHHII', SIZE, SIZE, 16, 0, 1, 4, len(image), 22)
    with open(path, 'wb') as out:
        out.write(directory + image)


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'kestlaunch.ico')
