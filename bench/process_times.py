#!/usr/bin/python3
"""Times whole palmiro-tool processes beside Pillow in this process, cases
interleaved: `info` (open) of tiny, noise and flat8192 in PCX, PNG, BMP and
GIF, `render` of noise.pcx and tiny.pcx to PNG; Pillow's Image.open(path)
.load() of the same files and its save of the noise image as PNG. Prints
{"case": [seconds, ...]} as JSON, null for a run the tool refused; each tiny
file gives the cost of a process opening its format."""
import json
import os
import subprocess
import sys
import time

from PIL import Image

FORMATS = ("pcx", "png", "bmp", "gif")


def timed(fn):
    start = time.perf_counter()
    ok = fn()
    elapsed = time.perf_counter() - start
    return elapsed if ok is not False else None


def pillow_open(path):
    with Image.open(path) as im:
        im.load()
        # Pillow maps an uncompressed BMP and reads nothing until asked.
        if im.format == "BMP":
            im.getextrema()


def main():
    reps, tool, folder = int(sys.argv[1]), sys.argv[2], sys.argv[3]
    path = lambda name: os.path.join(folder, name)
    out = path("out.png")
    run = lambda *args: subprocess.run([tool, *args], stdout=subprocess.DEVNULL,
                                       stderr=subprocess.DEVNULL).returncode == 0
    cases = {}
    for ext in FORMATS:
        for name in ("tiny", "noise", "flat8192"):
            f = "%s.%s" % (name, ext)
            cases["tool info " + f] = lambda f=f: run("info", path(f))
            cases["pillow open " + f] = lambda f=f: pillow_open(path(f))
    for name in ("tiny", "noise"):
        cases["tool render " + name] = lambda n=name: run("render", path(n + ".pcx"), out)
    noise = Image.open(path("noise.pcx"))
    noise.load()
    cases["pillow save noise"] = lambda: noise.save(out, "PNG")
    times = {name: [] for name in cases}
    for _ in range(reps):
        for name, fn in cases.items():
            times[name].append(timed(fn))
    json.dump(times, sys.stdout)


if __name__ == "__main__":
    main()
