"""One palette for three pictures: four cells locked from the palette window's
menu, the pictures added through the real file dialog of "Palette from
pictures", the set written into a folder, OK, and Ctrl+Z. The locked cells keep their colours, the pictures'
colours come into the others, and the undo gives back the palette as it was."""

from harness import *

# Pure colours no start-up palette holds, each picture of its own size.
PICTURES = {"sky.png": ((0, 90, 255), (40, 160, 255), 96),
            "grass.png": ((20, 200, 40), (120, 230, 60), 48),
            "badge.png": ((255, 0, 200), (250, 240, 20), 8)}


def body(app, tool):
    for name, (a, b, side) in PICTURES.items():
        im = Image.new("RGB", (side, side), a)
        im.paste(b, (0, 0, side, side // 2))
        im.save(app.folder / name)
    cells = [app.at(app.pallet, 16 * (i % 16) + 8, 24 + 16 * (i // 16)) for i in range(256)]
    sample = lambda i, n: i.getpixel((cells[n][0] - 5, cells[n][1] - 5))  # clear of any mark
    before = [sample(shot(), n) for n in range(256)]

    click(*cells[0])
    click(*cells[3], button=3)
    key("k")  # lock 0..3
    time.sleep(0.5)
    click(*cells[3], button=3)
    key("i")  # Palette from pictures
    dialog = app.dialog("画像からパレットを作る")
    xdo("windowactivate", "--sync", dialog)
    key("alt+a")
    app.answer_file("パレットを作る画像", " ".join(f'"{n}"' for n in PICTURES))
    shot("dialog.png")
    out = app.folder / "out"
    out.mkdir()

    def converted():  # the set written into a folder once the palette is made
        xdo("windowactivate", "--sync", dialog)
        key("alt+c")
        time.sleep(0.5)
        return any(xdo("getwindowname", w).strip() == "変換した画像を書き込むフォルダ"
                   for w in app.windows())
    wait(converted, "the folder dialog", timeout=15)
    app.answer_file("変換した画像を書き込むフォルダ", out)
    written = wait(lambda: len(p := sorted(out.glob("*.png"))) == 3 and p, "three pictures")
    for path in written:
        im = Image.open(path)
        source = Image.open(app.folder / path.name).convert("RGB")
        check(im.mode == "P" and im.convert("RGB").tobytes() == source.tobytes(),
              f"{path.name} is not its picture on the palette")

    def made():  # Return is OK once the palette is made: the dialog closes
        xdo("windowactivate", "--sync", dialog)
        key("Return")
        time.sleep(0.5)
        return dialog not in app.windows()
    wait(made, "the palette made and kept", timeout=15)
    wanted = {c for a, b, _ in PICTURES.values() for c in (a, b)}
    until_screen(lambda i: wanted - {sample(i, n) for n in range(4, 256)},
                 "every picture's colour in the palette", name="made.png")
    after = shot()
    check([sample(after, n) for n in range(4)] == before[:4], "a locked cell changed")

    xdo("windowactivate", "--sync", app.pallet)
    key("ctrl+z")
    until_screen(lambda i: [n for n in range(256) if sample(i, n) != before[n]],
                 "the palette as it was", name="undone.png")


journey(body)
