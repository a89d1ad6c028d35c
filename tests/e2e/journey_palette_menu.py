"""Right-click a cell, take the RGB ramp by its accelerator: the cells between
the selected one and the one clicked change on screen; Ctrl+Z puts them back."""

from harness import *


def body(tool):
    app = App()
    try:
        act = app.folder / "ends.act"
        act.write_bytes(bytes([255, 0, 0] + [0, 0, 0] * 14 + [0, 0, 255] + [0, 0, 0] * 240))
        click(*app.at(app.main, 60, 284))
        app.answer_file("Select Act File", act)
        cells = [app.at(app.pallet, 16 * i + 8, 24) for i in range(16)]
        row = lambda image: [image.getpixel(c) for c in cells]
        before = row(until_screen(lambda i: row(i)[15] != (0, 0, 255), "the file"))
        click(*cells[0])
        corner = cells[15][0] + 24, cells[15][1] + 12  # under the menu once it opens
        behind = shot("selected.png").getpixel(corner)
        click(*cells[15], button=3)
        until_screen(lambda i: i.getpixel(corner) == behind, "the menu")
        key("r")
        ramp = row(until_screen(lambda i: row(i)[7] == (0, 0, 0), "the ramp", name="ramp.png"))
        check(ramp[1:15] == [(255 - 17 * k, 0, 17 * k) for k in range(1, 15)], f"ramp {ramp}")
        step("R in the menu ramps cells 1 to 14 from red to blue")
        key("ctrl+z")
        until_screen(lambda i: row(i) != before, "the undo", name="undone.png")
        step("Ctrl+Z brings the black cells back")
    finally:
        app.stop()


journey(body)
