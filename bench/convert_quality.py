#!/usr/bin/python3
"""Conversion quality beside other quantizers on the same photographs, as
the mean OKLab distance x 100 between each photograph and its conversion:
"plain", pixel by pixel; "s1" and "s2", both pictures seen from a distance
(a Gaussian blur of sigma 1 or 2 on linear RGB, since light from
neighbouring pixels mixes linearly, then compared in OKLab); and "far", the
share (%) of pixels more than 25 from their own colour: specks.
  convert_quality.py TOOL PHOTOS PALETTES WORK
Prints {"case": {"plain": d, "s1": d, "s2": d, "far": p}, ...} as JSON, each
the mean over the photographs; a program that is missing gives no rows."""
import json
import os
import shutil
import subprocess
import sys

import numpy as np
from PIL import Image

import palettes

SIZES = (16, 64, 256)
FIXED = {"db16": "cpc_db16.pal", "vga256": "lsp_vga-13h.gpl"}
MAGICK = "/usr/bin/convert"  # by path: another "convert" may come first on PATH


def linear(rgb):
    c = rgb / 255.0
    return np.where(c <= 0.04045, c / 12.92, ((c + 0.055) / 1.055) ** 2.4)


def oklab(lin):
    r, g, b = np.moveaxis(lin, -1, 0)
    l = np.cbrt(0.4122214708 * r + 0.5363325363 * g + 0.0514459929 * b)
    m = np.cbrt(0.2119034982 * r + 0.6806995451 * g + 0.1073969566 * b)
    s = np.cbrt(0.0883024619 * r + 0.2817188376 * g + 0.6299787005 * b)
    return np.stack([0.2104542553 * l + 0.7936177850 * m - 0.0040720468 * s,
                     1.9779984951 * l - 2.4285922050 * m + 0.4505937099 * s,
                     0.0259040371 * l + 0.7827717662 * m - 0.8086757660 * s], -1)


def gaussian(a, sigma):
    # Separable, three sigmas either way, edges mirrored.
    r = int(np.ceil(3 * sigma))
    k = np.exp(-np.arange(-r, r + 1) ** 2 / (2 * sigma * sigma))
    k /= k.sum()
    for axis in (0, 1):
        pad = [(0, 0)] * a.ndim
        pad[axis] = (r, r)
        b = np.pad(a, pad, mode="reflect")
        n = a.shape[axis]
        a = sum(w * np.take(b, range(i, i + n), axis=axis) for i, w in enumerate(k))
    return a


def figures(original, converted):
    a = linear(np.asarray(original.convert("RGB"), dtype=np.float64))
    b = linear(np.asarray(converted.convert("RGB"), dtype=np.float64))
    d = np.linalg.norm(oklab(a) - oklab(b), axis=-1) * 100
    out = {"plain": d.mean(), "far": (d > 25).mean() * 100}
    for s in (1, 2):
        seen = oklab(gaussian(a, s)) - oklab(gaussian(b, s))
        out["s%d" % s] = np.linalg.norm(seen, axis=-1).mean() * 100
    return out


def nearest(original, colours):
    # The exact OKLab nearest entry, by exhaustive search.
    a = oklab(linear(np.asarray(original.convert("RGB"), dtype=np.float64))).reshape(-1, 3)
    labs = oklab(linear(np.array(colours, dtype=np.float64)))
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
    tool, photos, palette_folder, work = sys.argv[1:5]
    names = sorted(n for n in os.listdir(photos) if n.endswith((".png", ".jpg")))
    fixed = {}
    for key, name in FIXED.items():
        colours = read_palette(tool, os.path.join(palette_folder, name), work)
        fixed[key] = (os.path.join(palette_folder, name), colours[:16] if key == "db16" else colours)
    fixed["pico8"] = (palettes.write_pico8(work), palettes.PICO8)
    rows = {}

    def add(case, original, converted):
        if converted is not None:
            rows.setdefault(case, []).append(figures(original, converted))

    def run(args, out):
        if subprocess.run(args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode:
            return None
        return Image.open(out)

    out = os.path.join(work, "q.png")
    pngquant = shutil.which("pngquant")
    magick = os.access(MAGICK, os.X_OK)
    for name in names:
        original = Image.open(os.path.join(photos, name)).convert("RGB")
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
        for key, (path, colours) in fixed.items():
            swatch = palettes.write_swatch(work, key, colours)
            p = Image.open(swatch)
            add(f"exact-nearest {key} none", original, nearest(original, colours))
            for d, pil in (("none", Image.Dither.NONE), ("fs", Image.Dither.FLOYDSTEINBERG)):
                im = run([tool, "convert", "--palette", path, "--dither", d, "-o", out, source], out)
                add(f"palmiro {key} {d}", original, im)
                add(f"pillow {key} {d}", original, original.quantize(palette=p, dither=pil))
                if d == "fs":
                    im = run([tool, "convert", "--palette", path, "--no-refine", "-o", out, source], out)
                    add(f"palmiro {key} fs-alone", original, im)
                if magick:
                    flag = ["+dither"] if d == "none" else ["-dither", "FloydSteinberg"]
                    im = run([MAGICK, source, *flag, "-remap", swatch, out], out)
                    add(f"imagemagick {key} {d}", original, im)
    result = {}
    for case, values in rows.items():
        if len(values) == len(names):
            result[case] = {k: sum(v[k] for v in values) / len(values) for k in values[0]}
    json.dump(result, sys.stdout, indent=1)


if __name__ == "__main__":
    main()
