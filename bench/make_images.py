#!/usr/bin/python3
"""Writes tiny, noise and flat8192 of the PCX files bench_make_pcx made in
FOLDER again as 8-bit indexed PNG, uncompressed 8-bit BMP and GIF: the same
pixels and palette in every format."""
import os
import sys

from PIL import Image


def main():
    folder = sys.argv[1]
    for name in ("tiny", "noise", "flat8192"):
        with Image.open(os.path.join(folder, name + ".pcx")) as im:
            im.load()
            base = os.path.join(folder, name)
            im.save(base + ".png", "PNG", bits=8)
            im.save(base + ".bmp", "BMP")
            # Unoptimized, the palette keeps all 256 entries and the index width 8 bits.
            im.save(base + ".gif", "GIF", optimize=False)


if __name__ == "__main__":
    main()
