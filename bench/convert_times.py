#!/usr/bin/python3
"""Times palmiro-tool convert beside Pillow's quantize(palette=...) as whole
processes, cases interleaved: a generated 4096 x 4096 photograph-like
picture in a 24-bit BMP onto a fixed palette of 256 random colours, to an
indexed PNG, without dithering and with Floyd-Steinberg.
  convert_times.py REPS TOOL FOLDER
Prints {"case": [seconds, ...]} as JSON, null for a run that failed."""
import json
import os
import random
import subprocess
import sys
import time

from PIL import Image, ImageChops, ImageFilter

SIDE = 4096

PILLOW = """
import sys
from PIL import Image
im = Image.open(sys.argv[1])
pal = Image.open(sys.argv[2])
im.quantize(palette=pal, dither=Image.Dither.%s).save(sys.argv[3])
"""


def make_picture(path):
    # Smooth shapes with a little grain: about a million distinct colours,
    # as a photograph of this size has.
    def channel(box, shift):
        m = Image.effect_mandelbrot((SIDE // 4, SIDE // 4), box, 60)
        m = m.filter(ImageFilter.GaussianBlur(3)).resize((SIDE, SIDE), Image.Resampling.BICUBIC)
        return ImageChops.add(m, Image.effect_noise((SIDE, SIDE), 6), 1, shift - 128)

    Image.merge("RGB", (channel((-2, -1.5, 1, 1.5), 100), channel((-1.8, -1.2, 0.8, 1.4), 110),
                        channel((-2.2, -1.6, 1.2, 1.7), 90))).save(path)


def make_palette(path):
    rng = random.Random(1)
    pal = Image.new("P", (1, 1))
    pal.putpalette([rng.randrange(256) for _ in range(768)])
    pal.save(path)


def main():
    reps, tool, folder = int(sys.argv[1]), sys.argv[2], sys.argv[3]
    path = lambda name: os.path.join(folder, name)
    picture, palette, out = path("photo4096.bmp"), path("random256.png"), path("converted.png")
    if not os.path.exists(picture):
        make_picture(picture)
        make_palette(palette)

    def run(args):
        start = time.perf_counter()
        ok = subprocess.run(args, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL).returncode == 0
        return time.perf_counter() - start if ok else None

    cases = {}
    for dither, pillow in (("none", "NONE"), ("fs", "FLOYDSTEINBERG")):
        cases["tool convert " + dither] = lambda d=dither: run(
            [tool, "convert", "--palette", palette, "--dither", d, "-o", out, picture])
        cases["pillow quantize " + dither] = lambda p=pillow: run(
            [sys.executable, "-c", PILLOW % p, picture, palette, out])
    times = {name: [] for name in cases}
    for _ in range(reps):
        for name, fn in cases.items():
            times[name].append(fn())
    json.dump(times, sys.stdout)


if __name__ == "__main__":
    main()
