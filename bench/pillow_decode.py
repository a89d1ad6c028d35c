#!/usr/bin/python3
"""Times Pillow decoding PCX files from memory: Image.open(...).load(),
files interleaved, one process. Prints {"name": [seconds, ...]} as JSON."""
import io
import json
import os
import sys
import time

from PIL import Image


def main():
    reps = int(sys.argv[1])
    files = {os.path.basename(p): open(p, "rb").read() for p in sys.argv[2:]}
    times = {name: [] for name in files}
    for _ in range(reps):
        for name, data in files.items():
            start = time.perf_counter()
            with Image.open(io.BytesIO(data)) as im:
                im.load()
            times[name].append(time.perf_counter() - start)
    json.dump(times, sys.stdout)


if __name__ == "__main__":
    main()
