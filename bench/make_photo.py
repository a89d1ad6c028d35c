#!/usr/bin/python3
"""Builds a 12-megapixel photograph from a small one, as a camera's picture
is: the middle 4:3 of PHOTO enlarged by Lanczos to 4000 x 3000, then a
uniform noise of -2 to +2 on every channel (fixed seed), as a sensor's grain.
Writes photo12.bmp (24-bit, onto a palette), photo12.png (RGB, for a new
palette, as pngquant reads no BMP), PALETTE again as photo12.gpl, and as
photo12.pal.png, a P-mode picture whose palette Pillow's quantize() takes,
read through palmiro-tool so both sides remap onto the same colours.
  make_photo.py TOOL PHOTO PALETTE WORK
Prints the picture's size and its number of distinct colours."""
import os
import shutil
import subprocess
import sys

import numpy as np
from PIL import Image

import palettes

WIDTH, HEIGHT = 4000, 3000
NOISE, SEED = 2, 12


def main():
    tool, photo, palette, work = sys.argv[1:5]
    small = Image.open(photo).convert("RGB")
    # The widest 4:3 box in the middle: enlarged without stretching.
    w = min(small.width, small.height * WIDTH / HEIGHT)
    h = w * HEIGHT / WIDTH
    box = ((small.width - w) / 2, (small.height - h) / 2, (small.width + w) / 2,
           (small.height + h) / 2)
    big = np.asarray(small.resize((WIDTH, HEIGHT), Image.Resampling.LANCZOS, box=box), np.int16)
    rng = np.random.default_rng(SEED)
    big = big + rng.integers(-NOISE, NOISE + 1, big.shape, dtype=np.int16)
    im = Image.fromarray(np.clip(big, 0, 255).astype(np.uint8), "RGB")
    im.save(os.path.join(work, "photo12.bmp"))
    im.save(os.path.join(work, "photo12.png"), compress_level=1)

    shutil.copyfile(palette, os.path.join(work, "photo12.gpl"))
    act = os.path.join(work, "photo12-pal.act")
    subprocess.run([tool, "palette", palette, act], check=True, stdout=subprocess.DEVNULL)
    with open(act, "rb") as f:
        flat = f.read()[:768]
    colours = [tuple(flat[i:i + 3]) for i in range(0, len(flat), 3)]
    palettes.write_swatch(work, "photo12", colours)
    packed = np.asarray(im, np.uint32)
    distinct = len(np.unique((packed[..., 0] << 16) | (packed[..., 1] << 8) | packed[..., 2]))
    print("%s: %d x %d, %d distinct colours, %d palette entries" %
          (os.path.basename(photo), WIDTH, HEIGHT, distinct, len(colours)), file=sys.stderr)


if __name__ == "__main__":
    main()
