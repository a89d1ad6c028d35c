"""Another program saves over a picture again and again while it is opened: after
an unsaved palette edit, eight opens each show the picture or refuse it as cut,
the program lives on and the edit is still there, at most an undo away."""

import io, os, threading
from harness import *

RED = (48, 329)  # the palette window's red box


def versions():
    """Two 12 MB and 4 MB noise PNGs of one palette, so that opening either one is one step."""
    out = []
    for side in (3500, 2000):
        image = Image.frombytes("P", (side, side), os.urandom(side * side))
        image.putpalette([v for i in range(256) for v in (i, 255 - i, 7 * i % 256)])
        data = io.BytesIO()
        image.save(data, "PNG", compress_level=1)
        out.append(data.getvalue())
    return out


def rewrite(path, files, done):
    """As a program saving: cut to nothing, written in parts, whole for a while, then cut short."""
    while not done.is_set():
        for data in files:
            with open(path, "wb") as f:
                for at in range(0, len(data), 1 << 20):
                    f.write(data[at:at + (1 << 20)])
                    f.flush()
                time.sleep(0.06)
                f.truncate(len(data) // 3)


def body(app, tool):
    cells = [app.at(app.pallet, 16 * (i % 16) + 8, 24 + 16 * (i // 16)) for i in range(256)]
    click(*cells[5])
    click(*app.at(app.pallet, *RED))
    key("ctrl+a", "9", "Tab")
    edited = until_screen(lambda i: i.getpixel(cells[5])[0] != 9, "red 9 in entry 5",
                          name="edited.png").getpixel(cells[5])

    path, done = app.folder / "v.png", threading.Event()
    rewriter = threading.Thread(target=rewrite, args=(path, versions(), done))
    rewriter.start()
    refused = 0
    try:
        for n in range(8):
            click(*app.at(app.main, 60, 36))
            app.answer_file("Select PCX File", path)
            # A refusal's box comes once the file is read; a picture that opens brings none.
            end, boxes = time.monotonic() + 3, []
            while not boxes and time.monotonic() < end:
                time.sleep(0.1)
                boxes = [w for w in app.windows() if xdo("getwindowname", w).strip() == "Palmiro"]
            if boxes:
                shot(f"refused-{n}.png")
                key("Return")
                app.closed(boxes[0])
                refused += 1
    finally:
        done.set()
        rewriter.join()
    print(f"{8 - refused} of 8 opens read the picture")
    app.windows()  # fails when the program has ended
    xdo("windowactivate", "--sync", app.pallet)
    for _ in range(9):
        if shot().getpixel(cells[5]) == edited:
            break
        key("ctrl+z")
        time.sleep(0.3)
    until_screen(lambda i: i.getpixel(cells[5]) != edited, "the edit after the opens",
                 name="kept.png")


journey(body)
