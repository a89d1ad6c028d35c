"""A PNG from the command line saved as PCX; New; ACT open and save through real
dialogs; a range through the X clipboard; the paste prompt; the R ramp and Ctrl+Z.
A PCX drawn as palmiro-tool renders it: read-out, click, a 50-move green drag that
Ctrl+Z and Ctrl+Y take as one step, nothing lost after a refusal or to an uncommitted zoom;
Ctrl+0 fits the picture, averaged in linear light."""

import io
from collections import Counter
from harness import *

PNG, PCX = ART / "landscape.png", ART / "saved.pcx"
Image.open(Path(__file__).resolve().parents[2] / "samples" / "landscape.pcx").save(PNG)
SHOWN, REFUSED = TESTDATA / "pcx" / "alg_mysha.pcx", TESTDATA / "pcx" / "pil_pil184.pcx"
RED, GREEN, ZOOM = (48, 329), (48, 353), (36, 77)  # boxes: palette, palette, main client
COLOURS = [(i, (37 * i + 11) % 256, (200 - 3 * i) % 256) for i in range(256)]


def body(app, tool):
    expected = Image.open(PNG).convert("RGB")
    x0, y0, w, h = frame(app.screen, False)
    box = (x0, y0, x0 + expected.width, y0 + expected.height)
    until_screen(lambda i: i.crop(box).tobytes() != expected.tobytes(), "the PNG shown",
                 timeout=10, name="png-opened.png")
    click(x0 + 20, y0 + 20, button=3)
    key("s")
    app.answer_file("画像の保存", PCX.with_suffix(".png"), ("Tab", "Down", "Return"))  # type PCX
    wait(lambda: PCX.is_file() and PCX.read_bytes()[:4] == b"\x0a\x05\x01\x08", "an 8-bit PCX")
    written = Image.open(PCX)
    check(written.mode == "P" and written.convert("RGB").tobytes() == expected.tobytes(),
          "saved.pcx does not show the same picture")
    click(x0 + 20, y0 + 20, button=3)
    key("c")  # Copy image: the picture at 100 % on the X clipboard
    xclip = ["xclip", "-o", "-selection", "clipboard", "-t", "image/png"]
    copied = wait(lambda: subprocess.run(xclip, env=ENV, capture_output=True).stdout, "a picture")
    check(Image.open(io.BytesIO(copied)).convert("RGB").tobytes() == expected.tobytes(), "copy")

    made, saved, ends = (app.folder / n for n in ("made.act", "saved.act", "ends.act"))
    made.write_bytes(bytes(c for colour in COLOURS for c in colour))
    cells = [app.at(app.pallet, 16 * (i % 16) + 8, 24 + 16 * (i // 16)) for i in range(256)]

    def shows(expected, name):
        until_screen(lambda i: [n for n, c in expected.items() if i.getpixel(cells[n]) != c],
                     f"the cells to show {expected}", name=name)

    click(*app.at(app.main, 60, 260))  # New: a dialog with no caption at all
    new = app.dialog("")
    check(not any(re.findall(r'"(.*)"', prop(new, "_NET_WM_NAME"))), "New has a caption")
    x, y = frame(new, False)[:2]
    click(x + 278, y + 124)  # Cancel
    app.closed(new)

    click(*app.at(app.main, 60, 284))
    app.answer_file("Select Act File", made)
    shows(dict(enumerate(COLOURS)), "act-opened.png")

    click(*app.at(app.main, 60, 308))
    app.answer_file("Act File Save", saved)
    wait(lambda: saved.is_file() and saved.read_bytes() == made.read_bytes(), "the save")

    click(*cells[5])
    click(*app.at(app.pallet, 160, 296))
    dialog = app.dialog("Copy to Clipboard")
    x, y = frame(dialog, False)[:2]
    click(x + 68, y + 4)  # cell 8 of the range dialog's 8-px grid
    click(x + 156, y + 118)  # COPY
    app.closed(dialog)
    text = "Palmiro003" + "".join("%03d%03d%03d" % COLOURS[i] for i in range(5, 9))
    wait(lambda: run("xclip", "-o", "-selection", "clipboard") == text,
         f"the X clipboard to hold {text}")

    for answer, source in (("Escape", range(100, 104)), ("Return", range(5, 9))):
        click(*cells[100])
        click(*app.at(app.pallet, 220, 296))
        app.answer("Palmiro", answer, "paste-prompt.png")
        click(*cells[101])  # shows that the program went on past the prompt
        shows({i: COLOURS[s] for i, s in zip(range(100, 104), source)}, f"{answer}.png")

    ends.write_bytes(bytes([255, 0, 0] + [0, 0, 0] * 14 + [0, 0, 255] + [0, 0, 0] * 240))
    click(*app.at(app.main, 60, 284))
    app.answer_file("Select Act File", ends)
    row = lambda image: [image.getpixel(c) for c in cells[:16]]
    before = row(until_screen(lambda i: row(i)[15] != (0, 0, 255), "the file"))
    click(*cells[0])
    corner = cells[15][0] + 24, cells[15][1] + 12  # under the menu once it opens
    behind = shot("selected.png").getpixel(corner)
    click(*cells[15], button=3)
    until_screen(lambda i: i.getpixel(corner) == behind, "the menu")
    key("r")
    ramp = row(until_screen(lambda i: row(i)[7] == (0, 0, 0), "the ramp", name="ramp.png"))
    check(ramp[1:15] == [(255 - 17 * k, 0, 17 * k) for k in range(1, 15)], f"ramp {ramp}")
    key("ctrl+z")
    until_screen(lambda i: row(i) != before, "the ramp's undo", name="ramp-undone.png")

    # Shift-dragging cell 0 onto 14 swaps them and keeps the picture; 14 is framed meanwhile.
    x0, y0, w, h = frame(app.screen, False)
    picture = lambda image: image.crop((x0, y0, x0 + w - 17, y0 + h - 17)).tobytes()
    shown, (cx, cy) = picture(shot()), cells[14]
    target = (cx - 10, cy - 10, cx + 12, cy + 12)
    framed = lambda image: sum(n for n, c in image.crop(target).getcolors(4096) if c == (255, 255, 255))
    check(framed(shot()) == 0, "white around cell 14 before the drag")
    xdo("keydown", "shift")
    move(*cells[0])
    xdo("mousedown", 1)
    for k in range(1, 9):
        move(cells[0][0] + (cells[14][0] - cells[0][0]) * k / 8, cells[0][1])
    until_screen(lambda i: framed(i) < 40, "the drop frame on cell 14", name="drop-frame.png")
    xdo("mouseup", 1)
    xdo("keyup", "shift")
    swapped = until_screen(lambda i: row(i)[0] != before[14] or row(i)[14] != before[0], "the swap")
    check(framed(swapped) == 0 and picture(swapped) == shown, "a frame left or the picture changed")

    if not (tool and SHOWN.is_file() and REFUSED.is_file()):
        skip("palmiro-tool or the sample PCX files are missing")
    renders, stored = {}, Image.open(SHOWN)
    for zoom in (100, 400):
        subprocess.run([tool, "render", SHOWN, "--zoom", str(zoom), ART / "tool.png"], check=True)
        renders[zoom] = Image.open(ART / "tool.png").convert("RGB")
    area, size = (x0, y0, x0 + w - 17, y0 + h - 17), (0, 0, w - 17, h - 17)  # no scroll bars
    info = app.at(app.main, 10, 178) + app.at(app.main, 107, 235)
    swatch = lambda image: image.getpixel(app.at(app.pallet, *SWATCH))

    def drawn(zoom, name, entry=None, colour=None):
        """The drawing area as palmiro-tool renders it, entry's pixels in colour."""
        wanted = renders[zoom].crop(size)
        if entry is not None:
            mask = stored.point(lambda v: 255 * (v == 255 - entry), "L")
            mask = mask.resize((mask.width * zoom // 100, mask.height * zoom // 100), Image.NEAREST)
            wanted.paste(colour, (0, 0), mask.crop(size))
        until_screen(lambda i: ImageChops.difference(i.crop(area), wanted).getbbox(),
                     f"the picture drawn as {name}", name=name + ".png")

    def hover(x, y, colour):
        move(area[0] + x, area[1] + y)
        until_screen(lambda i: Counter(i.crop(info).getdata()).most_common(1)[0][0] != colour,
                     f"the read-out to show {colour} at {(x, y)}")

    def refuse(elsewhere):
        click(*app.at(app.pallet, *RED))
        key("ctrl+a", "a", "b", "c")
        elsewhere()
        app.answer("Palmiro", "Return")

    click(*app.at(app.main, 60, 36))
    app.answer_file("Select PCX File", SHOWN)
    drawn(100, "opened")

    colour, entry = renders[100].getpixel((150, 100)), 255 - stored.getpixel((150, 100))
    hover(150, 100, colour)
    xdo("click", 1)
    thumb = app.at(app.pallet, 72 + round(185 * colour[0] / 255), 320)
    wait(lambda: pointer() == thumb, f"the pointer on the red thumb {thumb}")
    until_screen(lambda i: swatch(i) != colour, f"the swatch to show {colour}")

    grab = app.at(app.pallet, 77 + (174 * colour[1]) // 255, 352)
    drag(grab, (grab[0] + (50 if colour[1] < 128 else -50), grab[1]), steps=50)
    edited = swatch(until_screen(lambda i: swatch(i) == colour, "the green drag"))
    drawn(100, "green-dragged", entry, edited)
    key("ctrl+z")
    until_screen(lambda i: swatch(i) != colour, "the undo")
    drawn(100, "undone")
    xdo("windowactivate", "--sync", app.main)
    key("ctrl+y")
    drawn(100, "redone", entry, edited)

    refuse(lambda: key("Tab"))
    wait(lambda: xdo("getactivewindow").strip() == str(app.pallet), "the palette active")
    key("9", "Tab")
    edited = swatch(until_screen(lambda i: swatch(i)[0] != 9, "red 9 typed after"))

    refuse(lambda: click(*app.at(app.pallet, *GREEN)))
    key("9")  # a cell click would apply the refused text first
    now = shot()
    other = next(i for i in range(256) if now.getpixel(cells[i]) != edited)
    click(*cells[other])
    until_screen(lambda i: swatch(i) != i.getpixel(cells[other]), "the clicked cell")

    drag(app.at(app.main, 22, 100), app.at(app.main, 100, 100))
    drawn(400, "zoom-400", entry, edited)
    click(*app.at(app.main, *ZOOM))
    key("ctrl+a", "1", "0", "0")
    x, y = next((x, 60) for x in range(4, 300, 4)
                if renders[400].getpixel((x, 60)) != renders[100].getpixel((x, 60)))
    hover(x, y, renders[400].getpixel((x, y)))
    click(*cells[entry])
    grab = app.at(app.pallet, 77 + (174 * edited[1]) // 255, 352)
    drag(grab, (grab[0] - 40, grab[1]))
    edited = swatch(until_screen(lambda i: swatch(i)[1] >= edited[1], "a green edit"))
    drawn(400, "uncommitted-100", entry, edited)

    click(*app.at(app.main, 60, 36))  # leaving the box commits 100
    app.answer_file("Select PCX File", REFUSED)
    app.answer("Palmiro", "Return", "refused.png")
    drawn(100, "refused", entry, edited)

    # Ctrl+0: the whole picture at 50 %, each pixel its 2 x 2 block's mean in linear light.
    whole = renders[100].copy()
    whole.paste(edited, (0, 0), stored.point(lambda v: 255 * (v == 255 - entry), "L"))
    lin = [c / 3294.6 if c <= 10 else ((c / 255 + 0.055) / 1.055) ** 2.4 for c in range(256)]
    srgb = lambda l: round(255 * (12.92 * l if l <= 0.0031308 else 1.055 * l ** (1 / 2.4) - 0.055))
    px, (bw, bh) = whole.load(), ((whole.width + 1) // 2, (whole.height + 1) // 2)
    blocks = [tuple(srgb(sum(lin[px[2 * x + i, 2 * y + j][k]] for i in (0, 1) for j in (0, 1)) / 4)
                    for k in range(3)) for y in range(bh) for x in range(bw)]
    xdo("windowactivate", "--sync", app.screen)
    key("ctrl+0")
    off = lambda i: max(abs(a - b) for p, q in zip(i.crop((x0, y0, x0 + bw, y0 + bh)).getdata(), blocks)
                        for a, b in zip(p, q))
    until_screen(lambda i: off(i) > 1, "the picture fitted at 50 %", name="fitted.png")


journey(body, args=[PNG])
