"""Runs a copy of palmiro under DISPLAY's window manager; exits 0 passed, 1 failed, 77 skipped."""

import os, re, shutil, subprocess, sys, tempfile, time
from pathlib import Path

from PIL import Image, ImageChops, ImageGrab

TESTDATA = Path(__file__).resolve().parents[3] / "shared" / "testdata"
ENV, ARGS = dict(os.environ), dict(zip(sys.argv[1::2], sys.argv[2::2]))
ART, BINARY = Path(ARGS["--artefacts"]), Path(ARGS["--palmiro"])  # and --tool
shutil.rmtree(ART, ignore_errors=True)  # nothing of an earlier run stays
ART.mkdir(parents=True)
SWATCH = (24, 296)  # the palette window's selection swatch, client pixels


def check(ok, message):
    if not ok:
        shot("failure.png")
        raise AssertionError(message)


def wait(probe, what, timeout=8):
    end = time.monotonic() + timeout
    while not (value := probe()):
        check(time.monotonic() < end, f"timed out waiting for {what}")
        time.sleep(0.05)
    return value


def run(*args):
    done = subprocess.run([str(a) for a in args], env=ENV, capture_output=True, timeout=20)
    return done.stdout.decode(errors="replace")


def xdo(*args):
    return run("xdotool", *args)


def prop(wid, name):
    return run("xprop", "-id", wid, name)


def frame(wid, decorated=True):
    info = run("xwininfo", "-id", wid)
    x, y, w, h = (int(re.search(rf"{k}:\s+(-?\d+)", info)[1]) for k in
                  ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))
    extents = re.findall(r"\d+", prop(wid, "_NET_FRAME_EXTENTS").partition("=")[2] * decorated)
    left, right, top, bottom = map(int, (extents + ["0"] * 4)[:4])
    return x - left, y - top, w + left + right, h + top + bottom


def shot(name=None):
    image = ImageGrab.grab(xdisplay=ENV["DISPLAY"]).convert("RGB")
    if name:
        image.save(ART / name)
    return image


def until_screen(problem, what, timeout=5, name=None):
    """Screenshots until problem(image) is falsy: drawing lags the events."""
    last = []
    wait(lambda: last.append(shot()) or not problem(last[-1]), what, timeout)
    if name:
        last[-1].save(ART / name)
    return last[-1]


def pointer():
    return tuple(int(v) for v in re.findall(r"[xy]:(\d+)", xdo("getmouselocation")))


def move(x, y):
    if pointer() != (round(x), round(y)):
        xdo("mousemove", "--sync", round(x), round(y))


def click(x, y, button=1):
    move(x, y)
    xdo("click", button)


def drag(start, end, button=1, steps=8):
    move(*start)
    xdo("mousedown", button)
    for i in range(1, steps + 1):
        time.sleep(0.03)
        move(start[0] + (end[0] - start[0]) * i / steps, start[1] + (end[1] - start[1]) * i / steps)
    xdo("mouseup", button)
    time.sleep(0.3)  # the program catches up with the moves


def key(*keys):
    xdo("key", "--clearmodifiers", *keys)


class App:

    def __init__(self, settings=None, pallet="Palmiro - パレット", screen="Palmiro - スクリーン", args=()):
        self.folder = Path(tempfile.mkdtemp(prefix="palmiro-e2e-"))
        exe = Path(shutil.copy2(BINARY, self.folder))
        if callable(settings):  # makes the settings file at the path given
            settings(exe.with_suffix(".ini"))
        elif settings:
            exe.with_suffix(".ini").write_bytes(settings)
        started = time.monotonic()
        self.proc = subprocess.Popen([exe, *args], cwd=self.folder, env={**ENV, "QT_QPA_PLATFORM": "xcb",
                                     "XDG_CONFIG_HOME": str(self.folder)},  # not the user's own settings
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        names = {pallet: "pallet", screen: "screen", "": "main"}  # a dialog of a file named is none
        self.__dict__.update(wait(lambda: found if len(found := {
            names[n]: w for w in self.windows() if (n := xdo("getwindowname", w).strip()) in names})
            == 3 else None, "the three windows", 20))
        self.up = time.monotonic() - started  # seconds until the three windows were seen
        self.settle()

    def windows(self):
        check(self.proc.poll() is None, f"palmiro ended with {self.proc.returncode}")
        return [int(w) for w in xdo("search", "--onlyvisible", "--pid", self.proc.pid).split()]

    def frames(self):
        return tuple(frame(w) for w in (self.pallet, self.main, self.screen))

    def settle(self):  # the three frames once still for 0.3 s
        seen = [None]
        def still():
            time.sleep(0.3)
            now, seen[0] = seen[0], self.frames()
            return now == seen[0] and now
        return wait(still, "the windows to stop moving")

    def at(self, wid, cx, cy):
        """A client point on the screen; the main window draws its own border."""
        x, y = frame(wid, False)[:2]
        return (x + 3 + cx, y + 3 + cy) if wid == self.main else (x + cx, y + cy)

    def dialog(self, title):  # a framed window titled title, not one of the three
        return wait(lambda: next((w for w in self.windows() if w not in (
            self.main, self.pallet, self.screen) and xdo("getwindowname", w).strip() == title
            and "window state" in prop(w, "WM_STATE")), None), f"a window titled {title!r}")

    def answer(self, title, keys, name=None):
        box = self.dialog(title)
        if name:
            shot(name)
        key(keys)
        self.closed(box)

    def closed(self, wid):
        wait(lambda: wid not in self.windows(), f"window {wid} to close")

    def answer_file(self, title, path, keys=("Return",)):
        box = self.dialog(title)
        xdo("windowactivate", "--sync", box)
        key("ctrl+a")
        xdo("type", "--delay", 30, str(path))
        time.sleep(0.3)  # lets the completer's popup come before Return
        key(*keys)
        self.closed(box)

    def stop(self):
        self.proc.kill()
        self.proc.wait()
        shutil.rmtree(self.folder, ignore_errors=True)


def skip(why, code=77):
    print(f"SKIP: {why}")
    sys.exit(code)


def journey(body, **options):
    """Runs body(app, palmiro-tool or None) on a fresh App(**options); exits with its verdict."""
    if "window id" not in run("xprop", "-root", "_NET_SUPPORTING_WM_CHECK"):
        skip("no X display with a window manager", 1 if ENV.get("PALMIRO_E2E_REQUIRE_X") == "1" else 77)
    try:
        app = App(**options)
        try:
            body(app, Path(ARGS["--tool"]) if "--tool" in ARGS else None)
        finally:
            app.stop()
    except AssertionError as why:
        print(f"FAIL: {why}")
        sys.exit(1)
