"""A truecolour PNG opened over a palette file: the Convert dialog beside the
windows, Floyd-Steinberg onto that palette, OK, the picture saved as PNG and
read back by Pillow as palmiro-tool convert makes it. Then the PNG named on the
command line, converted at start-up: Ctrl+Z gives back the three windows as a
start without it shows them, Ctrl+Y the conversion."""

from harness import *

ACT, PNG, SAVED = ART / "cube.act", ART / "photo.png", ART / "converted.png"
CUBE = [(r * 51, g * 51, b * 51) for r in range(6) for g in range(6) for b in range(6)]
ACT.write_bytes(bytes(c for colour in CUBE + [(6 * i + 3,) * 3 for i in range(40)]
                      for c in colour))
photo = Image.new("RGB", (96, 64))
photo.putdata([(x * 255 // 95, y * 255 // 63, (x * y) % 256) for y in range(64) for x in range(96)])
photo.save(PNG)


def body(app, tool):
    if not tool:
        skip("palmiro-tool is missing")
    click(*app.at(app.main, 60, 36))
    app.answer_file("Select PCX File", PNG)
    dialog = app.dialog("パレットに変換")
    shot("convert-dialog.png")
    boxes = [frame(w) for w in (app.main, app.pallet, app.screen)]
    x, y, w, h = frame(dialog)
    check(not any(x < bx + bw and bx < x + w and y < by + bh and by < y + h
                  for bx, by, bw, bh in boxes), "the dialog covers a window")
    key("Return")  # Floyd-Steinberg onto the whole palette opened from its file
    app.closed(dialog)

    x0, y0 = frame(app.screen, False)[:2]
    click(x0 + 20, y0 + 20, button=3)
    key("s")
    app.answer_file("画像の保存", SAVED)
    wait(lambda: SAVED.is_file() and SAVED.read_bytes()[:4] == b"\x89PNG", "the saved PNG")
    expected = ART / "tool.png"
    subprocess.run([tool, "convert", "--palette", ACT, "--dither", "fs", "-o", expected, PNG],
                   check=True)
    saved, made = Image.open(SAVED), Image.open(expected)
    check(saved.mode == "P" and saved.size == photo.size, f"saved as {saved.mode} {saved.size}")
    check(saved.tobytes() == made.tobytes(), "the entries differ from palmiro-tool convert's")
    check(saved.convert("RGB").tobytes() == made.convert("RGB").tobytes(), "the colours differ")
    check(len(set(saved.tobytes())) > 20, "a dithered picture uses many entries")
    app.stop()

    plain = App()
    start = looks(plain)
    plain.stop()
    app = App(args=[PNG])
    try:
        dialog = app.dialog("パレットに変換")
        key("Return")  # a new palette of its colours
        app.closed(dialog)
        wait(lambda: looks(app)[0].tobytes() != start[0].tobytes(), "the new palette")
        time.sleep(0.5)  # whatever is left to draw
        converted = looks(app)
        shot("at-start-converted.png")
        key("ctrl+z")  # not the photo's size and scroll bars through the old palette
        until_looks(app, start, "the windows as at start-up", "at-start-undone.png")
        key("ctrl+y")
        until_looks(app, converted, "the conversion again", "at-start-redone.png")
    finally:
        app.stop()


def looks(app):
    """The three windows as the screen shows them, the pointer off them (no hover look)."""
    move(1270, 1010)
    image = shot()
    return [image.crop((x, y, x + w, y + h)) for x, y, w, h in app.frames()]


def until_looks(app, want, what, name):
    wait(lambda: [a.tobytes() for a in looks(app)] == [b.tobytes() for b in want], what)
    shot(name)


journey(body, args=[ACT])
