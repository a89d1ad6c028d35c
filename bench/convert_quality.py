#!/usr/bin/python3
"""Conversion quality beside other quantizers on the same photographs: the
mean OKLab distance x 100 between each photograph and its conversion, plain
and after a Gaussian blur of sigma 1 on both (how a dithered picture is seen).
  convert_quality.py TOOL PHOTOS PALETTES WORK
Prints {"case": {"plain": d, "blurred": d}, ...} as JSON, each the mean over
the photographs; a program that is missing gives no rows."""
import json
import os
import shutil
import subprocess
import sys

import numpy as np
from PIL import Image, ImageFilter

SIZES = (16, 64, 256)
FIXED = {"db16": "cpc_db16.pal", "vga256": "lsp_vga-13h.gpl"}


def linear(rgb):
    c = rgb / 255.0
    return np.where(c <= 0.04045, c / 12.92, ((c + 0.055) / 1.055) ** 2.4)


def oklab(rgb):
    r, g, b = np.moveaxis(linear(rgb), -1, 0)
    l = np.cbrt(0.4122214708 * r + 0.5363325363 * g + 0.0514459929 * b)
    m = np.cbrt(0.2119034982 * r + 0.6806995451 * g + 0.1073969566 * b)
    s = np.cbrt(0.0883024619 * r + 0.2817188376 * g + 0.6299787005 * b)
    return np.stack([0.2104542553 * l + 0.7936177850 * m - 0.0040720468 * s,
                     1.9779984951 * l - 2.4285922050 * m + 0.4505937099 * s,
                     0.0259040371 * l + 0.7827717662 * m - 0.8086757660 * s], -1)


def blurred(im):
    # Pillow's Gaussian blur of sigma 1 on the 8-bit sRGB picture: the way
    # the figures other quantizers are known by were measured.
    return np.asarray(im.filter(ImageFilter.GaussianBlur(1)), dtype=np.float64)


def distances(original, converted):
    a, b = original.convert("RGB"), converted.convert("RGB")
    plain = np.asarray(a, dtype=np.float64), np.asarray(b, dtype=np.float64)
    mean = lambda p, q: np.linalg.norm(oklab(p) - oklab(q), axis=-1).mean() * 100
    return mean(*plain), mean(blurred(a), blurred(b))


def nearest(original, colours):
    # The exact OKLab nearest entry, by exhaustive search.
    a = oklab(np.asarray(original.convert("RGB"), dtype=np.float64)).reshape(-1, 3)
    labs = oklab(np.array(colours, dtype=np.float64))
    best = np.empty(len(a), dtype=np.int64)
    for i in range(0, len(a), 65536):
        d = ((a[i:i + 65536, None, :] - labs[None, :, :]) ** 2).sum(-1)
        best[i:i + 65536] = d.argmin(1)
    out = np.array(colours, dtype=np.uint8)[best].reshape(original.height, original.width, 3)
    return Image.fromarray(out)


def read_palette(tool, path, work):
    # Through our own reader, as the 768 bytes of an ACT file.
    out = os.path.join(work, os.path.basename(path) + ".act")
    subprocess.run([tool, "palette", path, out], check=True, stdout=subprocess.DEVNULL)
    with open(out, "rb") as f:
        flat = f.read()[:768]
    return [tuple(flat[i:i + 3]) for i in range(0, len(flat), 3)]


def main():
    tool, photos, palettes, work = sys.argv[1:5]
    names = sorted(n for n in os.listdir(photos) if n.endswith((".png", ".jpg")))
    fixed = {}
    for key, name in FIXED.items():
        colours = read_palette(tool, os.path.join(palettes, name), work)
        fixed[key] = colours[:16] if key == "db16" else colours
    rows = {}

    def add(case, original, converted):
        if converted is None:
            return
        rows.setdefault(case, []).append(distances(original, converted))

    def run(args, out):
        if subprocess.run(args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode:
            return None
        return Image.open(out)

    out = os.path.join(work, "q.png")
    pngquant = shutil.which("pngquant")
    magick = shutil.which("convert")
    for name in names:
        path = os.path.join(photos, name)
        original = Image.open(path).convert("RGB")
        source = os.path.join(work, "source.png")
        original.save(source)
        for n in SIZES:
            for d, flags in (("none", ["--dither", "none"]), ("fs", []), ("fs-alone", ["--no-refine"])):
                im = run([tool, "convert", "--colours", str(n), *flags, "-o", out, source], out)
                add(f"palmiro new {n} {d}", original, im)
            if pngquant:
                for d, flag in (("none", ["--nofs"]), ("fs", [])):
                    im = run([pngquant, "--speed", "1", "--force", *flag, "-o", out, str(n), source], out)
                    add(f"pngquant new {n} {d}", original, im)
            add(f"pillow-mediancut new {n} none", original, original.quantize(n, dither=Image.Dither.NONE))
        for key, colours in fixed.items():
            # One pixel a colour: ImageMagick remaps onto a picture's colours.
            palette_file = os.path.join(work, key + ".pal.png")
            p = Image.new("P", (len(colours), 1))
            p.putpalette([v for c in colours for v in c])
            p.putdata(range(len(colours)))
            p.save(palette_file)
            add(f"exact-nearest {key} none", original, nearest(original, colours))
            for d, pil in (("none", Image.Dither.NONE), ("fs", Image.Dither.FLOYDSTEINBERG)):
                im = run([tool, "convert", "--palette", os.path.join(palettes, FIXED[key]),
                          "--dither", d, "-o", out, source], out)
                add(f"palmiro {key} {d}", original, im)
                add(f"pillow {key} {d}", original, original.quantize(palette=p, dither=pil))
                if d == "fs":
                    im = run([tool, "convert", "--palette", os.path.join(palettes, FIXED[key]),
                              "--no-refine", "-o", out, source], out)
                    add(f"palmiro {key} fs-alone", original, im)
                if magick:
                    flag = ["+dither"] if d == "none" else ["-dither", "FloydSteinberg"]
                    im = run([magick, source, *flag, "-remap", palette_file, out], out)
                    add(f"imagemagick {key} {d}", original, im)
    result = {}
    for case, values in rows.items():
        if len(values) == len(names):
            result[case] = {"plain": sum(v[0] for v in values) / len(values),
                            "blurred": sum(v[1] for v in values) / len(values)}
    json.dump(result, sys.stdout, indent=1)


if __name__ == "__main__":
    main()
