#!/usr/bin/env python3
"""Writes the program's main icon: an upright battery, full and green, in the
drawing of the notification-area pictures, at 16, 20, 24, 32, 48 and 256
pixels. Each size is drawn afresh from the 16-pixel design, so that its
edges stay sharp; the 256-pixel picture is stored as PNG, as Windows expects."""
import struct
import sys
import zlib

WHITE, GREEN = (255, 255, 255), (20, 170, 0)
SIZES = (16, 20, 24, 32, 48, 256)


def drawing(size):
    """The battery at this size: a function from pixel to colour or None."""
    scale = size / 16
    edge = lambda v: round(v * scale)
    line = max(1, round(scale))
    left, right, top, bottom = edge(6), edge(14) - 1, edge(3), edge(14) - 1
    cap_left, cap_right, cap_top = edge(8), edge(12) - 1, edge(2)

    def pixel(x, y):
        if cap_top <= y < top and cap_left <= x <= cap_right:
            return WHITE
        if top <= y <= bottom and left <= x <= right:
            inner = left + line <= x <= right - line and top + line <= y <= bottom - line
            return GREEN if inner else WHITE
        return None

    return pixel


def bitmap_image(size):
    pixel = drawing(size)
    rows, mask = [], []
    mask_row_bytes = ((size + 31) // 32) * 4
    for y in reversed(range(size)):  # bottom-up rows
        bits = 0
        for x in range(size):
            colour = pixel(x, y)
            rows.append(bytes((0, 0, 0, 0)) if colour is None else bytes((colour[2], colour[1], colour[0], 255)))
            if colour is None:
                bits |= 1 << (mask_row_bytes * 8 - 1 - x)
        mask.append(bits.to_bytes(mask_row_bytes, "big"))
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    return header + b"".join(rows) + b"".join(mask)


def png_image(size):
    pixel = drawing(size)
    raw = b"".join(
        b"\0" + b"".join(bytes((*c, 255)) if (c := pixel(x, y)) else b"\0\0\0\0" for x in range(size))
        for y in range(size))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def icon():
    images = [png_image(size) if size == 256 else bitmap_image(size) for size in SIZES]
    directory = struct.pack("<HHH", 0, 1, len(SIZES))
    offset = 6 + 16 * len(SIZES)
    for size, image in zip(SIZES, images):
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    return directory + b"".join(images)


with open(sys.argv[1] if len(sys.argv) > 1 else "kestrane.ico", "wb") as out:
    out.write(icon())
