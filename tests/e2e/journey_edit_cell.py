"""Selecting palette cell 37 and dragging the green slider recolours that cell
and the swatch on screen, and only that cell."""

import sys

from harness import check, run_journey, step, wait_until

BLACK = (0, 0, 0)
SWATCH = (24, 296)  # centre of the selection swatch, client pixels


def cell_centre(index):
    """Cells are 17 px squares, 16 px apart, the grid starting at client (0, 16)."""
    row, column = divmod(index, 16)
    return 16 * column + 8, 16 + 16 * row + 8


def slider_row(k):
    """Left end and middle height of slider k: client x 72..257, y 320 + 24k, 17 px high."""
    return 72, 320 + 24 * k + 8


def journey(j):
    with j.palmiro(label="edit") as app:
        app.settle()

        def colour_at(image, client_point):
            return image.getpixel(app.pallet_point(*client_point))

        before = j.screenshot("edit-before.png")
        for index in (0, 36, 37, 38):
            check(colour_at(before, cell_centre(index)) == BLACK,
                  f"cell {index} is {colour_at(before, cell_centre(index))} at start, not black")
        step("all cells black at start")

        j.x.click(*app.pallet_point(*cell_centre(37)))
        selected = j.screenshot("edit-selected.png")
        check(colour_at(selected, cell_centre(37)) == BLACK,
              "selecting cell 37 changed its colour")

        left, y = slider_row(1)
        # The thumb stands at 0: grab it at the slider's left end.
        j.x.drag(app.pallet_point(left + 5, y), app.pallet_point(left + 125, y), steps=12)

        def recoloured():
            image = j.x.screenshot()
            return image if colour_at(image, cell_centre(37)) != BLACK else None
        after = wait_until(recoloured, "cell 37 to change colour after the slider drag", timeout=5)
        after.save(j.artefacts / "edit-after.png")

        r, g, b = colour_at(after, cell_centre(37))
        check(r == 0 and b == 0 and g > 100,
              f"cell 37 is ({r}, {g}, {b}) after a green slider drag, expected pure green")
        check(colour_at(after, SWATCH) == (r, g, b),
              f"the swatch {colour_at(after, SWATCH)} differs from cell 37 {(r, g, b)}")
        for index in (0, 36, 38, 21, 53):
            check(colour_at(after, cell_centre(index)) == BLACK,
                  f"cell {index} changed with cell 37: {colour_at(after, cell_centre(index))}")
        step(f"green slider drag turns cell 37 and the swatch (0, {g}, 0), other cells stay")

        j.x.click(*app.pallet_point(*cell_centre(0)))
        def swatch_black():
            image = j.x.screenshot()
            return image if colour_at(image, SWATCH) == BLACK else None
        back = wait_until(swatch_black, "the swatch to show entry 0 again", timeout=5)
        check(colour_at(back, cell_centre(37)) == (r, g, b),
              f"cell 37 lost its colour when another cell was selected: "
              f"{colour_at(back, cell_centre(37))}")
        step("selecting cell 0 shows black in the swatch; cell 37 keeps its green")


sys.exit(run_journey(journey))
