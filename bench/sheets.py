#!/usr/bin/python3
"""Sheets to look at: crops of a face, a sky and a fine texture at 2x, the
original beside our conversion and the best peer's, for the cases where
dithering shows most.
  sheets.py TOOL PHOTOS OUT
Writes OUT/<case>.png, one row a crop: original | ours | peer."""
import os
import subprocess
import sys

from PIL import Image

import palettes

# (photograph, left, top): 128 x 128 crops.
CROPS = (("skimage_astronaut.png", 170, 50),  # a face
         ("skimage_rocket.jpg", 100, 20),  # a sky
         ("skimage_chelsea.png", 60, 40))  # fur and an eye
SIDE = 128


def cases(work):
    pico8 = palettes.write_pico8(work)
    yield ("new16-fs", ["--colours", "16"],
           lambda src, out: ["pngquant", "--speed", "1", "--force", "-o", out, "16", src])
    yield ("new64-none", ["--colours", "64", "--dither", "none"],
           lambda src, out: ["pngquant", "--speed", "1", "--force", "--nofs", "-o", out, "64", src])
    yield ("pico8-fs", ["--palette", pico8],
           lambda src, out: ["/usr/bin/convert", src, "-dither", "FloydSteinberg", "-remap",
                             palettes.write_swatch(work, "pico8", palettes.PICO8), out])


def main():
    tool, photos, out = sys.argv[1:4]
    os.makedirs(out, exist_ok=True)
    work = os.path.join(out, "work")
    os.makedirs(work, exist_ok=True)
    for name, ours, peer in cases(work):
        sheet = Image.new("RGB", (3 * 2 * SIDE, len(CROPS) * 2 * SIDE))
        for row, (photo, left, top) in enumerate(CROPS):
            src = os.path.join(work, "source.png")
            Image.open(os.path.join(photos, photo)).convert("RGB").save(src)
            mine, theirs = os.path.join(work, "ours.png"), os.path.join(work, "peer.png")
            subprocess.run([tool, "convert", *ours, "-o", mine, src], check=True,
                           stdout=subprocess.DEVNULL)
            subprocess.run(peer(src, theirs), check=True)
            for col, path in enumerate((src, mine, theirs)):
                crop = Image.open(path).convert("RGB").crop((left, top, left + SIDE, top + SIDE))
                crop = crop.resize((2 * SIDE, 2 * SIDE), Image.NEAREST)
                sheet.paste(crop, (col * 2 * SIDE, row * 2 * SIDE))
        sheet.save(os.path.join(out, name + ".png"))
        print(os.path.join(out, name + ".png"))


if __name__ == "__main__":
    main()
