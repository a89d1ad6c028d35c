#!/usr/bin/python3
"""Writes pcx_pillow.sha1: what Pillow decodes from the sample PCX files.

One line per 8-bit single-plane file whose BytesPerLine equals its width and
whose Xmin and Ymin are 0 (there the scan-line layout and the continuous
stream agree): name, SHA-1 of the index bytes row by row, SHA-1 of the RGB
bytes through the file's own palette.

    /usr/bin/python3 tests/data/pcx_pillow_sha1.py ../shared/testdata/pcx > tests/data/pcx_pillow.sha1
"""
import hashlib
import os
import struct
import sys

from PIL import Image


def qualifies(data):
    if len(data) < 128 + 768:
        return False
    manuf, _ver, enc, bpp = data[0:4]
    xmin, ymin, xmax, _ymax = struct.unpack_from("<4H", data, 4)
    nplanes = data[65]
    (bpl,) = struct.unpack_from("<H", data, 66)
    return (manuf, enc, bpp, nplanes) == (10, 1, 8, 1) and xmin == 0 and ymin == 0 \
        and bpl == xmax + 1


def main(folder):
    for name in sorted(os.listdir(folder)):
        path = os.path.join(folder, name)
        with open(path, "rb") as f:
            data = f.read()
        if not qualifies(data):
            continue
        try:
            with Image.open(path) as im:
                im.load()
                if im.mode not in ("P", "L"):
                    continue
                index = hashlib.sha1(im.tobytes()).hexdigest()
                rgb = hashlib.sha1(im.convert("RGB").tobytes()).hexdigest()
        except (OSError, ValueError):
            continue
        print(name, index, rgb)


if __name__ == "__main__":
    main(sys.argv[1])
