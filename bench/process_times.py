#!/usr/bin/python3
"""Times whole palmiro-tool processes beside Pillow in this process, cases
interleaved: `info` (open) of noise.pcx, flat8192.pcx and tiny.pcx, `render`
of noise.pcx and tiny.pcx to PNG; Pillow's Image.open(path).load() of the
same files and its save of the noise image as PNG. Prints
{"case": [seconds, ...]} as JSON; tiny.pcx gives the cost of a process."""
import json
import os
import subprocess
import sys
import time

from PIL import Image


def timed(fn):
    start = time.perf_counter()
    fn()
    return time.perf_counter() - start


def main():
    reps, tool, folder = int(sys.argv[1]), sys.argv[2], sys.argv[3]
    pcx = lambda name: os.path.join(folder, name + ".pcx")
    out = os.path.join(folder, "out.png")
    run = lambda *args: subprocess.run([tool, *args], check=True, stdout=subprocess.DEVNULL)
    cases = {}
    for name in ("tiny", "noise", "flat8192"):
        cases["tool info " + name] = lambda n=name: run("info", pcx(n))
        cases["pillow open " + name] = lambda n=name: Image.open(pcx(n)).load()
    for name in ("tiny", "noise"):
        cases["tool render " + name] = lambda n=name: run("render", pcx(n), out)
    noise = Image.open(pcx("noise"))
    noise.load()
    cases["pillow save noise"] = lambda: noise.save(out, "PNG")
    times = {name: [] for name in cases}
    for _ in range(reps):
        for name, fn in cases.items():
            times[name].append(timed(fn))
    json.dump(times, sys.stdout)


if __name__ == "__main__":
    main()
