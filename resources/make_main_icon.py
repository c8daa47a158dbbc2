#!/usr/bin/env python3
"""Writes the program's main icon: a 16 by 16 battery, full and green, in
the same drawing as the notification-area pictures."""
import struct
import sys

WHITE, GREEN = (255, 255, 255), (20, 170, 0)


def pixel(x, y):
    if y == 2 and 8 <= x <= 11:
        return WHITE
    if 3 <= y <= 13 and 6 <= x <= 13:
        if y in (3, 13) or x in (6, 13):
            return WHITE
        return GREEN
    return None


def icon():
    rows = []
    mask = []
    for y in reversed(range(16)):  # bottom-up rows
        for x in range(16):
            colour = pixel(x, y)
            rows.append(bytes((0, 0, 0, 0)) if colour is None else bytes((colour[2], colour[1], colour[0], 255)))
        bits = sum((1 << (15 - x)) for x in range(16) if pixel(x, y) is None)
        mask.append(struct.pack(">H", bits) + b"\0\0")
    header = struct.pack("<IiiHHIIiiII", 40, 16, 32, 1, 32, 0, 0, 0, 0, 0, 0)
    image = header + b"".join(rows) + b"".join(mask)
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", 16, 16, 0, 0, 1, 32, len(image), 22)
    return directory + image


with open(sys.argv[1] if len(sys.argv) > 1 else "kestrane.ico", "wb") as out:
    out.write(icon())
