#!/usr/bin/env python3
"""Draws the twelve 13 x 13 box pictures of the image check box.

Run from any folder: python3 draw.py writes the PNG files beside this script. The output is
byte-for-byte reproducible (plain zlib, no timestamps), so a rerun leaves git clean.
"""
import os
import struct
import zlib

SIZE = 13

# Looks per visual state: frame colour, inner fill (top, bottom), mark colour.
LOOKS = {
    "Idle": ((0x70, 0x70, 0x70), (0xF4, 0xF4, 0xF4), (0xFF, 0xFF, 0xFF), (0x20, 0x20, 0x20)),
    "Mouseover": ((0x3C, 0x7F, 0xB1), (0xDE, 0xEE, 0xFA), (0xFF, 0xFF, 0xFF), (0x10, 0x3C, 0x78)),
    "Pushed": ((0x2C, 0x62, 0x8B), (0xBC, 0xDB, 0xF4), (0xDC, 0xEB, 0xF8), (0x0C, 0x2C, 0x58)),
    "Disabled": ((0xB8, 0xB8, 0xB8), (0xF0, 0xF0, 0xF0), (0xF0, 0xF0, 0xF0), (0xB0, 0xB0, 0xB0)),
}

# File name per (state, value); the disabled names are not built from a pattern.
NAMES = {
    ("Idle", 0): "IdleNoValue", ("Idle", 1): "IdleChecked", ("Idle", 2): "IdleGreyed",
    ("Mouseover", 0): "MouseoverNoValue", ("Mouseover", 1): "MouseoverChecked",
    ("Mouseover", 2): "MouseoverGreyed",
    ("Pushed", 0): "PushedNoValue", ("Pushed", 1): "PushedChecked", ("Pushed", 2): "PushedGreyed",
    ("Disabled", 0): "DisabledNoValue", ("Disabled", 1): "CheckedDisabled",
    ("Disabled", 2): "DisabledGrey",
}

# The check mark: a short stroke down to the right, then a long one up to the right, 2 px thick.
CHECK = [(3, 6), (4, 7), (5, 8), (6, 7), (7, 6), (8, 5), (9, 4), (10, 3)]


def mix(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def draw(state, value):
    frame, top, bottom, mark = LOOKS[state]
    px = [[(0, 0, 0, 0)] * SIZE for _ in range(SIZE)]
    for y in range(SIZE):
        for x in range(SIZE):
            if x in (0, SIZE - 1) or y in (0, SIZE - 1):
                px[y][x] = frame + (255,)
            else:
                px[y][x] = mix(top, bottom, (y - 1) / (SIZE - 3)) + (255,)
    if value == 1:
        for x, y in CHECK:
            px[y][x] = mark + (255,)
            px[y + 1][x] = mark + (255,)
    elif value == 2:
        # Greyed: a filled square in the middle, in a softened mark colour.
        fill = mix(mark, (0xFF, 0xFF, 0xFF), 0.35)
        for y in range(4, 9):
            for x in range(4, 9):
                px[y][x] = fill + (255,)
    return px


def png(pixels):
    raw = b"".join(b"\x00" + b"".join(bytes(p) for p in row) for row in pixels)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    for (state, value), name in NAMES.items():
        with open(os.path.join(here, name + ".png"), "wb") as f:
            f.write(png(draw(state, value)))


if __name__ == "__main__":
    main()
