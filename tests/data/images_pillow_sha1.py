#!/usr/bin/python3
"""Writes images_pillow.sha1: per sample image its name and the SHA-1 of the
R, G, B bytes Pillow shows for the first frame, rows top to bottom; "refuse"
for truecolour, "error" where Pillow cannot read it. Indices past the palette
are black, as this program pads it. Pillow 9.4 decodes BI_RLE4 wrongly, so
RLE4 files are checked against their uncompressed twin; broken run-length
data has no right answer and only has to open or be refused: "any".

    /usr/bin/python3 tests/data/images_pillow_sha1.py ../shared/testdata/images > tests/data/images_pillow.sha1
"""
import hashlib
import os
import sys

from PIL import Image


def colours(im):
    if im.mode == "P":
        pal = im.getpalette() or []
        n = len(pal) // 3
        return b"".join(bytes(pal[3 * i:3 * i + 3]) if i < n else b"\0\0\0" for i in im.tobytes())
    if im.mode in ("L", "1"):
        return im.convert("RGB").tobytes()
    return None


SAME_AS = {"pil_g_pal4rle.bmp": "pil_g_pal4.bmp"}
ANY = {"pil_b_badrle.bmp", "irs_pal4rlecut.bmp"}


def main(folder):
    for name in sorted(os.listdir(folder)):
        if name in ANY:
            print(name, "any")
            continue
        if name in SAME_AS:
            name, shown = SAME_AS[name], name
        else:
            shown = name
        try:
            with Image.open(os.path.join(folder, name)) as im:
                im.load()
                rgb = colours(im)
        except (OSError, ValueError):
            print(shown, "error")
            continue
        print(shown, hashlib.sha1(rgb).hexdigest() if rgb is not None else "refuse")


if __name__ == "__main__":
    main(sys.argv[1])
