#!/usr/bin/python3
"""Writes images_pillow.sha1: per sample image the SHA-1 of the R, G, B bytes
Pillow shows for its first frame ("refuse": truecolour, "error": unreadable).
Indices past the palette are black. Pillow 9.4 decodes BI_RLE4 wrongly, so RLE4
files are checked against their uncompressed twin; broken run-length data only
has to open or be refused: "any".

    /usr/bin/python3 tests/data/images_pillow_sha1.py ../shared/testdata/images > tests/data/images_pillow.sha1
"""
import hashlib
import os
import sys

from PIL import Image


def colours(im):
    if im.mode == "P":
        pal = bytes(im.getpalette() or []).ljust(768, b"\0")
        return b"".join(pal[3 * i:3 * i + 3] for i in im.tobytes())
    if im.mode in ("L", "1"):
        return im.convert("RGB").tobytes()
    return None


SAME_AS = {"pil_g_pal4rle.bmp": "pil_g_pal4.bmp"}
ANY = {"pil_b_badrle.bmp", "irs_pal4rlecut.bmp"}


def main(folder):
    for shown in sorted(os.listdir(folder)):
        if shown in ANY:
            print(shown, "any")
            continue
        name = SAME_AS.get(shown, shown)
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
