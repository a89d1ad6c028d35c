"""A palette PNG named on the command line opens as "PCX Open" would open it;
the screen window's menu saves it as a PCX that shows the same picture."""

import sys
from pathlib import Path

from PIL import Image

from harness import check, run_journey, step

PICTURE = Path(__file__).resolve().parents[2] / "samples" / "landscape.pcx"


def journey(j):
    png, pcx = j.artefacts / "landscape.png", j.artefacts / "saved.pcx"
    Image.open(PICTURE).save(png)
    expected = Image.open(png).convert("RGB")
    with j.palmiro(label="export", args=[png]) as app:
        area = app.drawing_area()
        box = (area.x, area.y, area.x + expected.width, area.y + expected.height)
        j.x.wait_screen(lambda i: None if i.crop(box).tobytes() == expected.tobytes()
                        else "the PNG is not shown", timeout=10, path=j.artefacts / "opened.png")
        step("the PNG given on the command line is drawn in its own colours")
        j.x.click(area.x + 20, area.y + 20, button=3)
        j.x.key("s")
        dialog = app.wait_window("画像の保存")
        j.x.focus(dialog)
        j.x.key("ctrl+a")
        j.x.type(str(pcx.with_suffix(".png")))
        j.x.key("Tab", "Down")  # the file type: PCX
        j.x.key("Return")
        app.wait_closed(dialog, "the save dialog")
        check(pcx.read_bytes()[:4] == b"\x0a\x05\x01\x08", "saved.pcx is not an 8-bit RLE PCX")
        saved = Image.open(pcx)
        check(saved.mode == "P" and saved.convert("RGB").tobytes() == expected.tobytes(),
              "saved.pcx does not show the same picture")
        step("Save image as... with the PCX type writes a PCX of the same picture")


sys.exit(run_journey(journey))
