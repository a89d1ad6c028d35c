"""A green slider drag of 50 moves is one step: Ctrl+Z puts the cell and the
picture's pixels back, Ctrl+Y in the main window changes them again."""

import sys
from pathlib import Path

from harness import Rect, run_journey, step

PICTURE = Path(__file__).resolve().parents[2] / "samples" / "landscape.pcx"

# Client x of a channel slider's thumb: 72 + 11 / 2 + (185 - 11) * value / 255.
thumb = lambda value: 77.5 + 174 * value / 255


def journey(j):
    with j.palmiro(label="undo") as app:
        app.settle()
        app.click_button("PCX Open")
        app.wait_closed(app.fill_file_dialog("Select PCX File", PICTURE), "the PCX dialog")
        area, grid = app.drawing_area(), Rect(*app.pallet_point(0, 16), 256, 256)
        j.x.click(area.x + 40, area.y + 40)  # selects the entry drawn there
        look = lambda image: [image.crop(r.box()).tobytes() for r in (area, grid)]
        first = j.screenshot("before.png")
        before, green = look(first), first.getpixel(app.pallet_point(24, 296))[1]
        j.x.drag(app.pallet_point(thumb(green), 352),
                 app.pallet_point(thumb(250 if green < 128 else 5), 352), steps=50)
        dragged = look(j.x.wait_screen(lambda i: "no change" if look(i) == before else None))
        j.x.key("ctrl+z")
        j.x.wait_screen(lambda i: None if look(i) == before else "not undone",
                        path=j.artefacts / "undone.png")
        step("Ctrl+Z undoes the whole drag: the cell and the pixels are as before")
        j.x.focus(app.main)
        j.x.key("ctrl+y")
        j.x.wait_screen(lambda i: None if look(i) == dragged else "not redone",
                        path=j.artefacts / "redone.png")
        step("Ctrl+Y in the main window changes them again")


sys.exit(run_journey(journey))
