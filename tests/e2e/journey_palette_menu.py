"""Right-click a cell, take the RGB ramp by its accelerator: the cells between
the selected one and the one clicked change on screen; Ctrl+Z puts them back."""

import sys

from harness import check, pallet_cell_centre, run_journey, step, write_act


def journey(j):
    act = j.artefacts / "ends.act"
    write_act(act, [(255, 0, 0)] + [(0, 0, 0)] * 14 + [(0, 0, 255)] + [(0, 0, 0)] * 240)
    with j.palmiro(label="menu") as app:
        app.settle()
        app.open_act(act)
        cells = [app.pallet_point(*pallet_cell_centre(i)) for i in range(16)]
        row = lambda image: [image.getpixel(p) for p in cells]
        before = row(j.x.wait_screen(lambda i: None if row(i)[15] == (0, 0, 255) else "no file"))
        j.x.click(*cells[0])
        corner = cells[15][0] + 24, cells[15][1] + 12  # under the menu once it opens
        behind = j.screenshot("selected.png").getpixel(corner)
        j.x.click(*cells[15], button=3)
        j.x.wait_screen(lambda i: None if i.getpixel(corner) != behind else "no menu")
        j.x.key("r")
        ramp = row(j.x.wait_screen(lambda i: None if row(i)[7] != (0, 0, 0) else "no ramp",
                                   path=j.artefacts / "ramp.png"))
        check(ramp[1:15] == [(255 - 17 * k, 0, 17 * k) for k in range(1, 15)], f"ramp {ramp}")
        step("R in the menu ramps cells 1 to 14 from red to blue")
        j.x.key("ctrl+z")
        j.x.wait_screen(lambda i: None if row(i) == before else "not undone")
        step("Ctrl+Z brings the black cells back")


sys.exit(run_journey(journey))
