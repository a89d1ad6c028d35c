#!/usr/bin/python3
"""Prints the one benchmark table from the results bench/run collected.
Speed ratios (">=") are the peer's time over ours: how many times faster.

Every ratio is taken inside one round (one run of each program, cases
interleaved), and the median over the rounds is shown beside the medians of
the times themselves."""
import glob
import json
import os
import statistics
import sys

MP = 4096 * 4096 / 1e6


def bench_rounds(folder, prefix):
    rounds = []
    for path in sorted(glob.glob(os.path.join(folder, prefix + "-*.json"))):
        with open(path) as f:
            data = json.load(f)
        times = {}
        for b in data["benchmarks"]:
            if b.get("run_type") != "iteration" or b.get("error_occurred"):
                continue
            unit = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}[b["time_unit"]]
            times.setdefault(b["run_name"], []).append(b["real_time"] * unit)
        rounds.append({k: statistics.median(v) for k, v in times.items()})
    return rounds


def pillow_rounds(folder, prefix):
    rounds = []
    for path in sorted(glob.glob(os.path.join(folder, prefix + "-*.json"))):
        with open(path) as f:
            rounds.append({k: statistics.median(v) for k, v in json.load(f).items()})
    return rounds


def med(rounds, key):
    return statistics.median(r[key] for r in rounds)


def ratio(rounds_a, a, rounds_b, b):
    return statistics.median(ra[a] / rb[b] for ra, rb in zip(rounds_a, rounds_b))


def main(folder):
    render = bench_rounds(folder, "render")
    rows = []

    def add(case, a_rounds, a, b_rounds, b, baseline, target, better_low=True, fmt=None):
        r = ratio(a_rounds, a, b_rounds, b)
        if not better_low:
            r = 1 / r
        sign = "<=" if better_low else ">="
        met = target and ((r <= target) if better_low else (r >= target))
        ta = fmt(med(a_rounds, a)) if fmt else "%.3f ms" % (1e3 * med(a_rounds, a))
        tb = fmt(med(b_rounds, b)) if fmt else "%.3f ms" % (1e3 * med(b_rounds, b))
        goal = "%s %.2f" % (sign, target) if target else "-"
        rows.append((case, ta, baseline, tb, "%.2f" % r, goal,
                     ("yes" if met else "NO") if target else "-"))

    mps = lambda s: "%.0f MP/s" % (MP / s)
    ms = lambda s: "%.1f ms" % (1e3 * s)
    for mode in ("fresh", "steady"):
        decode = bench_rounds(folder, "decode_" + mode)
        pillow = pillow_rounds(folder, "pillow_" + mode)
        if not decode or not pillow:
            continue
        for kind, bm in (("noise", "BM_DecodeNoise"), ("flat", "BM_DecodeFlat")):
            add("decode %s 4096x4096, %s pages" % (kind, mode), decode, bm, pillow,
                kind + ".pcx", "Pillow", 3.0 if mode == "steady" else None,
                better_low=False, fmt=mps)

    # Whole processes less the same process on a 16 x 16 file.
    process = pillow_rounds(folder, "process")
    for r in process:
        for case in ("info noise", "info flat8192", "render noise"):
            r["tool " + case + " less start"] = r["tool " + case] - r["tool " + case.split()[0]
                                                                        + " tiny"]
    if process:
        add("open noise 4096x4096, whole process", process, "tool info noise less start",
            process, "pillow open noise", "Pillow open+load", 3.0, better_low=False, fmt=ms)
        add("open flat 8192x8192, whole process", process, "tool info flat8192 less start",
            process, "pillow open flat8192", "Pillow open+load", 3.0, better_low=False,
            fmt=ms)
        add("render noise 4096x4096 to PNG", process, "tool render noise less start",
            process, "pillow save noise", "Pillow save PNG", 1.0, better_low=False, fmt=ms)

    qt, cp = "BM_QtIndexed8ToRgb32", "BM_MemcpyFrame"
    add("fill 1920x1080 zoom 1", render, "BM_Fill/zoom:1", render, qt, "Qt Indexed8->RGB32", 1.0)
    add("fill 1920x1080 zoom 1", render, "BM_Fill/zoom:1", render, cp, "memcpy 1920x1080x4", 3.0)
    add("fill 1920x1080 zoom 2", render, "BM_Fill/zoom:2", render, cp, "memcpy 1920x1080x4", 2.5)
    add("fill 1920x1080 zoom 4", render, "BM_Fill/zoom:4", render, cp, "memcpy 1920x1080x4", 2.0)
    add("slider edit (entry, table, redraw)", render, "BM_SliderEdit", render,
        "BM_Fill/zoom:1", "fill zoom 1", 1.1)
    add("fill by QImage::setPixel", render, "BM_FillBySetPixel", render, "BM_Fill/zoom:1",
        "fill zoom 1", None)

    head = ("case", "median", "baseline", "baseline median", "ratio", "target", "met")
    widths = [max(len(str(r[i])) for r in rows + [head]) for i in range(len(head))]
    line = lambda r: "| " + " | ".join(str(c).ljust(w) for c, w in zip(r, widths)) + " |"
    print(line(head))
    print("|" + "|".join("-" * (w + 2) for w in widths) + "|")
    for r in rows:
        print(line(r))

    mb = lambda n: n / 2**20
    for path in sorted(glob.glob(os.path.join(folder, "peak-*.json"))):
        with open(path) as f:
            p = json.load(f)
        name = os.path.basename(path)[5:-5]
        first = p["file"] + p["pixels"]
        second = p["pixels"] + first
        print("peak memory opening %s: first %.1f MiB = file %.1f + pixels %.1f + %.2f beyond; "
              "second %.1f MiB = pixels %.1f + file %.1f + pixels %.1f + %.2f beyond "
              "(targets: at most 8 MiB beyond)"
              % (name, mb(p["first"]), mb(p["file"]), mb(p["pixels"]), mb(p["first"] - first),
                 mb(p["second"]), mb(p["pixels"]), mb(p["file"]), mb(p["pixels"]),
                 mb(p["second"] - second)))


if __name__ == "__main__":
    main(sys.argv[1])
