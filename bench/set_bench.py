#!/usr/bin/python3
"""One palette for a set of pictures, beside pngquant on a mosaic of the set.

  set_bench.py quality TOOL PHOTOS WORK
    The set: every photograph of PHOTOS and sprites cut out of them (48 x 48
    crops of 6 to 12 colours). For N = 16, 64 and 256, without dithering,
    palmiro-tool makes one palette for the set (weighed by pixels, and
    equally), and pngquant one for a mosaic of the set: the pictures side by
    side on shelves, the gaps transparent (pngquant then gets N + 1 colours,
    the one more for the gaps, but 256 at most). Prints {"N": {"ours": e, "ours equal": e,
    "mosaic": e, "mosaic equal": e}}: the pixel-weighted mean OKLab distance
    x 100 over the set, and ("equal") the mean of the pictures' means.
  set_bench.py times TOOL PHOTOS WORK
    2,000 pictures of 64 x 64 and 20 photographs of 12 megapixels, each set
    made into one palette of 256 and converted with Floyd-Steinberg in one
    run. Prints {"case": {"seconds": s, "peak": bytes, "largest": pixels}}."""
import json
import os
import shutil
import subprocess
import sys
import time

import numpy as np
from PIL import Image

from convert_quality import linear, oklab

SPRITE, SPRITES_PER_PHOTO, SEED = 48, 8, 34


def photographs(folder):
    return [Image.open(os.path.join(folder, n)).convert("RGB") for n in sorted(os.listdir(folder))
            if n.lower().endswith((".png", ".jpg"))]


def quality_set(photos, work):
    rng = np.random.default_rng(SEED)
    pictures = []
    for i, photo in enumerate(photographs(photos)):
        pictures.append(("photo%d.png" % i, photo))
        for j in range(SPRITES_PER_PHOTO):
            x = int(rng.integers(0, photo.width - SPRITE))
            y = int(rng.integers(0, photo.height - SPRITE))
            crop = photo.crop((x, y, x + SPRITE, y + SPRITE))
            few = crop.quantize(int(rng.integers(6, 13)), method=Image.Quantize.MEDIANCUT)
            pictures.append(("sprite%d-%d.png" % (i, j), few.convert("RGB")))
    folder = os.path.join(work, "set")
    os.makedirs(folder, exist_ok=True)
    for name, im in pictures:
        im.save(os.path.join(folder, name))
    return folder, pictures


def mosaic(pictures):
    """Shelves of a fixed width, the tallest first; returns the RGBA picture
    and each picture's place."""
    width = max(im.width for _, im in pictures)
    order = sorted(range(len(pictures)), key=lambda i: -pictures[i][1].height)
    places, x, y, shelf = {}, 0, 0, 0
    for i in order:
        im = pictures[i][1]
        if x + im.width > width:
            x, y, shelf = 0, y + shelf, 0
        places[i] = (x, y)
        x += im.width
        shelf = max(shelf, im.height)
    out = Image.new("RGBA", (width, y + shelf), (0, 0, 0, 0))
    for i, (x, y) in places.items():
        out.paste(pictures[i][1], (x, y))
    return out, places


def distances(original, converted):
    a = oklab(linear(np.asarray(original, dtype=np.float64)))
    b = oklab(linear(np.asarray(converted.convert("RGB"), dtype=np.float64)))
    return np.linalg.norm(a - b, axis=-1) * 100


def summary(per_picture):
    total = sum(d.sum() for d in per_picture)
    return total / sum(d.size for d in per_picture), float(np.mean([d.mean() for d in per_picture]))


def quality(tool, photos, work):
    folder, pictures = quality_set(photos, work)
    files = [os.path.join(folder, name) for name, _ in pictures]
    board, places = mosaic(pictures)
    board_file = os.path.join(work, "mosaic.png")
    board.save(board_file)
    pngquant = shutil.which("pngquant")
    result = {}
    for n in (16, 64, 256):
        row = {}
        for weight, key in (("pixels", "ours"), ("equal", "ours equal")):
            out = os.path.join(work, "out-%d-%s" % (n, weight)) + "/"
            subprocess.run([tool, "convert", "--colours", str(n), "--shared", "--weight", weight,
                            "--dither", "none", "--quiet", "-o", out, *files], check=True)
            got = [distances(im, Image.open(out + name)) for name, im in pictures]
            plain, equal = summary(got)
            row[key] = plain if weight == "pixels" else equal
        if pngquant:
            out = os.path.join(work, "mosaic-%d.png" % n)
            subprocess.run([pngquant, "--nofs", "--force", "-o", out, str(min(n + 1, 256)), board_file],
                           check=True)
            quantized = Image.open(out).convert("RGB")
            got = []
            for i, (_, im) in enumerate(pictures):
                x, y = places[i]
                got.append(distances(im, quantized.crop((x, y, x + im.width, y + im.height))))
            row["mosaic"], row["mosaic equal"] = summary(got)
        result[str(n)] = row
    json.dump(result, sys.stdout, indent=1)


def run(args):
    start = time.perf_counter()
    child = subprocess.Popen(args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, rusage = os.wait4(child.pid, 0)
    child.returncode = 0  # reaped here
    wall = time.perf_counter() - start
    return (wall, rusage.ru_maxrss * 1024) if status == 0 else (None, None)


def times(tool, photos, work):
    rng = np.random.default_rng(SEED)
    sources = photographs(photos)
    small = os.path.join(work, "small")
    os.makedirs(small, exist_ok=True)
    for k in range(2000):
        photo = sources[k % len(sources)]
        x, y = int(rng.integers(0, photo.width - 64)), int(rng.integers(0, photo.height - 64))
        photo.crop((x, y, x + 64, y + 64)).save(os.path.join(small, "s%04d.png" % k),
                                                 compress_level=1)
    big = os.path.join(work, "big")
    os.makedirs(big, exist_ok=True)
    for k in range(20):
        photo = sources[k % len(sources)]
        if k // len(sources) % 2:
            photo = photo.transpose(Image.Transpose.FLIP_LEFT_RIGHT)
        photo.resize((4000, 3000), Image.Resampling.BICUBIC).save(
            os.path.join(big, "p%02d.bmp" % k))
    result = {}
    for case, folder, largest in (("2000 pictures of 64 x 64", small, 64 * 64),
                                  ("20 photographs of 4000 x 3000", big, 4000 * 3000)):
        files = sorted(os.path.join(folder, n) for n in os.listdir(folder))
        out = os.path.join(work, "out-" + os.path.basename(folder)) + "/"
        seconds, peak = run([tool, "convert", "--colours", "256", "--shared", "--quiet",
                             "--write-palette", os.path.join(work, "set.gpl"), "-o", out, *files])
        result[case] = {"seconds": seconds, "peak": peak, "largest": largest}
    json.dump(result, sys.stdout, indent=1)


if __name__ == "__main__":
    what, tool, photos, work = sys.argv[1:5]
    (quality if what == "quality" else times)(tool, photos, work)
