"""Drives the real palmiro binary under X for the journey tests.

A journey is a function taking a Journey; run_journey() parses the command
line (--palmiro BINARY --artefacts DIR), makes sure there is an X display with
a window manager, runs the function and turns the outcome into an exit code:
0 passed, 1 failed, 77 skipped (no X display could be had).

Every wait is bounded. Geometry comes from xwininfo: `xdotool
getwindowgeometry` counts the decoration twice for windows that the window
manager has reparented, so its positions are off by the frame.
"""

import argparse
import os
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import traceback
from pathlib import Path

from PIL import Image, ImageChops

SKIP = 77
REPO = Path(__file__).resolve().parents[2]
TESTDATA = REPO.parent / "shared" / "testdata"
SCREEN_SIZE = "1280x1024x24"

MAIN_CLIENT_WIDTH = 118
# Buttons of the main window: client left, top, width, height in pixels.
MAIN_BUTTONS = {
    "PCX Open": (8, 28, 105, 17),
    "Open": (16, 276, 89, 17),
    "Save": (16, 300, 89, 17),
}
# The information panel lblInfo in the main window's client area.
LBL_INFO = (8, 176, 101, 61)
SCROLL_BAR = 17  # thickness of the screen window's scroll bars

APP_TITLE = "Palmiro"  # every message box's title

DEFAULT_PALLET_TITLE = "Palmiro - パレット"
DEFAULT_SCREEN_TITLE = "Palmiro - スクリーン"


class Failure(AssertionError):
    pass


class Unavailable(Exception):
    """No X display, window manager or X tool can be had here."""


class Skip(Exception):
    """Something the journey needs besides X is missing here."""


def check(condition, message):
    if not condition:
        raise Failure(message)


def step(text):
    print(f"ok - {text}", flush=True)


def wait_until(probe, what, timeout=10.0, interval=0.05):
    """Calls probe until it returns something true and returns that."""
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise Failure(f"timed out after {timeout:g} s waiting for {what}")
        time.sleep(interval)


class Rect:
    def __init__(self, x, y, w, h):
        self.x, self.y, self.w, self.h = x, y, w, h

    @property
    def right(self):
        return self.x + self.w

    @property
    def bottom(self):
        return self.y + self.h

    def moved(self, dx, dy):
        return Rect(self.x + dx, self.y + dy, self.w, self.h)

    def united(self, other):
        x, y = min(self.x, other.x), min(self.y, other.y)
        return Rect(x, y, max(self.right, other.right) - x, max(self.bottom, other.bottom) - y)

    def __eq__(self, other):
        return (self.x, self.y, self.w, self.h) == (other.x, other.y, other.w, other.h)

    def __repr__(self):
        return f"Rect(x={self.x}, y={self.y}, w={self.w}, h={self.h})"

    def centre(self):
        return self.x + self.w // 2, self.y + self.h // 2

    def box(self):
        """(left, top, right, bottom) for PIL's crop."""
        return self.x, self.y, self.right, self.bottom


def pallet_cell_centre(index):
    """Palette cells are 17 px squares, 16 px apart, from client (0, 16)."""
    row, column = divmod(index, 16)
    return 16 * column + 8, 16 + 16 * row + 8


def write_act(path, colours):
    """An ACT file of the given (r, g, b) entries, in order."""
    Path(path).write_bytes(bytes(channel for colour in colours for channel in colour))


def read_act(data):
    """The (r, g, b) entries 0 to 255 of ACT bytes."""
    return [tuple(data[3 * i:3 * i + 3]) for i in range(256)]


def differences(actual, expected, limit=5):
    """Pixels where two images of one size differ: (count, first few as
    ((x, y), actual, expected))."""
    check(actual.size == expected.size, f"image sizes {actual.size} and {expected.size} differ")
    actual, expected = actual.convert("RGB"), expected.convert("RGB")
    if ImageChops.difference(actual, expected).getbbox() is None:
        return 0, []
    a, e = actual.tobytes(), expected.tobytes()
    width = actual.size[0]
    found = []
    count = 0
    for i in range(0, len(a), 3):
        if a[i:i + 3] != e[i:i + 3]:
            count += 1
            if len(found) < limit:
                p = i // 3
                found.append(((p % width, p // width), tuple(a[i:i + 3]), tuple(e[i:i + 3])))
    return count, found


def _stop_process(proc, grace=5.0):
    if proc is None or proc.poll() is not None:
        return
    proc.terminate()
    try:
        proc.wait(timeout=grace)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait(timeout=grace)


class X:
    """One X display: the one in DISPLAY if it answers, else an own Xvfb.

    Starts openbox when no window manager runs there. Stops only what it
    started.
    """

    def __init__(self, artefacts):
        self.artefacts = artefacts
        self.display = None
        self._started = []

    # --- life cycle -------------------------------------------------------
    def __enter__(self):
        for tool in ("xdotool", "xwininfo", "xprop", "import"):
            if shutil.which(tool) is None:
                raise Unavailable(f"{tool} is not installed")
        given = os.environ.get("DISPLAY")
        if given and self._answers(given):
            self.display = given
        else:
            self.display = self._start_xvfb()
        if not self._wm_running():
            self._start_openbox()
        return self

    def __exit__(self, *exc):
        for proc in reversed(self._started):
            _stop_process(proc)
        self._started.clear()
        return False

    def env(self):
        env = dict(os.environ)
        env["DISPLAY"] = self.display
        return env

    def _answers(self, display):
        try:
            return subprocess.run(["xprop", "-display", display, "-root", "-len", "0"],
                                  capture_output=True, timeout=5).returncode == 0
        except (OSError, subprocess.TimeoutExpired):
            return False

    def _start_xvfb(self):
        if shutil.which("Xvfb") is None:
            raise Unavailable("no usable DISPLAY and Xvfb is not installed")
        read_end, write_end = os.pipe()
        with open(self.artefacts / "xvfb.log", "wb") as log:
            proc = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_end), "-screen", "0", SCREEN_SIZE,
                 "-nolisten", "tcp", "-noreset"],
                pass_fds=(write_end,), stdout=log, stderr=subprocess.STDOUT,
                start_new_session=True)
        os.close(write_end)
        self._started.append(proc)
        number = b""
        deadline = time.monotonic() + 15
        while not number.endswith(b"\n") and time.monotonic() < deadline:
            ready, _, _ = select.select([read_end], [], [], 0.2)
            if ready:
                chunk = os.read(read_end, 16)
                if not chunk:
                    break
                number += chunk
        os.close(read_end)
        if not number.strip().isdigit():
            raise Unavailable("Xvfb did not report a display number")
        display = ":" + number.strip().decode()
        wait_until(lambda: self._answers(display), f"Xvfb on {display}", timeout=10)
        return display

    def _wm_running(self):
        out = self._run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], check=False)
        return "window id" in out

    def _start_openbox(self):
        if shutil.which("openbox") is None:
            raise Unavailable("no window manager runs and openbox is not installed")
        with open(self.artefacts / "openbox.log", "wb") as log:
            proc = subprocess.Popen(["openbox", "--sm-disable"], env=self.env(),
                                    stdout=log, stderr=subprocess.STDOUT,
                                    start_new_session=True)
        self._started.append(proc)
        wait_until(self._wm_running, "openbox to take over the screen", timeout=10)

    # --- running X tools --------------------------------------------------
    def _run(self, args, check=True, timeout=10):
        try:
            done = subprocess.run(args, env=self.env(), capture_output=True, timeout=timeout)
        except subprocess.TimeoutExpired:
            raise Failure(f"{' '.join(args)} did not finish within {timeout} s")
        if check and done.returncode != 0:
            raise Failure(f"{' '.join(args)} failed: {done.stderr.decode(errors='replace')}")
        return done.stdout.decode("utf-8", errors="replace")

    def xdotool(self, *args, check=True):
        return self._run(["xdotool", *map(str, args)], check=check)

    # --- windows ----------------------------------------------------------
    def visible_windows(self, pid):
        out = self.xdotool("search", "--onlyvisible", "--pid", pid, check=False)
        return [int(w) for w in out.split()]

    def find_windows(self, title, pid):
        """Visible windows of process pid whose title is exactly title."""
        pattern = "^" + re.sub(r"([.\[\]{}()\\*+?^$|])", r"\\\1", title) + "$"
        out = self.xdotool("search", "--onlyvisible", "--name", pattern, check=False)
        mine = set(self.visible_windows(pid))
        return [w for w in map(int, out.split()) if w in mine and self.name(w) == title]

    def name(self, wid):
        return self.xdotool("getwindowname", wid, check=False).rstrip("\n")

    def _info(self, wid):
        out = self._run(["xwininfo", "-id", str(wid)])
        def field(label):
            match = re.search(rf"{label}:\s+(-?\d+)", out)
            check(match, f"xwininfo gave no {label} for window {wid}")
            return int(match.group(1))
        viewable = "IsViewable" in out
        return Rect(field("Absolute upper-left X"), field("Absolute upper-left Y"),
                    field("Width"), field("Height")), viewable

    def client(self, wid):
        """The window's client area in screen pixels."""
        return self._info(wid)[0]

    def viewable(self, wid):
        return self._info(wid)[1]

    def frame_extents(self, wid):
        out = self._run(["xprop", "-id", str(wid), "_NET_FRAME_EXTENTS"], check=False)
        numbers = [int(n) for n in re.findall(r"\d+", out.split("=", 1)[-1])] if "=" in out else []
        return tuple(numbers) if len(numbers) == 4 else (0, 0, 0, 0)

    def outer(self, wid):
        """The window with its decoration, in screen pixels."""
        c = self.client(wid)
        left, right, top, bottom = self.frame_extents(wid)
        return Rect(c.x - left, c.y - top, c.w + left + right, c.h + top + bottom)

    def iconic(self, wid):
        return "Iconic" in self._run(["xprop", "-id", str(wid), "WM_STATE"], check=False)

    # --- pointer and keys -------------------------------------------------
    def pointer(self):
        out = self.xdotool("getmouselocation", "--shell")
        values = dict(line.split("=", 1) for line in out.split() if "=" in line)
        return int(values["X"]), int(values["Y"])

    def move_pointer(self, x, y):
        x, y = int(round(x)), int(round(y))
        # --sync waits for motion, and there is none when the pointer is there.
        if self.pointer() != (x, y):
            self.xdotool("mousemove", "--sync", x, y)

    def click(self, x, y, button=1):
        self.move_pointer(x, y)
        self.xdotool("click", button)

    def drag(self, start, end, button=1, steps=10, pause=0.03):
        """Press at start, move in steps to end, release."""
        self.move_pointer(*start)
        self.xdotool("mousedown", button)
        time.sleep(0.1)
        try:
            for i in range(1, steps + 1):
                self.move_pointer(start[0] + (end[0] - start[0]) * i / steps,
                                  start[1] + (end[1] - start[1]) * i / steps)
                time.sleep(pause)
        finally:
            self.xdotool("mouseup", button)

    def key(self, *keys):
        self.xdotool("key", "--clearmodifiers", *keys)

    def type(self, text):
        self.xdotool("type", "--delay", 20, text)

    def active_window(self):
        out = self.xdotool("getactivewindow", check=False).strip()
        return int(out) if out.isdigit() else None

    def focus(self, wid, timeout=5):
        """Makes wid the active window, so that keys go to it."""
        def active():
            if self.active_window() == wid:
                return True
            self.xdotool("windowactivate", wid, check=False)
            return False
        wait_until(active, f"window {wid} to become active", timeout=timeout, interval=0.2)

    # --- clipboard --------------------------------------------------------
    def _xclip_out(self, *args):
        try:
            done = subprocess.run(["xclip", "-o", "-selection", "clipboard", *args],
                                  env=self.env(), capture_output=True, timeout=5)
        except subprocess.TimeoutExpired:
            raise Failure("xclip -o did not finish within 5 s")
        return done.stdout.decode("utf-8", errors="replace") if done.returncode == 0 else ""

    def clipboard_text(self):
        """The CLIPBOARD selection as text; None when xclip is not installed,
        "" when nobody owns the selection."""
        return self._xclip_out() if self.has_xclip() else None

    def clipboard_stamp(self):
        """When the clipboard's owner took it: every new copy changes it."""
        return self._xclip_out("-t", "TIMESTAMP").strip() if self.has_xclip() else None

    def has_xclip(self):
        return shutil.which("xclip") is not None

    # --- pictures ---------------------------------------------------------
    def screenshot(self, path=None):
        """The whole screen as an RGB image; kept at path when one is given."""
        if path is None:
            with tempfile.TemporaryDirectory() as scratch:
                return self.screenshot(Path(scratch) / "screen.png")
        self._run(["import", "-window", "root", str(path)], timeout=20)
        with Image.open(path) as im:
            return im.convert("RGB")

    def wait_screen(self, problem, timeout=5, path=None):
        """Takes screenshots until problem(image) answers None and returns that
        image (kept at path when given); fails with the last answer when the
        time runs out. Drawing lags behind the events that cause it."""
        deadline = time.monotonic() + timeout
        while True:
            image = self.screenshot()
            trouble = problem(image)
            if trouble is None or time.monotonic() >= deadline:
                if path is not None:
                    image.save(path)
                if trouble is not None:
                    raise Failure(f"after {timeout:g} s: {trouble}")
                return image
            time.sleep(0.1)


class Palmiro:
    """One run of the program, from a copy of the binary in a fresh folder so
    that a settings file can lie beside it (<exe base name>.ini)."""

    def __init__(self, x, binary, artefacts, settings=None, label="palmiro",
                 pallet_title=DEFAULT_PALLET_TITLE, screen_title=DEFAULT_SCREEN_TITLE, args=()):
        self.x = x
        self.args = [str(a) for a in args]
        self.binary = Path(binary)
        self.artefacts = artefacts
        self.settings = settings
        self.label = label
        self.pallet_title = pallet_title
        self.screen_title = screen_title
        self.proc = None
        self.folder = None
        self.main = self.pallet = self.screen = None

    def __enter__(self):
        self.start()
        return self

    def __exit__(self, *exc):
        self.stop()
        return False

    def start(self, timeout=20):
        self.folder = Path(tempfile.mkdtemp(prefix="palmiro-e2e-"))
        exe = self.folder / self.binary.name
        shutil.copy2(self.binary, exe)
        if self.settings is not None:
            (self.folder / (exe.stem + ".ini")).write_bytes(self.settings)
        env = self.x.env()
        env["QT_QPA_PLATFORM"] = "xcb"
        self.log_path = self.artefacts / f"{self.label}.log"
        with open(self.log_path, "wb") as log:
            self.proc = subprocess.Popen([str(exe), *self.args], cwd=self.folder, env=env,
                                         stdin=subprocess.DEVNULL, stdout=log,
                                         stderr=subprocess.STDOUT, start_new_session=True)
        self.pallet, self.screen, self.main = wait_until(
            self._find_three, f"the three windows of {self.label} "
            f"(palette titled {self.pallet_title!r}, screen titled {self.screen_title!r})",
            timeout=timeout, interval=0.1)
        self.settle()

    def _find_three(self):
        self.assert_running()
        pallet = self.x.find_windows(self.pallet_title, self.proc.pid)
        screen = self.x.find_windows(self.screen_title, self.proc.pid)
        if len(pallet) != 1 or len(screen) != 1:
            return None
        others = [w for w in self.x.visible_windows(self.proc.pid)
                  if w not in (pallet[0], screen[0])]
        return (pallet[0], screen[0], others[0]) if len(others) == 1 else None

    def window_list(self):
        """Visible windows of the process with their titles, for messages."""
        return [(w, self.x.name(w)) for w in self.x.visible_windows(self.proc.pid)]

    def assert_running(self):
        if self.proc.poll() is not None:
            raise Failure(f"{self.label} exited with code {self.proc.returncode}; "
                          f"log:\n{self.log_path.read_text(errors='replace')}")

    def geometry(self):
        """Outer rectangles of (palette, main, screen)."""
        return tuple(self.x.outer(w) for w in (self.pallet, self.main, self.screen))

    def settle(self, quiet=0.3, timeout=10):
        """Waits until no window has moved for `quiet` seconds."""
        last = [self.geometry(), time.monotonic()]
        def still():
            now = self.geometry()
            if now != last[0]:
                last[:] = [now, time.monotonic()]
                return False
            return time.monotonic() - last[1] >= quiet
        wait_until(still, "the windows to stop moving", timeout=timeout)
        return last[0]

    def main_point(self, cx, cy):
        """A point of the main window's client area (1770 x 5820 twips, 118 px
        wide) on the screen; the window draws its own border around it."""
        outer = self.x.outer(self.main)
        border = (outer.w - MAIN_CLIENT_WIDTH) // 2
        return outer.x + border + cx, outer.y + border + cy

    def pallet_point(self, cx, cy):
        """A point of the palette window's client area on the screen."""
        client = self.x.client(self.pallet)
        return client.x + cx, client.y + cy

    def click_button(self, caption):
        """Clicks one of MAIN_BUTTONS by its caption (without the "&")."""
        left, top, w, h = MAIN_BUTTONS[caption]
        self.x.click(*self.main_point(left + w // 2, top + h // 2))

    def drawing_area(self):
        """The screen window's picture area on the screen: its client area
        less the two scroll bars."""
        c = self.x.client(self.screen)
        return Rect(c.x, c.y, c.w - SCROLL_BAR, c.h - SCROLL_BAR)

    # --- dialogs ----------------------------------------------------------
    def wait_window(self, title, timeout=10, exclude=()):
        """A newly shown window of the program titled title: none of the
        three permanent windows (the main one is titled "Palmiro" too, like
        the message boxes) nor one of exclude."""
        known = {self.main, self.pallet, self.screen, *exclude}
        def shown():
            self.assert_running()
            found = [w for w in self.x.find_windows(title, self.proc.pid) if w not in known]
            return found[0] if found else None
        return wait_until(shown, f"a window titled {title!r} (shown: {self.window_list()})",
                          timeout=timeout, interval=0.1)

    def wait_closed(self, wid, what, timeout=10):
        wait_until(lambda: wid not in self.x.visible_windows(self.proc.pid),
                   f"{what} to close", timeout=timeout, interval=0.1)

    def message_box(self, timeout=10):
        """The message box titled "Palmiro" that the program shows now,
        active, so that Return answers OK and Escape Cancel."""
        box = self.wait_window(APP_TITLE, timeout=timeout)
        self.x.focus(box)
        return box

    def fill_file_dialog(self, title, path):
        """Answers the file dialog titled title with path: the file name
        field holds the focus when the dialog opens. Returns the dialog."""
        dialog = self.wait_window(title)
        self.x.focus(dialog)
        self.x.key("ctrl+a")
        self.x.type(str(path))
        # Lets the completer that typing pops up settle before Return.
        time.sleep(0.3)
        self.x.key("Return")
        return dialog

    def dialog_file_name(self, dialog):
        """The text of the file dialog's name field, read through the
        clipboard; None without xclip. Leaves the whole text selected."""
        if not self.x.has_xclip():
            return None
        self.x.focus(dialog)
        before = self.x.clipboard_stamp()
        self.x.key("ctrl+a", "ctrl+c")
        wait_until(lambda: self.x.clipboard_stamp() != before,
                   "the name field's text to reach the clipboard", timeout=5)
        return self.x.clipboard_text()

    def open_act(self, path):
        """Opens an ACT file through the Open button and its dialog."""
        self.click_button("Open")
        dialog = self.fill_file_dialog("Select Act File", path)
        self.wait_closed(dialog, "the Select Act File dialog")

    def stop(self):
        _stop_process(self.proc)
        if self.folder:
            shutil.rmtree(self.folder, ignore_errors=True)
            self.folder = None


class Journey:
    def __init__(self, x, binary, artefacts, tool=None):
        self.x = x
        self.binary = binary
        self.artefacts = artefacts
        self.tool = tool

    def palmiro(self, **kwargs):
        return Palmiro(self.x, self.binary, self.artefacts, **kwargs)

    def screenshot(self, name):
        return self.x.screenshot(self.artefacts / name)


def run_journey(body):
    parser = argparse.ArgumentParser()
    parser.add_argument("--palmiro", required=True, help="the built palmiro binary")
    parser.add_argument("--artefacts", required=True, help="folder for screenshots and logs")
    parser.add_argument("--tool", help="the built palmiro-tool, for journeys that need it")
    args = parser.parse_args()
    artefacts = Path(args.artefacts)
    artefacts.mkdir(parents=True, exist_ok=True)
    for old in artefacts.glob("*"):
        if old.is_file():
            old.unlink()
    if not Path(args.palmiro).is_file():
        print(f"FAIL: no binary at {args.palmiro}")
        return 1

    # A signal from CTest's timeout must still run the clean-up below.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    x = None
    try:
        with X(artefacts) as x:
            try:
                body(Journey(x, Path(args.palmiro), artefacts,
                             Path(args.tool) if args.tool else None))
            except Skip:
                raise
            except Exception:
                try:
                    x.screenshot(artefacts / "failure.png")
                except Exception:
                    pass
                raise
    except Unavailable as why:
        if os.environ.get("PALMIRO_E2E_REQUIRE_X") == "1":
            print(f"FAIL: no X display: {why}")
            return 1
        print(f"SKIP: no X display: {why}")
        return SKIP
    except Skip as why:
        print(f"SKIP: {why}")
        return SKIP
    except Failure as why:
        print(f"FAIL: {why}")
        return 1
    except Exception:
        traceback.print_exc()
        return 1
    print("PASS")
    return 0
