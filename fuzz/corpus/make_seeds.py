#!/usr/bin/python3
"""Writes the hand-made PCX seeds of fuzz/corpus/pcx: each a rule of the
reader in a few bytes. Run from anywhere; the files land beside this script."""
import os
import struct

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "pcx")


def pcx(xmax, ymax, data, manufacturer=10, encoding=1, bpp=8, nplanes=1, xmin=0):
    h = bytearray(128)
    h[0:4] = bytes([manufacturer, 5, encoding, bpp])
    struct.pack_into("<4H", h, 4, xmin, 0, xmax, ymax)
    h[65] = nplanes
    struct.pack_into("<H", h, 66, (xmax + 1) & 0xFFFF)
    palette = bytes(v for i in range(256) for v in (i, 255 - i, i // 2))
    return bytes(h) + bytes(data) + palette


SEEDS = {
    "one_pixel.pcx": pcx(0, 0, [7]),
    "runs_cross_rows.pcx": pcx(3, 1, [1, 0xC5, 7, 2, 3]),
    "c0_literal.pcx": pcx(2, 0, [0xC0, 5, 6]),
    "run_cut_at_end.pcx": pcx(5, 0, [1, 2, 0xCA, 9, 0xFF]),
    "long_runs.pcx": pcx(199, 2, [0xFF, 3, 0xFF, 4, 0xC1, 0xFE] * 5 + list(range(0xC0))),
    "ends_early.pcx": pcx(9, 0, [0xC9, 1]),
    "run_needs_palette.pcx": pcx(1, 0, [4, 0xC1]),
    "bomb.pcx": pcx(65535, 65535, [0xFF] * 64),
    "xmin_ignored.pcx": pcx(9, 0, [0xCA, 4], xmin=5),
    "not_run_length.pcx": pcx(0, 0, [7], encoding=0),
    "four_planes.pcx": pcx(0, 0, [7], nplanes=4),
}

if __name__ == "__main__":
    os.makedirs(HERE, exist_ok=True)
    for name, data in SEEDS.items():
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(data)
