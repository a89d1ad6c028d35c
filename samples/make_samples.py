#!/usr/bin/python3
"""Writes the sample palettes and pictures of this folder.

Standard library only and deterministic: running it again gives the same
bytes. The pictures are 8-bit, one-plane, run-length encoded PCX files with
the usual 256-colour palette at the end (a 0x0C byte, then 768 bytes, triple
v being the colour of stored value v). Palmiro reads that palette back to
front and shows value v through entry 255 - v, so the pictures look the same
in Palmiro as in any other PCX viewer.
"""

import math
import struct
from pathlib import Path

HERE = Path(__file__).resolve().parent


def clamp(x):
    return max(0, min(255, int(round(x))))


def mix(a, b, t):
    return tuple(clamp(a[i] + (b[i] - a[i]) * t) for i in range(3))


def ramp(stops, count):
    """count colours running through stops (a list of colours) evenly."""
    out = []
    for i in range(count):
        pos = i * (len(stops) - 1) / max(1, count - 1)
        k = min(int(pos), len(stops) - 2)
        out.append(mix(stops[k], stops[k + 1], pos - k))
    return out


def act_bytes(colours):
    assert len(colours) == 256
    return bytes(c for colour in colours for c in colour)


def rle_row(row):
    out = bytearray()
    i = 0
    while i < len(row):
        v = row[i]
        n = 1
        while i + n < len(row) and row[i + n] == v and n < 63:
            n += 1
        if n > 1 or v >= 0xC0:
            out += bytes((0xC0 | n, v))
        else:
            out.append(v)
        i += n
    return bytes(out)


def pcx_bytes(width, height, pixels, colours):
    """pixels: a list of rows of stored values; colours: 256 (r, g, b)."""
    header = struct.pack("<BBBBHHHHHH", 10, 5, 1, 8, 0, 0, width - 1, height - 1, 72, 72)
    header += bytes(48) + bytes((0, 1)) + struct.pack("<HHHH", width, 1, 0, 0)
    header += bytes(128 - len(header))
    data = b"".join(rle_row(row) for row in pixels)
    return header + data + b"\x0c" + act_bytes(colours)


# --- palettes -------------------------------------------------------------

def grey_ramp():
    return [(i, i, i) for i in range(256)]


def warm_cool():
    return ramp([(16, 24, 96), (40, 120, 200), (230, 230, 210), (240, 150, 40), (150, 20, 20)], 256)


# --- the landscape ----------------------------------------------------------
# Stored values: 0 black outline of the sun, 1..63 sky, 64..127 hills,
# 128..191 water, 192..255 sun.

def landscape_palette():
    colours = [(0, 0, 0)]
    colours += ramp([(20, 40, 120), (90, 150, 220), (250, 200, 150)], 63)
    colours += ramp([(20, 70, 20), (90, 160, 50), (200, 210, 90)], 64)
    colours += ramp([(140, 190, 230), (30, 80, 150), (5, 20, 60)], 64)
    colours += ramp([(255, 120, 30), (255, 220, 60), (255, 255, 220)], 64)
    return colours


def landscape(width=160, height=120):
    rows = []
    sun_x, sun_y, sun_r = 112, 34, 14
    for y in range(height):
        row = []
        horizon = 72
        for x in range(width):
            hill = 60 + 9 * math.sin(x / 17.0) + 5 * math.sin(x / 7.0 + 1.3)
            d = math.hypot(x - sun_x, y - sun_y)
            if y >= horizon + 6:
                v = 128 + min(63, (y - horizon - 6) * 63 // (height - horizon - 7))
                if (x * 7 + y * 3) % 23 == 0:
                    v = 128  # glints
            elif y >= hill:
                v = 64 + min(63, int((y - hill) * 4 + (x % 16) // 4))
            elif d <= sun_r:
                v = 255 - min(63, int(d * 63 / sun_r))
            elif d <= sun_r + 1:
                v = 0
            else:
                v = 1 + min(62, y * 62 // horizon)
            row.append(v)
        rows.append(row)
    return rows


# --- the test pattern ------------------------------------------------------
# 16 x 16 blocks of 4 x 4 pixels: block (c, r) has stored value 16 r + c, so
# every value appears once, with a white frame (value 255) around.

def dusk_palette():
    """The landscape at dusk, in Palmiro's entry order (entry k shows stored
    value 255 - k), for opening as an ACT file over the landscape."""
    colours = [(0, 0, 0)]
    colours += ramp([(40, 20, 70), (170, 70, 90), (255, 160, 80)], 63)
    colours += ramp([(10, 25, 30), (40, 60, 40), (110, 90, 60)], 64)
    colours += ramp([(200, 110, 90), (70, 40, 80), (10, 10, 30)], 64)
    colours += ramp([(200, 40, 20), (255, 110, 40), (255, 200, 120)], 64)
    return colours[::-1]


def pattern_palette():
    colours = []
    for v in range(256):
        r, c = divmod(v, 16)
        colours.append((clamp(c * 17), clamp(r * 17), clamp(255 - (r + c) * 8)))
    colours[255] = (255, 255, 255)
    return colours


def pattern(size=64):
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            if x in (0, size - 1) or y in (0, size - 1):
                row.append(255)
            else:
                row.append(16 * (y // 4) + x // 4)
        rows.append(row)
    return rows


def main():
    files = {
        "grey.act": act_bytes(grey_ramp()),
        "warm-cool.act": act_bytes(warm_cool()),
        "dusk.act": act_bytes(dusk_palette()),
        "landscape.pcx": pcx_bytes(160, 120, landscape(), landscape_palette()),
        "pattern.pcx": pcx_bytes(64, 64, pattern(), pattern_palette()),
    }
    for name, data in files.items():
        (HERE / name).write_bytes(data)
        print(f"{name}: {len(data)} bytes")


if __name__ == "__main__":
    main()
