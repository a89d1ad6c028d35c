"""A real PCX file opened through the dialog is drawn exactly as palmiro-tool
renders it; the read-out follows the pointer, a click selects the entry under
it and puts the pointer on the red slider; a green slider drag recolours
exactly that entry's pixels; a refused file brings its message and changes
nothing."""

import subprocess
import sys
import tempfile
from collections import Counter
from pathlib import Path

from PIL import Image

from harness import (LBL_INFO, TESTDATA, Failure, Skip, check, differences, run_journey, step,
                     wait_until)

ACCEPTED = "alg_mysha.pcx"  # 320 x 200
REFUSED = "pil_pil184.pcx"  # 1 bit per pixel
SWATCH = (24, 296)  # centre of the selection swatch, client pixels
SLIDER_LEFT, SLIDER_WIDTH, SLIDER_TOP = 72, 185, 320  # red slider; green 24 px lower
THUMB = 11  # width of a slider's thumb


def verdict(name):
    manifest = TESTDATA / "MANIFEST.md"
    for line in manifest.read_text(encoding="utf-8").splitlines():
        cells = [c.strip() for c in line.split("|")]
        if len(cells) > 2 and cells[1] == name:
            return "accept" if "accept" in cells else "reject"
    raise Skip(f"{name} is not listed in {manifest}")


def thumb_centre(value):
    """Where the thumb of a 0..255 slider stands, in client x."""
    return SLIDER_LEFT + THUMB / 2 + (SLIDER_WIDTH - THUMB) * value / 255


def journey(j):
    pcx = TESTDATA / "pcx"
    needed = (pcx / ACCEPTED, pcx / REFUSED, TESTDATA / "MANIFEST.md")
    if not all(f.is_file() for f in needed):
        raise Skip(f"the sample files {', '.join(str(f) for f in needed)} are not all there")
    if j.tool is None or not j.tool.is_file():
        raise Skip("palmiro-tool was not given (--tool) or is not built")
    check(verdict(ACCEPTED) == "accept" and verdict(REFUSED) == "reject",
          f"MANIFEST.md no longer accepts {ACCEPTED} and refuses {REFUSED}")

    with tempfile.TemporaryDirectory(prefix="palmiro-pcx-") as scratch:
        rendered = Path(scratch) / "expected.png"
        done = subprocess.run([str(j.tool), "render", str(pcx / ACCEPTED), "--zoom", "100",
                               str(rendered)], capture_output=True, timeout=30)
        check(done.returncode == 0, f"palmiro-tool render failed: {done.stderr.decode()}")
        with Image.open(rendered) as im:
            picture = im.convert("RGB")
    with Image.open(pcx / ACCEPTED) as im:
        stored = im.copy()  # stored pixel values; the picture shows entry 255 - v

    with j.palmiro(label="pcx") as app:
        app.settle()
        area = app.drawing_area()
        pallet = j.x.client(app.pallet)
        main = app.main_point(0, 0)
        info = (main[0] + LBL_INFO[0] + 1, main[1] + LBL_INFO[1] + 1,
                main[0] + LBL_INFO[0] + LBL_INFO[2] - 1, main[1] + LBL_INFO[1] + LBL_INFO[3] - 1)

        expected = Image.new("RGB", (area.w, area.h))
        expected.paste(picture.crop((0, 0, min(area.w, picture.width), min(area.h, picture.height))))

        def drawn_as(wanted):
            def problem(image):
                count, first = differences(image.crop(area.box()), wanted)
                return (f"{count} pixels of the screen window differ from the expected "
                        f"picture, e.g. (x, y), shown, expected: {first}") if count else None
            return problem

        app.click_button("PCX Open")
        dialog = app.fill_file_dialog("Select PCX File", pcx / ACCEPTED)
        app.wait_closed(dialog, "the Select PCX File dialog")
        j.x.wait_screen(drawn_as(expected), path=j.artefacts / "pcx-opened.png")
        step(f"{ACCEPTED} opened through the dialog: all {area.w} x {area.h} pixels of the "
             f"drawing area match palmiro-tool's rendering")

        # A pixel of a mid-green entry, so that the green thumb can go either way.
        candidates = [(x, y) for y in range(10, min(area.h, picture.height), 10)
                      for x in range(10, min(area.w, picture.width), 10)
                      if 40 <= picture.getpixel((x, y))[1] <= 180]
        check(candidates, "no pixel of a mid-green entry in the visible picture")
        px, py = candidates[len(candidates) // 2]
        colour = picture.getpixel((px, py))
        entry = 255 - stored.getpixel((px, py))

        def info_shows(wanted):
            def problem(image):
                shown = Counter(image.crop(info).getdata()).most_common(1)[0][0]
                return None if shown == wanted else f"lblInfo shows {shown}, not {wanted}"
            return problem

        j.x.move_pointer(area.x + px, area.y + py)
        j.x.wait_screen(info_shows(colour), path=j.artefacts / "pcx-hover.png")
        step(f"pointer over pixel ({px}, {py}): lblInfo takes entry {entry}'s colour {colour}")

        j.x.xdotool("click", 1)
        landing = (pallet.x + SLIDER_LEFT + round(SLIDER_WIDTH * colour[0] / 255),
                   pallet.y + SLIDER_TOP)
        wait_until(lambda: j.x.pointer() == landing,
                   f"the pointer to land on the red slider's thumb at {landing} "
                   f"(it is at {j.x.pointer()})", timeout=5)
        def swatch_is(wanted):
            def problem(image):
                shown = image.getpixel((pallet.x + SWATCH[0], pallet.y + SWATCH[1]))
                return None if shown == wanted else f"the swatch shows {shown}, not {wanted}"
            return problem
        j.x.wait_screen(swatch_is(colour), path=j.artefacts / "pcx-clicked.png")
        step(f"click selects entry {entry} (the swatch shows {colour}) and puts the pointer "
             f"on the red slider at {landing}")

        green_y = pallet.y + SLIDER_TOP + 24 + 8
        grab = pallet.x + thumb_centre(colour[1])
        j.x.drag((grab, green_y), (grab + (60 if colour[1] < 128 else -60), green_y), steps=12)
        values = Image.frombytes("L", stored.size, stored.tobytes())
        mask = Image.eval(values, lambda v: 255 if v == 255 - entry else 0)
        mask = mask.crop((0, 0, area.w, area.h))
        changed = sum(1 for v in mask.getdata() if v)

        def recoloured(image):
            now = image.getpixel((pallet.x + SWATCH[0], pallet.y + SWATCH[1]))
            if now[0] != colour[0] or now[2] != colour[2] or now[1] == colour[1]:
                return f"the swatch shows {now} after the green drag from {colour}"
            return drawn_as(Image.composite(Image.new("RGB", expected.size, now),
                                            expected, mask))(image)
        dragged = j.x.wait_screen(recoloured, path=j.artefacts / "pcx-dragged.png")
        now = dragged.getpixel((pallet.x + SWATCH[0], pallet.y + SWATCH[1]))
        step(f"green drag makes entry {entry} {now}: its {changed} visible pixels take that "
             f"colour, all others stay")

        # Hovering shows that the program went on past a command, so that a
        # picture that did not change is not merely one not yet redrawn.
        def hover_other(avoid):
            """Hovers a pixel of a colour not in avoid; returns the
            screenshot that shows it in lblInfo, and the colour."""
            for x, y in candidates:
                shade = dragged.getpixel((area.x + x, area.y + y))
                if shade not in avoid:
                    j.x.move_pointer(area.x + x, area.y + y)
                    return j.x.wait_screen(info_shows(shade)), shade
            raise Failure("no pixel of another colour to hover")
        before, hovered = hover_other({colour, now})
        before.save(j.artefacts / "pcx-before-refusal.png")
        # The file label, the cells and the swatch; the focus frame of the
        # slider and the main window's border over column 256 may change.
        unchanged_parts = (area.box(), (pallet.x, pallet.y, pallet.x + 256, pallet.y + 272),
                           (pallet.x + 8, pallet.y + 280, pallet.x + 41, pallet.y + 313))
        app.click_button("PCX Open")
        dialog = app.fill_file_dialog("Select PCX File", pcx / REFUSED)
        app.wait_closed(dialog, "the Select PCX File dialog")
        box = app.message_box()
        j.screenshot("pcx-refused-message.png")
        j.x.key("Return")
        app.wait_closed(box, "the refusal message")
        after, _ = hover_other({colour, now, hovered})
        after.save(j.artefacts / "pcx-after-refusal.png")
        for part, name in zip(unchanged_parts, ("picture", "palette cells", "swatch")):
            count, first = differences(after.crop(part), before.crop(part))
            check(count == 0, f"the refused file changed {count} pixels of the {name}: {first}")
        step(f"{REFUSED} is refused with a message box; picture, cells, swatch and file label "
             f"unchanged")


sys.exit(run_journey(journey))
