"""The image road through the real dialog, drawn as palmiro-tool renders it:
read-out, click, green drag. Nothing typed or clicked is lost: the focus goes
back to a refused box, the click after a refusal acts, and an uncommitted
zoom text does not drive the picture."""

import subprocess
from collections import Counter
from harness import *

SHOWN, REFUSED = TESTDATA / "pcx" / "alg_mysha.pcx", TESTDATA / "pcx" / "pil_pil184.pcx"
RED, GREEN, ZOOM = (48, 329), (48, 353), (36, 77)  # boxes: palette, palette, main client


def body(tool):
    if not (tool and SHOWN.is_file() and REFUSED.is_file()):
        skip("palmiro-tool or the sample PCX files are missing")
    renders, stored, app = {}, Image.open(SHOWN), App()
    try:
        for zoom in (100, 400):
            subprocess.run([tool, "render", SHOWN, "--zoom", str(zoom), ART / "tool.png"], check=True)
            renders[zoom] = Image.open(ART / "tool.png").convert("RGB")
        x0, y0, w, h = frame(app.screen, False)
        area, size = (x0, y0, x0 + w - 17, y0 + h - 17), (0, 0, w - 17, h - 17)  # no scroll bars
        info = app.at(app.main, 10, 178) + app.at(app.main, 107, 235)
        swatch = lambda image: image.getpixel(app.at(app.pallet, *SWATCH))
        cells = [app.at(app.pallet, 16 * (i % 16) + 8, 24 + 16 * (i // 16)) for i in range(256)]

        def drawn(zoom, name, entry=None, colour=None):
            """The drawing area as palmiro-tool renders it, entry's pixels in colour."""
            wanted = renders[zoom].crop(size)
            if entry is not None:
                mask = stored.point(lambda v: 255 * (v == 255 - entry), "L")
                mask = mask.resize((mask.width * zoom // 100, mask.height * zoom // 100), Image.NEAREST)
                wanted.paste(colour, (0, 0), mask.crop(size))
            until_screen(lambda i: ImageChops.difference(i.crop(area), wanted).getbbox(),
                         f"the picture drawn as {name}", name=name + ".png")

        def hover(x, y, colour):
            move(area[0] + x, area[1] + y)
            until_screen(lambda i: Counter(i.crop(info).getdata()).most_common(1)[0][0] != colour,
                         f"the read-out to show {colour} at {(x, y)}")

        def refuse(elsewhere):
            click(*app.at(app.pallet, *RED))
            key("ctrl+a", "a", "b", "c")
            elsewhere()
            app.answer("Palmiro", "Return")

        click(*app.at(app.main, 60, 36))
        app.answer_file("Select PCX File", SHOWN)
        drawn(100, "opened")
        step("PCX opened through the dialog, drawn pixel for pixel as palmiro-tool renders it")

        colour, entry = renders[100].getpixel((150, 100)), 255 - stored.getpixel((150, 100))
        hover(150, 100, colour)
        xdo("click", 1)
        thumb = app.at(app.pallet, 72 + round(185 * colour[0] / 255), 320)
        wait(lambda: pointer() == thumb, f"the pointer on the red thumb {thumb}")
        until_screen(lambda i: swatch(i) != colour, f"the swatch to show {colour}")
        step(f"hover reads entry {entry} {colour}; a click selects it, pointer on the red thumb")

        grab = app.at(app.pallet, 77 + (174 * colour[1]) // 255, 352)
        drag(grab, (grab[0] + (50 if colour[1] < 128 else -50), grab[1]))
        edited = swatch(until_screen(lambda i: swatch(i) == colour, "the green drag"))
        drawn(100, "green-dragged", entry, edited)
        step(f"green drag: exactly entry {entry}'s pixels turn {edited}")

        refuse(lambda: key("Tab"))
        wait(lambda: xdo("getactivewindow").strip() == str(app.pallet), "the palette active")
        key("9", "Tab")
        edited = swatch(until_screen(lambda i: swatch(i)[0] != 9, "red 9 typed after"))
        step("after the refusal the palette window is active and typing replaces the text")

        refuse(lambda: click(*app.at(app.pallet, *GREEN)))
        now = shot()
        other = next(i for i in range(256) if now.getpixel(cells[i]) != edited)
        click(*cells[other])
        until_screen(lambda i: swatch(i) != i.getpixel(cells[other]), "the clicked cell")
        step(f"the first click after a refused text selects entry {other}")

        drag(app.at(app.main, 22, 100), app.at(app.main, 100, 100))
        drawn(400, "zoom-400", entry, edited)
        click(*app.at(app.main, *ZOOM))
        key("ctrl+a", "1", "0", "0")
        x, y = next((x, 60) for x in range(4, 300, 4)
                    if renders[400].getpixel((x, 60)) != renders[100].getpixel((x, 60)))
        hover(x, y, renders[400].getpixel((x, y)))
        click(*cells[entry])
        grab = app.at(app.pallet, 77 + (174 * edited[1]) // 255, 352)
        drag(grab, (grab[0] - 40, grab[1]))
        edited = swatch(until_screen(lambda i: swatch(i)[1] >= edited[1], "a green edit"))
        drawn(400, "uncommitted-100", entry, edited)
        step("with 100 typed but not committed, read-out and redraw keep 400 %")

        click(*app.at(app.main, 60, 36))  # leaving the box commits 100
        app.answer_file("Select PCX File", REFUSED)
        app.answer("Palmiro", "Return", "refused.png")
        drawn(100, "refused", entry, edited)
        step("a refused PCX brings its message; picture and palette stay, now at 100 %")
    finally:
        app.stop()


journey(body)
