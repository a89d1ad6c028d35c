"""A truecolour PNG opened over a palette file: the Convert dialog beside the
windows, Floyd-Steinberg onto that palette, OK, the picture saved as PNG and
read back by Pillow as palmiro-tool convert makes it."""

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


journey(body, args=[ACT])
