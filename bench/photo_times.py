#!/usr/bin/python3
"""Times palmiro-tool convert beside its peers as whole processes on the
12-megapixel photograph make_photo.py wrote into FOLDER: onto its palette of
256 with Floyd-Steinberg and without dithering beside Pillow's
quantize(palette=...), and a new palette of 256 for the PNG with and
without dithering beside pngquant at its default speed. Each pair runs one
after the other, the first of the two changing from pair to pair.
  photo_times.py PAIRS TOOL FOLDER
Prints {"pixels": N, "runs": {"case": [seconds, ...]}} as JSON, null for a
run that failed; also "tool CASE peak" (the largest resident set, bytes) and
Pillow's own load, quantize and save times ("pillow CASE load", ...)."""
import json
import os
import shutil
import struct
import subprocess
import sys
import time

# Timed inside the process too, so that a change in Pillow's BMP reader or
# PNG writer, or in the machine, shows apart from the quantizing.
PILLOW = """
import json, sys, time
from PIL import Image
t0 = time.perf_counter()
im = Image.open(sys.argv[1])
im.load()
pal = Image.open(sys.argv[2])
pal.load()
t1 = time.perf_counter()
q = im.quantize(palette=pal, dither=Image.Dither.%s)
t2 = time.perf_counter()
q.save(sys.argv[3])
t3 = time.perf_counter()
json.dump({"load": t1 - t0, "quantize": t2 - t1, "save": t3 - t2}, sys.stdout)
"""


def main():
    # This process stays small: a child's peak resident set starts from its
    # parent's.
    pairs, tool, folder = int(sys.argv[1]), sys.argv[2], sys.argv[3]
    path = lambda name: os.path.join(folder, name)
    bmp, png, pal, out = path("photo12.bmp"), path("photo12.png"), path("photo12.pal.png"), \
        path("photo12-out.png")
    runs = {}

    def run(name, args, parts=False):
        start = time.perf_counter()
        child = subprocess.Popen(args, stdout=subprocess.PIPE if parts else subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
        text = b""
        if parts:
            text = child.stdout.read()
            child.stdout.close()
        _, status, rusage = os.wait4(child.pid, 0)
        wall = time.perf_counter() - start
        child.returncode = 0  # reaped here, not by Popen
        ok = status == 0
        runs.setdefault(name, []).append(wall if ok else None)
        if name.startswith("tool "):
            runs.setdefault(name + " peak", []).append(rusage.ru_maxrss * 1024 if ok else None)
        if parts:
            inside = json.loads(text) if ok else {}
            for part in ("load", "quantize", "save"):
                runs.setdefault("%s %s" % (name, part), []).append(inside.get(part))

    onto = lambda *flags: [tool, "convert", "--palette", path("photo12.gpl"), *flags, "-o", out,
                           bmp]
    rows = [(lambda: run("tool fs", onto()),
             lambda: run("pillow fs", [sys.executable, "-c", PILLOW % "FLOYDSTEINBERG", bmp, pal,
                                       out], True)),
            (lambda: run("tool none", onto("--dither", "none")),
             lambda: run("pillow none", [sys.executable, "-c", PILLOW % "NONE", bmp, pal, out],
                         True))]
    # A new palette: both programs read the same PNG.
    new = lambda *flags: [tool, "convert", "--colours", "256", *flags, "-o", out, png]
    pngquant = shutil.which("pngquant")
    if pngquant:
        rows += [(lambda: run("tool new 256", new()),
                  lambda: run("pngquant 256", [pngquant, "--force", "-o", out, "256", png])),
                 (lambda: run("tool new 256 none", new("--dither", "none")),
                  lambda: run("pngquant 256 nofs",
                              [pngquant, "--force", "--nofs", "-o", out, "256", png]))]
    for k in range(pairs):
        for ours, peer in rows:
            for fn in ((ours, peer) if k % 2 == 0 else (peer, ours)):
                fn()
    with open(bmp, "rb") as f:
        width, height = struct.unpack("<ii", f.read(26)[18:26])
    json.dump({"pixels": width * abs(height), "runs": runs}, sys.stdout)


if __name__ == "__main__":
    main()
