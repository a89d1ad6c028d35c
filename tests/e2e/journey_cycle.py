"""Colour cycling: a PNG holding GrafX2's ranges opens from the command line; F5
plays, and for a second the picture keeps changing; F5 again stops and the
picture is as the file has it. Sorted by hue, the range keeps its colours: F5
turns them again, and only them."""

import io, struct, zlib
from harness import *

PNG = ART / "cycling.png"


def write_png():
    """64 x 32 in bands of entries 0..15, a grey ramp, and 0..15 turning 10 a second."""
    image = Image.new("P", (64, 32))
    image.putpalette([17 * (i % 16) for i in range(256) for _ in range(3)])
    image.putdata([x // 4 for _ in range(32) for x in range(64)])
    data = io.BytesIO()
    image.save(data, "PNG")
    data = data.getvalue()
    record = b"crNg" + struct.pack(">HHBB", round(10 * 16384 / 60), 1, 0, 15)
    chunk = struct.pack(">I", len(record) - 4) + record + struct.pack(">I", zlib.crc32(record))
    at = data.index(b"IDAT") - 4
    PNG.write_bytes(data[:at] + chunk + data[at:])


def body(app, tool):
    expected = Image.open(PNG).convert("RGB").tobytes()
    x0, y0 = frame(app.screen, False)[:2]
    box = (x0, y0, x0 + 64, y0 + 32)
    until_screen(lambda i: i.crop(box).tobytes() != expected, "the PNG shown", timeout=10,
                 name="opened.png")
    # Forward, step k shows every band k bands (4 px of 3 bytes) further right.
    turns = {b"".join(row[-12 * k:] + row[:-12 * k] for row in
                      (expected[192 * y:192 * (y + 1)] for y in range(32))) for k in range(16)}

    def play(name):
        xdo("windowactivate", "--sync", app.screen)
        key("F5")
        seen, end = set(), time.monotonic() + 1
        while time.monotonic() < end:
            seen.add(shot().crop(box).tobytes())
        shot(name)
        check(len(seen - {expected}) >= 2, f"{len(seen)} pictures in a second of play")
        check(seen <= turns, "colours of the range's own mixed in")
        key("F5")
        until_screen(lambda i: i.crop(box).tobytes() != expected, "the picture after stopping",
                     name="stopped.png")

    play("playing.png")
    # Every entry sorted by hue: greys by lightness, the range's 0..15 left where they are.
    cells = [app.at(app.pallet, 16 * (i % 16) + 8, 24 + 16 * (i // 16)) for i in range(256)]
    click(*cells[0])
    click(*cells[0], button=3)
    time.sleep(0.5)  # the menu opens
    key("o")
    time.sleep(0.3)
    key("h")
    until_screen(lambda i: i.getpixel(cells[254]) != (255, 255, 255), "the sort", name="sorted.png")
    play("playing-sorted.png")


write_png()
journey(body, args=[PNG])
