"""A palette PNG named on the command line opens as "PCX Open" would open it;
the screen window's menu saves it as a PCX that shows the same picture."""

from harness import *

PICTURE = Path(__file__).resolve().parents[2] / "samples" / "landscape.pcx"


def body(tool):
    png, pcx = ART / "landscape.png", ART / "saved.pcx"
    Image.open(PICTURE).save(png)
    expected = Image.open(png).convert("RGB")
    app = App(args=[png])
    try:
        x, y = frame(app.screen, False)[:2]
        box = (x, y, x + expected.width, y + expected.height)
        until_screen(lambda i: i.crop(box).tobytes() != expected.tobytes(), "the PNG shown",
                     timeout=10, name="opened.png")
        step("the PNG given on the command line is drawn in its own colours")
        click(x + 20, y + 20, button=3)
        key("s")
        dialog = app.dialog("画像の保存")
        xdo("windowactivate", "--sync", dialog)
        key("ctrl+a")
        xdo("type", "--delay", 30, str(pcx.with_suffix(".png")))
        key("Tab", "Down", "Return")  # the file type: PCX
        app.closed(dialog)
        wait(lambda: pcx.is_file() and pcx.read_bytes()[:4] == b"\x0a\x05\x01\x08", "an 8-bit PCX")
        saved = Image.open(pcx)
        check(saved.mode == "P" and saved.convert("RGB").tobytes() == expected.tobytes(),
              "saved.pcx does not show the same picture")
        step("Save image as... with the PCX type writes a PCX of the same picture")
    finally:
        app.stop()


journey(body)
