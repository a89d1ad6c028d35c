"""The rest of the road of a typical edit, on a sample picture: the search
"!" shows the selected entry's pixels among its complement until its message
is answered; the zoom slider draws 2 x 2 and 4 x 4 blocks and a scroll bar
click shifts the picture; New fills every entry with the colour set in its
dialog; About shows its window; Exit asks, Cancel keeps the program, OK ends
it with status 0."""

import subprocess
import sys
import tempfile
import time
from pathlib import Path

from PIL import Image

from harness import (REPO, TESTDATA, Failure, Skip, check, differences, pallet_cell_centre,
                     run_journey, step, wait_until)

SAMPLES = (REPO / "samples" / "landscape.pcx", TESTDATA / "pcx" / "alg_mysha.pcx")
SEARCH_BUTTON = (112, 296)  # centre of "!", palette client pixels
# Main window client rectangles: left, top, width, height.
ZOOM_SLIDER = (16, 92, 89, 17)
NEW, ABOUT, EXIT = (16, 252, 89, 17), (16, 332, 89, 17), (8, 356, 105, 25)
# The New dialog: its red slider, its swatch's inside and its OK button.
NEW_RED_SLIDER = (136, 36, 185, 17)
NEW_SWATCH = (34, 66)
NEW_OK = (180, 124)
ABOUT_TITLE = "Palmiro のﾊﾞｰｼﾞｮﾝ情報"
ABOUT_VERSION = (288, 16, 89, 16)  # lblVer, client pixels
ABOUT_OK = (340, 60)
THUMB = 11  # width of a slider's thumb


def centre(rect):
    return rect[0] + rect[2] // 2, rect[1] + rect[3] // 2


def thumb_x(rect, value, low, high):
    """Client x of a slider thumb's centre at value."""
    return rect[0] + THUMB / 2 + (rect[2] - THUMB) * (value - low) / (high - low)


def journey(j):
    sample = next((s for s in SAMPLES if s.is_file()), None)
    if sample is None:
        raise Skip(f"none of {', '.join(map(str, SAMPLES))} is there "
                   f"(samples/make_samples.py writes the first)")
    if j.tool is None or not j.tool.is_file():
        raise Skip("palmiro-tool was not given (--tool) or is not built")

    renders = {}
    with tempfile.TemporaryDirectory(prefix="palmiro-road-") as scratch:
        for zoom in (100, 200, 400):
            out = Path(scratch) / f"{zoom}.png"
            done = subprocess.run([str(j.tool), "render", str(sample), "--zoom", str(zoom),
                                   str(out)], capture_output=True, timeout=30)
            check(done.returncode == 0, f"palmiro-tool render failed: {done.stderr.decode()}")
            with Image.open(out) as im:
                renders[zoom] = im.convert("RGB")
    with Image.open(sample) as im:
        stored = Image.frombytes("L", im.size, im.tobytes())

    with j.palmiro(label="road") as app:
        area = app.drawing_area()

        def view_of(picture, dx=0, dy=0):
            """What the drawing area shows of picture scrolled by (dx, dy)."""
            view = Image.new("RGB", (area.w, area.h))
            view.paste(picture.crop((dx, dy, min(picture.width, dx + area.w),
                                     min(picture.height, dy + area.h))))
            return view

        def drawn_as(wanted, what):
            def problem(image):
                count, first = differences(image.crop(area.box()), wanted)
                return (f"{count} pixels of the screen window differ from {what}, e.g. "
                        f"(x, y), shown, expected: {first}") if count else None
            return problem

        app.click_button("PCX Open")
        dialog = app.fill_file_dialog("Select PCX File", sample)
        app.wait_closed(dialog, "the Select PCX File dialog")
        j.x.wait_screen(drawn_as(view_of(renders[100]), "the picture at 100 %"))
        step(f"{sample.name} opened and drawn as palmiro-tool renders it")

        # --- the search ---------------------------------------------------
        visible = stored.crop((0, 0, min(area.w, stored.width), min(area.h, stored.height)))
        counts = visible.histogram()
        value = max((v for v in range(1, 256) if counts[v]), key=lambda v: (counts[v], v))
        entry = 255 - value
        picture = renders[100]
        shown_as = {}  # stored value -> colour, from the render
        for (x, y) in ((x, y) for y in range(visible.height) for x in range(visible.width)):
            shown_as.setdefault(visible.getpixel((x, y)), picture.getpixel((x, y)))
        colour = shown_as[value]
        complement = tuple(255 - c for c in colour)
        # Stored 0 shows entry 255 in its own colour; the visible part may lack it.
        lookup = [colour if v == value else shown_as.get(0) if v == 0 else complement
                  for v in range(256)]
        highlight = Image.new("RGB", visible.size)
        highlight.putdata([lookup[v] for v in visible.getdata()])

        j.x.click(*app.pallet_point(*pallet_cell_centre(entry)))
        j.x.wait_screen(lambda im: None if im.getpixel(app.pallet_point(24, 296)) == colour
                        else f"the swatch shows {im.getpixel(app.pallet_point(24, 296))}, "
                             f"not entry {entry}'s {colour}")
        j.x.click(*app.pallet_point(*SEARCH_BUTTON))
        box = app.message_box()
        j.x.wait_screen(drawn_as(view_of(highlight), f"entry {entry}'s pixels in {colour} "
                                 f"among its complement {complement}"),
                        path=j.artefacts / "road-search.png")
        step(f"search of entry {entry}: its {counts[value]} visible pixels keep {colour}, "
             f"all others but entry 255's turn {complement}, with the message open")
        j.x.key("Return")
        app.wait_closed(box, "the search message")
        j.x.wait_screen(drawn_as(view_of(renders[100]), "the picture at 100 %"),
                        path=j.artefacts / "road-search-ended.png")
        step("Return closes the message and the picture is back as it was")

        # --- zoom and scrolling ----------------------------------------------
        row = app.main_point(0, centre(ZOOM_SLIDER)[1])[1]
        for start, zoom in ((100, 200), (200, 400)):
            grab = app.main_point(thumb_x(ZOOM_SLIDER, start, 100, 400), 0)[0]
            drop = app.main_point(thumb_x(ZOOM_SLIDER, zoom, 100, 400), 0)[0]
            j.x.drag((grab, row), (drop, row), steps=8)
            j.x.wait_screen(drawn_as(view_of(renders[zoom]), f"the picture at {zoom} %"),
                            path=j.artefacts / f"road-zoom-{zoom}.png")
            step(f"slider to {zoom} %: every pixel drawn as a {zoom // 100} x {zoom // 100} block")

        zoomed = renders[400]
        check(zoomed.width > area.w, f"the picture at 400 % ({zoomed.width} px) is not wider "
                                     f"than the drawing area ({area.w} px): nothing to scroll")
        j.x.click(area.right - 40, area.bottom + 8)  # the horizontal bar's track, right of the thumb
        shot = {}

        def shifted(image):
            now = image.crop(area.box())
            for dx in range(1, zoomed.width - area.w + 1):
                if differences(now, view_of(zoomed, dx))[0] == 0:
                    shot["dx"] = dx
                    return None
            return "the picture at 400 % is not drawn shifted left by any whole amount"
        j.x.wait_screen(shifted, path=j.artefacts / "road-scrolled.png")
        step(f"a click on the horizontal scroll bar's track shifts the picture {shot['dx']} px left")

        # --- New with a colour -------------------------------------------------
        before = set(app.x.visible_windows(app.proc.pid))
        j.x.click(*app.main_point(*centre(NEW)))
        new = wait_until(lambda: next(iter(set(j.x.visible_windows(app.proc.pid)) - before), None),
                         "the New dialog", timeout=10, interval=0.1)
        j.x.focus(new)
        client = j.x.client(new)
        red_y = client.y + centre(NEW_RED_SLIDER)[1]
        j.x.drag((client.x + thumb_x(NEW_RED_SLIDER, 0, 0, 255), red_y),
                 (client.x + thumb_x(NEW_RED_SLIDER, 200, 0, 255), red_y), steps=10)
        swatch = (client.x + NEW_SWATCH[0], client.y + NEW_SWATCH[1])
        chosen = {}

        def reddened(image):
            c = image.getpixel(swatch)
            if c[0] < 150 or c[1:] != (0, 0):
                return f"the New dialog's swatch shows {c} after the red drag"
            chosen["c"] = c
            return None
        j.x.wait_screen(reddened, path=j.artefacts / "road-new-dialog.png")
        fill = chosen["c"]
        j.x.click(client.x + NEW_OK[0], client.y + NEW_OK[1])
        app.wait_closed(new, "the New dialog")
        cells = [app.pallet_point(*pallet_cell_centre(i)) for i in range(256)]

        def all_filled(image):
            bad = [i for i in range(256) if image.getpixel(cells[i]) != fill]
            if bad:
                return (f"{len(bad)} cells are not {fill}, e.g. cell {bad[0]} is "
                        f"{image.getpixel(cells[bad[0]])}")
            return drawn_as(view_of(Image.new("RGB", zoomed.size, fill), shot["dx"]),
                            f"a picture all in {fill}")(image)
        j.x.wait_screen(all_filled, path=j.artefacts / "road-new.png")
        step(f"New with the red slider dragged: all 256 cells and the whole picture {fill}")

        # --- About ------------------------------------------------------------
        j.x.click(*app.main_point(*centre(ABOUT)))
        about = app.wait_window(ABOUT_TITLE)
        c = j.x.client(about)
        label = (c.x + ABOUT_VERSION[0], c.y + ABOUT_VERSION[1],
                 c.x + ABOUT_VERSION[0] + ABOUT_VERSION[2], c.y + ABOUT_VERSION[1] + ABOUT_VERSION[3])

        def version_written(image):
            dark = sum(1 for p in image.crop(label).getdata() if max(p) < 100)
            return None if dark >= 20 else f"only {dark} dark pixels where the version is written"
        j.x.wait_screen(version_written, path=j.artefacts / "road-about.png")
        version = (REPO / "CMakeLists.txt").read_text(encoding="utf-8")
        check("VERSION 0.1.0" in version, "the project version is no longer 0.1.0, so the "
                                          "About window no longer reads Version 0.10β")
        j.x.click(c.x + ABOUT_OK[0], c.y + ABOUT_OK[1])
        app.wait_closed(about, "the About window")
        step(f"About shows {ABOUT_TITLE!r} with its version text; OK closes it")

        # --- Exit ---------------------------------------------------------------
        j.x.click(*app.main_point(*centre(EXIT)))
        box = app.message_box()
        j.screenshot("road-exit-question.png")
        j.x.key("Escape")
        app.wait_closed(box, "the exit question")
        time.sleep(0.5)
        app.assert_running()
        check({app.main, app.pallet, app.screen} <= set(j.x.visible_windows(app.proc.pid)),
              "a window went away after Cancel at the exit question")
        j.screenshot("road-exit-cancelled.png")
        step("Exit, Cancel: the program runs on with its three windows")

        j.x.click(*app.main_point(*centre(EXIT)))
        box = app.message_box()
        j.x.key("Return")
        started = time.monotonic()
        try:
            code = app.proc.wait(timeout=5)
        except subprocess.TimeoutExpired:
            raise Failure("the program still runs 5 s after OK at the exit question")
        j.screenshot("road-exited.png")
        check(code == 0, f"the program ended with status {code}, not 0")
        step(f"Exit, OK: the program ends with status 0 after {time.monotonic() - started:.2f} s")


sys.exit(run_journey(journey))
