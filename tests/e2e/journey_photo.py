"""A 12-megapixel photograph named at start-up: the Convert dialog and a preview come at once
while the whole is converted on another thread; About answers meanwhile; a change of dithering
shows within half a second; Cancel during the work leaves the windows as a start without it."""

import threading

from harness import *

COFFEE = TESTDATA / "photos" / "skimage_coffee.png"
PHOTO = ART / "photo.png"
TITLE = "パレットに変換"


def looks(app):
    """The three windows as the screen shows them, the pointer off them (no hover look)."""
    move(1270, 1010)
    image = shot()
    return [image.crop((x, y, x + w, y + h)) for x, y, w, h in app.frames()]


def first_seen(title, until):
    """Starts timing now; the time the first window titled `title` shows, or None."""
    started, seen = time.monotonic(), []
    def watch():
        while not seen and time.monotonic() < until:
            if run("xdotool", "search", "--onlyvisible", "--name", f"^{title}$").strip():
                seen.append(time.monotonic() - started)
            time.sleep(0.02)
    thread = threading.Thread(target=watch, daemon=True)
    thread.start()
    return lambda: (thread.join(), seen[0] if seen else None)[1]


def changed_within(region, act, limit):
    """Seconds from act() until the screen's region changes, at most limit + 1."""
    before = shot().crop(region).tobytes()
    act()
    started = time.monotonic()
    while time.monotonic() - started < limit + 1:
        if shot().crop(region).tobytes() != before:
            return time.monotonic() - started
    return limit + 1


def body(app, tool):
    start = looks(app)
    app.stop()
    dialog_time = first_seen(TITLE, time.monotonic() + 20)
    app = App(args=[PHOTO])
    try:
        dialog = app.dialog(TITLE)
        seconds = dialog_time()
        shot("dialog.png")
        check(seconds is not None and seconds <= 1.5, f"the dialog came after {seconds} s")
        x, y, w, h = frame(app.screen, False)
        view = (x + 10, y + 10, x + w - 30, y + h - 30)
        check(shot().crop(view).tobytes() != start[2].crop((10, 10, w - 30, h - 30)).tobytes(),
              "no preview with the dialog")

        click(*app.at(app.main, 60, 345))  # About, while the whole is converted
        about = app.dialog("Palmiro のﾊﾞｰｼﾞｮﾝ情報")
        shot("about-while-converting.png")
        key("Return")
        app.closed(about)

        # Dithering "なし", the first item, from the list of the box under the pointer.
        dx, dy, dw, dh = frame(dialog, False)
        combo = (dx + dw - 90, dy + 168)
        def no_dithering():
            click(*combo)
            time.sleep(0.3)  # the list opens
            key("Home", "Return")
        seconds = changed_within(view, no_dithering, 0.5)
        shot("no-dithering.png")
        check(seconds <= 0.5, f"the change showed after {seconds:.2f} s")

        # Floyd-Steinberg again, and Cancel while it works.
        click(*combo)
        time.sleep(0.3)
        key("Down", "Return")
        time.sleep(0.1)
        key("Escape")
        app.closed(dialog)
        wait(lambda: [a.tobytes() for a in looks(app)] == [b.tobytes() for b in start],
             "the windows as at start-up")
        shot("cancelled.png")
    finally:
        app.stop()


if not COFFEE.is_file():
    skip(f"{COFFEE} is missing")
# A phone photograph's size, enlarged by a good filter; PNG quickly written.
Image.open(COFFEE).convert("RGB").resize((4000, 3000), Image.LANCZOS).save(PHOTO, compress_level=1)
journey(body)
