#!/usr/bin/python3
"""Times palmiro-tool convert beside its peers as whole processes, cases
interleaved: a generated 4096 x 4096 photograph-like picture in a 24-bit BMP
onto a fixed palette of 256 random colours, to an indexed PNG, without
dithering and with Floyd-Steinberg, beside Pillow's quantize(palette=...); a
new palette of 256 for the same picture as a PNG beside pngquant at its
default speed; a batch of 200 small sprites onto a new palette of 16 each.
  convert_times.py REPS TOOL FOLDER
Prints {"case": [seconds, ...]} as JSON, null for a run that failed; for the
tool's runs also "CASE cores" (processor time over wall time) and "CASE peak"
(the largest resident set, bytes)."""
import json
import os
import shutil
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


def make_sprites(folder):
    # Shaded shapes on a transparent ground, as game sprites are drawn.
    os.makedirs(folder, exist_ok=True)
    rng = random.Random(2)
    for i in range(200):
        im = Image.effect_mandelbrot((64, 64), (rng.uniform(-2, 0), -1, rng.uniform(0.2, 1), 1), 40)
        rgb = Image.merge("RGB", (im, im.rotate(90), im.rotate(180)))
        rgb.putalpha(im.point(lambda v: 255 if v > 30 else 0))
        rgb.save(os.path.join(folder, "sprite%03d.png" % i))


def make(folder):
    path = lambda name: os.path.join(folder, name)
    if not os.path.exists(path("photo4096.bmp")):
        make_picture(path("photo4096.bmp"))
        make_palette(path("random256.png"))
    Image.open(path("photo4096.bmp")).save(path("photo4096.png"), compress_level=1)
    make_sprites(path("sprites"))


def main():
    if sys.argv[1] == "make":
        return make(sys.argv[2])
    reps, tool, folder = int(sys.argv[1]), sys.argv[2], sys.argv[3]
    path = lambda name: os.path.join(folder, name)
    picture, palette, out = path("photo4096.bmp"), path("random256.png"), path("converted.png")
    png, sprites = path("photo4096.png"), path("sprites")
    if not os.path.exists(png):
        # In a process of its own: a child's peak resident set starts from
        # its parent's, which must stay small.
        subprocess.run([sys.executable, __file__, "make", folder], check=True)
    os.makedirs(path("sprites-out"), exist_ok=True)
    usage = {}

    def run(args, name=None):
        start = time.perf_counter()
        child = subprocess.Popen(args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        _, status, rusage = os.wait4(child.pid, 0)
        wall = time.perf_counter() - start
        if status != 0:
            return None
        if name:
            usage.setdefault(name + " cores", []).append(
                (rusage.ru_utime + rusage.ru_stime) / wall)
            usage.setdefault(name + " peak", []).append(rusage.ru_maxrss * 1024)
        return wall

    cases = {}
    for dither, pillow in (("none", "NONE"), ("fs", "FLOYDSTEINBERG")):
        cases["tool convert " + dither] = lambda d=dither: run(
            [tool, "convert", "--palette", palette, "--dither", d, "-o", out, picture],
            "tool convert " + d)
        cases["pillow quantize " + dither] = lambda p=pillow: run(
            [sys.executable, "-c", PILLOW % p, picture, palette, out])
    cases["tool convert new 256"] = lambda: run(
        [tool, "convert", "--colours", "256", "-o", out, png], "tool convert new 256")
    if shutil.which("pngquant"):
        cases["pngquant 256"] = lambda: run(["pngquant", "--force", "-o", out, "256", png])
    names = sorted(os.path.join(sprites, n) for n in os.listdir(sprites))
    cases["tool convert sprites"] = lambda: run(
        [tool, "convert", "--colours", "16", "--transparent", "0", "-o", path("sprites-out"),
         *names], "tool convert sprites")
    times = {name: [] for name in cases}
    for _ in range(reps):
        for name, fn in cases.items():
            times[name].append(fn())
    times.update(usage)
    json.dump(times, sys.stdout)


if __name__ == "__main__":
    main()
