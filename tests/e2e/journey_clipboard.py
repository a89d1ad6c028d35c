"""Copy and paste of a palette range through the real clipboard: entries 5 to
8 chosen in the range dialog become palette text on the clipboard; pasted at
entry 100 they recolour cells 100 to 103 once the prompt is confirmed, and
not at all when it is cancelled."""

import sys
import tempfile
from pathlib import Path

from harness import Rect, check, pallet_cell_centre, run_journey, step, wait_until, write_act

SWATCH = (24, 296)  # centre of the selection swatch, client pixels
COPY_BUTTON = (160, 296)  # fraClip (128, 276) + (4, 12), 57 x 17
PASTE_BUTTON = Rect(192, 288, 57, 17)  # fraClip + (64, 12)
RANGE_COPY = (156, 118)  # "COPY" in the range dialog: (132, 108), 49 x 21

# Distinct entries (red alone tells them apart), none black.
COLOURS = [(i, (53 * i + 7) % 256, (255 - 5 * i) % 256) for i in range(256)]
FIRST, LAST, TARGET = 5, 8, 100


def range_cell_centre(index):
    """The range dialog's cells: 9 px squares, 8 px apart, from client (0, 0)."""
    row, column = divmod(index, 16)
    return 8 * column + 4, 8 * row + 4


def journey(j):
    with tempfile.TemporaryDirectory(prefix="palmiro-clip-") as scratch:
        palette = Path(scratch) / "clip.act"
        write_act(palette, COLOURS)

        with j.palmiro(label="clip") as app:
            app.settle()
            app.open_act(palette)
            pallet = j.x.client(app.pallet)

            def at(client_point):
                return pallet.x + client_point[0], pallet.y + client_point[1]

            def colour_problem(expected):
                """A screenshot check: cell i shows expected[i] for every i given."""
                def problem(image):
                    wrong = {i: image.getpixel(at(pallet_cell_centre(i))) for i in expected
                             if image.getpixel(at(pallet_cell_centre(i))) != expected[i]}
                    return (f"cells {wrong} instead of "
                            f"{ {i: expected[i] for i in wrong} }") if wrong else None
                return problem
            around = range(FIRST - 1, TARGET + LAST - FIRST + 2)
            j.x.wait_screen(colour_problem({i: COLOURS[i] for i in around}),
                            path=j.artefacts / "clip-opened.png")
            paste_button = PASTE_BUTTON.moved(pallet.x, pallet.y)
            paste_look = j.screenshot("clip-start.png").crop(paste_button.box())

            j.x.click(*at(pallet_cell_centre(FIRST)))
            j.x.click(*at(COPY_BUTTON))
            dialog = app.wait_window("Copy to Clipboard")
            j.x.focus(dialog)
            client = j.x.client(dialog)
            stamp = j.x.clipboard_stamp()
            j.x.click(client.x + range_cell_centre(LAST)[0], client.y + range_cell_centre(LAST)[1])
            j.screenshot("clip-range.png")
            j.x.click(client.x + RANGE_COPY[0], client.y + RANGE_COPY[1])
            app.wait_closed(dialog, "the range dialog after COPY")

            if j.x.has_xclip():
                expected = "Palmiro%03d" % (LAST - FIRST) + "".join(
                    "%03d%03d%03d" % COLOURS[i] for i in range(FIRST, LAST + 1))
                wait_until(lambda: j.x.clipboard_stamp() != stamp,
                           "the range to reach the clipboard", timeout=5)
                text = j.x.clipboard_text()
                check(text == expected, f"the clipboard holds {text!r}, expected {expected!r}")
                step(f"range {FIRST}..{LAST} copied as {expected!r}")
            else:
                def paste_enabled(image):
                    look = image.crop(paste_button.box())
                    return None if look.tobytes() != paste_look.tobytes() else \
                        "the paste button still looks disabled after COPY"
                j.x.wait_screen(paste_enabled)
                step(f"range {FIRST}..{LAST} copied: the paste button is enabled (no xclip here "
                     f"to read the text)")

            j.x.click(*at(pallet_cell_centre(TARGET)))
            j.x.click(*paste_button.centre())
            box = app.message_box()
            j.screenshot("clip-prompt.png")
            j.x.key("Escape")
            app.wait_closed(box, "the paste prompt after Escape")
            # Selecting another entry shows that the program went on past the
            # prompt, so unchanged cells are not merely not yet repainted.
            j.x.click(*at(pallet_cell_centre(TARGET + 1)))
            unchanged = colour_problem({i: COLOURS[i] for i in around})
            def cancelled(image):
                if image.getpixel(at(SWATCH)) != COLOURS[TARGET + 1]:
                    return f"the swatch does not show entry {TARGET + 1} after its cell was clicked"
                return unchanged(image)
            j.x.wait_screen(cancelled, path=j.artefacts / "clip-cancelled.png")
            step("Cancel in the paste prompt leaves every cell as it was")

            j.x.click(*at(pallet_cell_centre(TARGET)))
            j.x.click(*paste_button.centre())
            box = app.message_box()
            j.x.key("Return")
            app.wait_closed(box, "the paste prompt after Return")
            pasted = {i: COLOURS[i] for i in around}
            for i in range(TARGET, TARGET + LAST - FIRST + 1):
                pasted[i] = COLOURS[FIRST + i - TARGET]
            after = j.x.wait_screen(colour_problem(pasted), path=j.artefacts / "clip-pasted.png")
            check(after.getpixel(at(SWATCH)) == COLOURS[FIRST],
                  f"the swatch of the selected entry {TARGET} shows {after.getpixel(at(SWATCH))}, "
                  f"not the pasted {COLOURS[FIRST]}")
            step(f"OK pastes: cells {TARGET}..{TARGET + LAST - FIRST} show the colours of "
                 f"{FIRST}..{LAST}, their neighbours and the source cells are unchanged")


sys.exit(run_journey(journey))
