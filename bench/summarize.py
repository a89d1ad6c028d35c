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
    """A case with a failed run (null) has no time in that round."""
    rounds = []
    for path in sorted(glob.glob(os.path.join(folder, prefix + "-*.json"))):
        with open(path) as f:
            rounds.append({k: statistics.median(v) for k, v in json.load(f).items()
                           if None not in v})
    return rounds


def med(rounds, key):
    return statistics.median(r[key] for r in rounds)


def ratio(rounds_a, a, rounds_b, b):
    return statistics.median(ra[a] / rb[b] for ra, rb in zip(rounds_a, rounds_b))


def quality_rows(folder, rows):
    """Mean OKLab distance x 100 over the photographs, beside the best peer:
    plain, seen at sigma 1 and 2 in linear light, and the share of specks."""
    try:
        with open(os.path.join(folder, "quality.json")) as f:
            q = json.load(f)
    except (OSError, ValueError):
        return
    cases = []
    for n in (16, 64, 256):
        peers = ["pngquant new %d none" % n, "pillow-mediancut new %d none" % n]
        cases.append(("new palette of %d, no dithering" % n, "palmiro new %d none" % n, "plain",
                      peers, 0.9))
        # Floyd-Steinberg as it is by default (refined), and alone, for comparison.
        for how, goals in (("fs", {"s1": 0.9, "s2": 0.9, "plain": 1.15, "far": 2.0}),
                           ("fs-alone", {"s1": None, "s2": None, "plain": None, "far": None})):
            for kind, goal in goals.items():
                cases.append(("new palette of %d, %s, %s" % (n, how, kind),
                              "palmiro new %d %s" % (n, how), kind, ["pngquant new %d fs" % n],
                              goal))
    for key in ("db16", "vga256", "pico8"):
        cases.append(("%s, no dithering" % key, "palmiro %s none" % key, "plain",
                      ["exact-nearest %s none" % key], 1.0))
        for how, goals in (("fs", {"s1": 0.9, "s2": 0.9, "plain": 1.15, "far": None}),
                           ("fs-alone", {"s1": None, "s2": None, "plain": None, "far": None})):
            for kind, goal in goals.items():
                cases.append(("%s, %s, %s" % (key, how, kind), "palmiro %s %s" % (key, how), kind,
                              ["pillow %s fs" % key, "imagemagick %s fs" % key], goal))
    for case, ours, kind, peers, target in cases:
        peers = [p for p in peers if p in q]
        if ours not in q or not peers:
            continue
        best = min(peers, key=lambda p: q[p][kind])
        # A share of specks is compared with a floor: one speck in a million
        # pixels is none.
        floor = 1e-4 if kind == "far" else 1e-9
        r = max(q[ours][kind], floor) / max(q[best][kind], floor)
        rows.append(("quality " + case, "%.3f" % q[ours][kind], best.split()[0],
                     "%.3f" % q[best][kind], "%.3f" % r,
                     "<= %.2f" % target if target else "-",
                     ("yes" if r <= target + 5e-4 else "NO") if target else "-"))


def photo_rows(folder, rows, add):
    """The 12-megapixel photograph, one pair of runs a round."""
    try:
        with open(os.path.join(folder, "photo.json")) as f:
            photo = json.load(f)
    except (OSError, ValueError):
        return
    runs = photo["runs"]
    pairs = [{k: v[i] for k, v in runs.items() if v[i] is not None}
             for i in range(len(next(iter(runs.values()))))]
    ms = lambda s: "%.0f ms" % (1e3 * s)
    for dither, target in (("fs", 1.5), ("none", 3.0)):
        add("photo 4000x3000 onto VGA 256, dither %s, whole process" % dither, pairs,
            "tool " + dither, pairs, "pillow " + dither, "Pillow quantize(palette=)", target,
            better_low=False, fmt=ms)
        # Pillow's quantizing alone, and what its load and save took of its
        # whole process: a change there is not ours.
        add("photo onto VGA 256, dither %s, ours whole" % dither, pairs, "tool " + dither, pairs,
            "pillow %s quantize" % dither, "Pillow quantize() alone", None, better_low=False,
            fmt=ms)
        parts = ["pillow %s %s" % (dither, p) for p in ("load", "quantize", "save")]
        if pairs and all(all(p in r for p in parts + ["pillow " + dither]) for r in pairs):
            share = statistics.median(sum(r[p] for p in parts) / r["pillow " + dither]
                                      for r in pairs)
            rows.append(("photo, Pillow %s: load / quantize / save" % dither,
                         " / ".join(ms(med(pairs, p)) for p in parts), "Pillow whole process",
                         ms(med(pairs, "pillow " + dither)), "%.2f" % share, "-", "-"))
    if "pngquant 256" in runs:
        add("photo new palette of 256, PNG, whole process", pairs, "tool new 256", pairs,
            "pngquant 256", "pngquant default", 2.0, better_low=False, fmt=ms)
        add("photo new palette of 256, no dithering", pairs, "tool new 256 none", pairs,
            "pngquant 256 nofs", "pngquant --nofs", 3.0, better_low=False, fmt=ms)
    # What the conversion must hold: the RGBA pixels, the indexed ones, and a margin.
    peaks = [r["tool fs peak"] for r in pairs if "tool fs peak" in r]
    if peaks:
        allowed = photo["pixels"] * 5 + 64 * 2**20
        peak = max(peaks)
        rows.append(("peak memory converting photo 4000x3000, fs", "%.1f MiB" % (peak / 2**20),
                     "RGBA + indexed + 64 MiB", "%.1f MiB" % (allowed / 2**20),
                     "%.2f" % (peak / allowed), "<= 1.00", "yes" if peak <= allowed else "NO"))


def set_rows(folder, rows):
    """One palette for a set: quality beside pngquant on a mosaic, and the
    set's whole run with its peak memory."""
    try:
        with open(os.path.join(folder, "set-quality.json")) as f:
            quality = json.load(f)
    except (OSError, ValueError):
        quality = {}
    for n, q in quality.items():
        for key, target, what in (("", 0.95, "pixel-weighted mean"),
                                  (" equal", 0.9, "mean of pictures' means, --weight equal")):
            if "mosaic" + key in q:
                r = q["ours" + key] / q["mosaic" + key]
                rows.append(("set of pictures, new palette of %s, %s" % (n, what),
                             "%.3f" % q["ours" + key], "pngquant --nofs on a mosaic",
                             "%.3f" % q["mosaic" + key], "%.3f" % r, "<= %.2f" % target,
                             "yes" if r <= target else "NO"))
    try:
        with open(os.path.join(folder, "set-times.json")) as f:
            times = json.load(f)
    except (OSError, ValueError):
        times = {}
    for case, t in times.items():
        if t["seconds"] is None:
            rows.append(("set of %s: palette and conversion" % case, "failed", "-", "-", "-", "-",
                         "NO"))
            continue
        allowed = t["largest"] * 4 + 256 * 2**20
        rows.append(("set of %s: palette and conversion, whole process" % case,
                     "%.1f s" % t["seconds"], "-", "-", "-", "-", "-"))
        rows.append(("set of %s: peak memory" % case, "%.1f MiB" % (t["peak"] / 2**20),
                     "largest RGBA + 256 MiB", "%.1f MiB" % (allowed / 2**20),
                     "%.2f" % (t["peak"] / allowed), "<= 1.00",
                     "yes" if t["peak"] <= allowed else "NO"))


def tables_rows(folder, rows):
    """Light and blend tables: OKLab's time against the classic rule searched naively, and
    per palette the mean CIEDE2000 of 32 levels from the colour each entry stands for,
    darkened as light and in plain RGB; the gain is classic's error less OKLab's."""
    tables = bench_rounds(folder, "tables")
    if tables and all("BM_OklabTables" in r and "BM_ClassicTables" in r for r in tables):
        t = med(tables, "BM_OklabTables")
        rows.append(("tables: OKLab 32 levels + 256x256 blend", "%.1f ms" % (1e3 * t),
                     "classic rule, naive", "%.1f ms" % (1e3 * med(tables, "BM_ClassicTables")),
                     "%.2f" % ratio(tables, "BM_OklabTables", tables, "BM_ClassicTables"),
                     "< 50 ms", "yes" if t < 0.05 else "NO"))
    try:
        with open(os.path.join(folder, "shade-quality.json")) as f:
            q = json.load(f)
    except (OSError, ValueError):
        return
    for name, e in q.items():
        if "fullbright taken" in e:
            n = e["fullbright taken"]
            rows.append(("tables: %s shades on fullbright 224-255, both matches" % name, str(n),
                         "-", "-", "-", "0", "yes" if n == 0 else "NO"))
        for ideal in ("light", "rgb"):
            ok, cl = e["oklab/" + ideal], e["classic/" + ideal]
            # The goal is light's: darkening in plain RGB is the classic rule's own ideal.
            goal = ideal == "light"
            rows.append(("tables: mean CIEDE2000 %s, ideal %s, gain %.3f" % (name, ideal, cl - ok),
                         "%.3f" % ok, "classic rule", "%.3f" % cl, "%.3f" % (ok / cl),
                         "< 1.00" if goal else "-", ("yes" if ok < cl else "NO") if goal else "-"))


def main(folder):
    render = bench_rounds(folder, "render")
    rows = []

    def add(case, a_rounds, a, b_rounds, b, baseline, target, better_low=True, fmt=None):
        sign = "<=" if better_low else ">="
        goal = "%s %.2f" % (sign, target) if target else "-"
        if not a_rounds or not b_rounds:
            return
        if not all(a in ra and b in rb for ra, rb in zip(a_rounds, b_rounds)):
            rows.append((case, "failed", baseline, "-", "-", goal, "NO"))
            return
        r = ratio(a_rounds, a, b_rounds, b)
        if not better_low:
            r = 1 / r
        met = target and ((r <= target) if better_low else (r >= target))
        ta = fmt(med(a_rounds, a)) if fmt else "%.3f ms" % (1e3 * med(a_rounds, a))
        tb = fmt(med(b_rounds, b)) if fmt else "%.3f ms" % (1e3 * med(b_rounds, b))
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

    # Whole processes less the same process on a 16 x 16 file of the format.
    process = pillow_rounds(folder, "process")
    opened = [("pcx", "noise", 3.0), ("pcx", "flat8192", 3.0)]
    opened += [(ext, name, 1.5) for ext in ("png", "bmp", "gif") for name in ("noise", "flat8192")]
    for r in process:
        for key in ["info %s.%s" % (name, ext) for ext, name, _ in opened] + ["render noise"]:
            command, f = key.split()
            tiny = "tool %s tiny%s" % (command, os.path.splitext(f)[1])
            if "tool " + key in r and tiny in r:
                r["tool " + key + " less start"] = r["tool " + key] - r[tiny]
    if process:
        for ext, name, target in opened:
            f = "%s.%s" % (name, ext)
            kind, side = ("flat", 8192) if name == "flat8192" else ("noise", 4096)
            add("open %s %s %dx%d, whole process" % (ext.upper(), kind, side, side), process,
                "tool info %s less start" % f, process, "pillow open " + f, "Pillow open+load",
                target, better_low=False, fmt=ms)
        add("render noise 4096x4096 to PNG", process, "tool render noise less start",
            process, "pillow save noise", "Pillow save PNG", 1.0, better_low=False, fmt=ms)

    # Whole processes, 24-bit BMP in, indexed PNG out, Pillow started as the tool is.
    convert = pillow_rounds(folder, "convert")
    for dither, target in (("none", 3.0), ("fs", 1.5)):
        add("convert 4096x4096 onto 256 entries, dither %s" % dither, convert,
            "tool convert " + dither, convert, "pillow quantize " + dither,
            "Pillow quantize(palette=)", target, better_low=False, fmt=ms)

    if convert:
        add("convert new palette of 256, 4096x4096 PNG", convert, "tool convert new 256",
            convert, "pngquant 256", "pngquant default speed", 1.0, better_low=False, fmt=ms)
        cores, n = med(convert, "tool convert sprites cores"), os.cpu_count()
        rows.append(("convert 200 sprites 64x64, cores busy", "%.2f" % cores, "cores here",
                     str(n), "%.2f" % (cores / n), ">= 0.85", "yes" if cores / n >= 0.85 else "NO"))
        # What a conversion must hold: the RGBA pixels, the entries, and a margin.
        allowed = 4096 * 4096 * 5 + 64 * 2**20
        for case in ("none", "fs", "new 256"):
            peak = max(r["tool convert %s peak" % case] for r in convert)
            rows.append(("peak memory converting 4096x4096, %s" % case, "%.1f MiB" % (peak / 2**20),
                         "RGBA + entries + 64 MiB", "%.1f MiB" % (allowed / 2**20),
                         "%.2f" % (peak / allowed), "<= 1.00", "yes" if peak <= allowed else "NO"))
    photo_rows(folder, rows, add)
    quality_rows(folder, rows)
    set_rows(folder, rows)

    qt, cp = "BM_QtIndexed8ToRgb32", "BM_MemcpyFrame"
    add("fill 1920x1080 zoom 1", render, "BM_Fill/zoom:1", render, qt, "Qt Indexed8->RGB32", 1.0)
    add("fill 1920x1080 zoom 1", render, "BM_Fill/zoom:1", render, cp, "memcpy 1920x1080x4", 3.0)
    add("fill 1920x1080 zoom 2", render, "BM_Fill/zoom:2", render, cp, "memcpy 1920x1080x4", 2.5)
    add("fill 1920x1080 zoom 4", render, "BM_Fill/zoom:4", render, cp, "memcpy 1920x1080x4", 2.0)
    add("fill zoomed out to 1/8 (linear-light means)", render, "BM_FillReduced/n:8", render,
        "BM_Fill/zoom:1", "fill zoom 1", None)
    add("fill zoomed out to 1/32 (linear-light means)", render, "BM_FillReduced/n:32", render,
        "BM_Fill/zoom:1", "fill zoom 1", None)
    add("slider edit (entry, table, redraw)", render, "BM_SliderEdit", render,
        "BM_Fill/zoom:1", "fill zoom 1", 1.1)
    # At a light level the edit also makes the palette's shade table again.
    add("slider edit at light level 20 (table made again)", render, "BM_SliderEditShaded", render,
        "BM_SliderEdit", "slider edit", None)
    add("light slider moved (level row composed, table kept)", render, "BM_LightLevelMove",
        render, "BM_SliderEdit", "slider edit", 1.1)
    add("fill by QImage::setPixel", render, "BM_FillBySetPixel", render, "BM_Fill/zoom:1",
        "fill zoom 1", None)

    # Tidying the palette of an 8192 x 8192 picture against one copy of its
    # pixels: an item may take two passes over them. The window keeps its
    # counts current, so an item there is the renumbering alone; palmiro-tool
    # counts first.
    tidy = bench_rounds(folder, "tidy")
    copy = "memcpy 8192x8192"
    add("tidy: usage count 8192x8192", tidy, "BM_Count", tidy, "BM_Copy", copy, None)
    add("tidy: one look-up a pixel, new buffer", tidy, "BM_Lookup", tidy, "BM_Copy", copy, None)
    add("tidy: memcpy into new memory", tidy, "BM_CopyFresh", tidy, "BM_Copy", copy, None)
    items = ("merge duplicates", "merge similar 2", "unused to end", "sort hue",
             "sort lightness", "sort chroma", "sort usage", "reduce to 16")
    for k, item in enumerate(items):
        add("tidy: %s" % item, tidy, "BM_TidyKnown/%d" % k, tidy, "BM_Copy", copy, 2.0)
        add("tidy: %s, undone" % item, tidy, "BM_TidyUndo/%d" % k, tidy, "BM_Copy", copy, 2.0)
        add("tidy: %s, counted first (tool)" % item, tidy, "BM_Tidy/%d" % k, tidy, "BM_Copy",
            copy, None)

    tables_rows(folder, rows)

    # Growth of the peak resident set while the editor opens a file, beside
    # what it must hold: the file and the pixels (and the last image's pixels
    # on opening again), plus a margin.
    mib = lambda n: "%.1f MiB" % (n / 2**20)
    for ext, name, _ in opened:
        f = "%s.%s" % (name, ext)
        try:
            with open(os.path.join(folder, "peak-%s.json" % f)) as fp:
                p = json.load(fp)
        except (OSError, ValueError):
            p = {"refused": "no result"}
        opens = [("first", 0, 8 if ext == "pcx" else 16)]
        if ext == "pcx":
            opens.append(("second", 1, 8))
        for which, kept, margin in opens:
            case = "peak memory opening %s, %s" % (f, which)
            baseline = "file + %spixels + %d MiB" % ("2 x " if kept else "", margin)
            if "refused" in p:
                rows.append((case, "refused", baseline, "-", "-", "<= 1.00", "NO"))
                continue
            allowed = p["file"] + (1 + kept) * p["pixels"] + margin * 2**20
            r = p[which] / allowed
            rows.append((case, mib(p[which]), baseline, mib(allowed), "%.2f" % r, "<= 1.00",
                         "yes" if r <= 1 else "NO"))

    head = ("case", "median", "baseline", "baseline median", "ratio", "target", "met")
    widths = [max(len(str(r[i])) for r in rows + [head]) for i in range(len(head))]
    line = lambda r: "| " + " | ".join(str(c).ljust(w) for c, w in zip(r, widths)) + " |"
    print(line(head))
    print("|" + "|".join("-" * (w + 2) for w in widths) + "|")
    for r in rows:
        print(line(r))
    for ext, name, _ in opened:
        path = os.path.join(folder, "peak-%s.%s.json" % (name, ext))
        if os.path.exists(path):
            with open(path) as fp:
                text = fp.read().strip()
            if "refused" in text or not text:
                print("peak-%s.%s: %s" % (name, ext, text or "no result"))

if __name__ == "__main__":
    main(sys.argv[1])
