"""A green slider drag of 50 moves is one step: Ctrl+Z puts the cell and the
picture's pixels back, Ctrl+Y in the main window changes them again."""

from harness import *

PICTURE = Path(__file__).resolve().parents[2] / "samples" / "landscape.pcx"


def body(tool):
    app = App()
    try:
        click(*app.at(app.main, 60, 36))
        app.answer_file("Select PCX File", PICTURE)
        x, y, w, h = frame(app.screen, False)
        boxes = ((x, y, x + w - 17, y + h - 17), app.at(app.pallet, 0, 16) + app.at(app.pallet, 256, 272))
        click(x + 40, y + 40)  # selects the entry drawn there
        look = lambda image: [image.crop(b).tobytes() for b in boxes]
        first = shot("before.png")
        before, green = look(first), first.getpixel(app.at(app.pallet, *SWATCH))[1]
        thumb = lambda value: app.at(app.pallet, 77.5 + 174 * value / 255, 352)
        drag(thumb(green), thumb(250 if green < 128 else 5), steps=50)
        dragged = look(until_screen(lambda i: look(i) == before, "a change"))
        key("ctrl+z")
        until_screen(lambda i: look(i) != before, "the undo", name="undone.png")
        step("Ctrl+Z undoes the whole drag: the cell and the pixels are as before")
        xdo("windowactivate", "--sync", app.main)
        key("ctrl+y")
        until_screen(lambda i: look(i) != dragged, "the redo", name="redone.png")
        step("Ctrl+Y in the main window changes them again")
    finally:
        app.stop()


journey(body)
