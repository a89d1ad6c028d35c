"""Light levels: a picture of all 256 entries opens; the light slider at level 20
draws each entry in the colour its shade table gives it there, as palmiro-tool
tables makes the table; a palette slider moved then shows at once what level 20
does to the changed palette."""

from harness import *

PNG, ACT, RAW = ART / "ramps.png", ART / "ramps.act", ART / "ramps.raw"
LEVEL, EDITED = 20, 200


def colours():
    """16 hues, a ramp of 16 of each from dark to light."""
    out = []
    for i in range(256):
        hue, v = divmod(i, 16)
        base = [(255, 40, 40), (40, 200, 60), (60, 80, 255), (230, 200, 40), (200, 60, 220),
                (40, 210, 210), (255, 140, 20), (150, 150, 150)][hue % 8]
        out.append(tuple(min(255, c * (v + 1) // 16 + (hue // 8) * 24) for c in base))
    return out


def expected(tool, palette):
    """Screen row of the picture at LEVEL: entry x in the colour of table[LEVEL][x]."""
    ACT.write_bytes(bytes(v for c in palette for v in c))
    run(tool, "tables", ACT, RAW, "--kind", "raw", "--levels", 32)
    table = RAW.read_bytes()
    check(len(table) == 32 * 256, f"palmiro-tool wrote {len(table)} bytes")
    return [palette[table[LEVEL * 256 + x]] for x in range(256)]


def body(app, tool):
    if tool is None:
        skip("no palmiro-tool to make the expected table")
    palette = colours()
    x0, y0, w, h = frame(app.screen, False)
    row = lambda image: [image.getpixel((x0 + x, y0 + 4)) for x in range(256)]
    until_screen(lambda i: row(i) != palette, "the picture in full light", 10, "full.png")

    slider = (x0 + 64 + 4, y0 + h - 8)
    bar = shot().crop((x0, y0 + h - 17, x0 + 200, y0 + h)).tobytes()
    click(x0 + 100, y0 + 4, button=3)
    time.sleep(0.5)
    key("l")
    until_screen(lambda i: i.crop((x0, y0 + h - 17, x0 + 200, y0 + h)).tobytes() == bar,
                 "the light slider", name="slider.png")
    click(*slider)
    key(*["Right"] * LEVEL)
    want = expected(tool, palette)
    check(want != palette, "level 20 shows the palette unchanged")
    until_screen(lambda i: row(i) != want, f"the picture at level {LEVEL}", name="level.png")

    # Entry 200's red slider to 0: level 20 is remade from the palette it leaves.
    cells = [app.at(app.pallet, 16 * (i % 16) + 8, 24 + 16 * (i // 16)) for i in range(256)]
    click(*cells[EDITED])
    click(*app.at(app.pallet, 150, 328))
    key("Home")
    palette[EDITED] = (0,) + palette[EDITED][1:]
    want = expected(tool, palette)
    until_screen(lambda i: row(i) != want, "the picture after the edit", name="edited.png")


image = Image.new("P", (256, 32))
image.putpalette([v for c in colours() for v in c])
image.putdata([x for _ in range(32) for x in range(256)])
image.save(PNG)
journey(body, args=[PNG])
