#!/usr/bin/env python3
"""Draws the program's icons: a window whose body rolls up under its caption
bar. Writes quillmere.ico (32 by 32) and quillmere_small.ico (16 by 16), each
a 256-colour icon image with its transparency mask."""
import struct
import sys
from pathlib import Path

# Palette index -> (red, green, blue); the rest of the 256 entries are black.
COLOURS = {
    ".": (0, 0, 0),          # transparent (masked)
    "K": (32, 32, 48),       # outline
    "B": (40, 84, 160),      # caption bar
    "L": (96, 140, 212),     # caption highlight
    "W": (255, 255, 255),    # caption buttons, arrow
    "G": (236, 236, 240),    # window body
    "S": (196, 200, 208),    # roll shade
    "D": (150, 156, 168),    # roll shadow
    "A": (220, 120, 40),     # arrow
}
ORDER = list(COLOURS)

BIG = [
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "..KKKKKKKKKKKKKKKKKKKKKKKKKKKK..",
    "..KLLLLLLLLLLLLLLLLLLLLLLLLLLK..",
    "..KBBBBBBBBBBBBBBBBBBBKWWKWWKK..",
    "..KBBWWWWWWWWBBBBBBBBBKWWKWWKK..",
    "..KBBBBBBBBBBBBBBBBBBBKKKKKKKK..",
    "..KBBBBBBBBBBBBBBBBBBBBBBBBBBK..",
    "..KKKKKKKKKKKKKKKKKKKKKKKKKKKK..",
    "..KGGGGGGGGGGGGGAGGGGGGGGGGGGK..",
    "..KGGGGGGGGGGGGAAAGGGGGGGGGGGK..",
    "..KGGGGGGGGGGGAAAAAGGGGGGGGGGK..",
    "..KGGGGGGGGGGAAAAAAAGGGGGGGGGK..",
    "..KGGGGGGGGGGGGAAAGGGGGGGGGGGK..",
    "..KGGGGGGGGGGGGAAAGGGGGGGGGGGK..",
    "..KGGGGGGGGGGGGAAAGGGGGGGGGGGK..",
    "..KKKKKKKKKKKKKKKKKKKKKKKKKKKK..",
    "..KSSSSSSSSSSSSSSSSSSSSSSSSSSK..",
    "..KGGGGGGGGGGGGGGGGGGGGGGGGGGK..",
    "..KSSSSSSSSSSSSSSSSSSSSSSSSSSK..",
    "..KDDDDDDDDDDDDDDDDDDDDDDDDDDK..",
    "..KKKKKKKKKKKKKKKKKKKKKKKKKKKK..",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
]

SMALL = [
    "................",
    "KKKKKKKKKKKKKKKK",
    "KLLLLLLLLLLLLLLK",
    "KBBBBBBBBBKWKWKK",
    "KBBBBBBBBBKKKKKK",
    "KKKKKKKKKKKKKKKK",
    "KGGGGGGAGGGGGGGK",
    "KGGGGGAAAGGGGGGK",
    "KGGGGAAAAAGGGGGK",
    "KGGGGGGAGGGGGGGK",
    "KKKKKKKKKKKKKKKK",
    "KSSSSSSSSSSSSSSK",
    "KDDDDDDDDDDDDDDK",
    "KKKKKKKKKKKKKKKK",
    "................",
    "................",
]


def icon_image(rows):
    size = len(rows)
    assert all(len(r) == size for r in rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 8, 0, 0, 0, 0, 256, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in COLOURS.values())
    palette += b"\0" * (4 * (256 - len(COLOURS)))
    pixels = b"".join(bytes(ORDER.index(c) for c in row) for row in reversed(rows))
    mask_stride = ((size + 31) // 32) * 4
    mask = b""
    for row in reversed(rows):
        line = bytearray(mask_stride)
        for x, c in enumerate(row):
            if c == ".":
                line[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(line)
    return header + palette + pixels + mask


def write_icon(path, rows):
    image = icon_image(rows)
    size = len(rows)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 0, 0, 1, 8, len(image), 6 + 16)
    Path(path).write_bytes(directory + entry + image)


if __name__ == "__main__":
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).parent
    write_icon(out / "quillmere.ico", BIG)
    write_icon(out / "quillmere_small.ico", SMALL)
