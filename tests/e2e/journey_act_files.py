"""ACT files through the real file dialogs: an opened file recolours all 256
cells and names itself in the palette window; Save writes the same 768 bytes
under a new name; saving over a 772-byte file keeps its last 4 bytes."""

import sys
import tempfile
from pathlib import Path

from harness import Failure, check, pallet_cell_centre, read_act, run_journey, step, wait_until, write_act

SWATCH = (24, 296)  # centre of the selection swatch, client pixels
FILE_LABEL = (0, 0, 251, 14)  # lblFName, client pixels

# Distinct entries (red alone tells them apart), none black.
COLOURS = [(i, (37 * i + 11) % 256, (200 - 3 * i) % 256) for i in range(256)]
OTHER = [((i + 128) % 256, i, 255 - i) for i in range(256)]
TAIL = b"\x01\x00\x00\x05"  # colour count 256, transparent index 5


def journey(j):
    with tempfile.TemporaryDirectory(prefix="palmiro-act-") as scratch:
        folder = Path(scratch)
        made, saved, tailed = folder / "made.act", folder / "saved.act", folder / "tailed.act"
        write_act(made, COLOURS)
        write_act(tailed, OTHER)
        with open(tailed, "ab") as f:
            f.write(TAIL)

        with j.palmiro(label="act") as app:
            app.settle()
            start = j.screenshot("act-start.png")
            pallet = j.x.client(app.pallet)
            label = (pallet.x + FILE_LABEL[0], pallet.y + FILE_LABEL[1],
                     pallet.x + FILE_LABEL[2], pallet.y + FILE_LABEL[3])

            cells = [(pallet.x + cx, pallet.y + cy) for cx, cy in map(pallet_cell_centre, range(256))]

            app.open_act(made)

            def cells_wrong(image):
                bad = [i for i in range(256) if image.getpixel(cells[i]) != COLOURS[i]]
                return (f"{len(bad)} cells do not show the opened file's colours, e.g. cell "
                        f"{bad[0]} is {image.getpixel(cells[bad[0]])}, expected "
                        f"{COLOURS[bad[0]]}") if bad else None
            opened = j.x.wait_screen(cells_wrong, path=j.artefacts / "act-opened.png")
            check(opened.getpixel(app.pallet_point(*SWATCH)) == COLOURS[0],
                  f"the swatch shows {opened.getpixel(app.pallet_point(*SWATCH))}, "
                  f"not entry 0's {COLOURS[0]}")
            check(opened.crop(label).tobytes() != start.crop(label).tobytes(),
                  "the file label still looks as at start (<No File>) after Open")
            step("Open through the dialog: all 256 cells and the swatch show the file's colours, "
                 "the file label changed")

            app.click_button("Save")
            dialog = app.wait_window("Act File Save")
            offered = app.dialog_file_name(dialog)
            if offered is not None:
                check(offered == made.name,
                      f"Save offers {offered!r}, not the opened file's name {made.name!r}")
            app.fill_file_dialog("Act File Save", saved)
            app.wait_closed(dialog, "the save dialog")
            written = wait_until(lambda: saved.is_file() and len(saved.read_bytes()) == 768
                                 and saved.read_bytes(), f"{saved.name} to be written", timeout=5)
            if written != made.read_bytes():
                first = next(i for i, (a, b) in enumerate(zip(written, made.read_bytes())) if a != b)
                raise Failure(f"{saved.name} differs from the opened file from byte {first} on")
            step(f"Save under a new name writes the opened 768 bytes unchanged"
                 + (f" (offered name {offered!r})" if offered else ""))

            before = tailed.read_bytes()
            app.click_button("Save")
            dialog = app.wait_window("Act File Save")
            offered = app.dialog_file_name(dialog)
            if offered is not None:
                check(offered == saved.name,
                      f"after saving as {saved.name}, Save offers {offered!r}")
            app.fill_file_dialog("Act File Save", tailed)
            question = app.wait_window("Act File Save", exclude=(dialog,))
            check(tailed.read_bytes() == before, "the file changed before the replace question")
            j.screenshot("act-replace-question.png")
            j.x.focus(question)
            j.x.key("alt+y")
            app.wait_closed(question, "the replace question")
            app.wait_closed(dialog, "the save dialog")
            after = wait_until(lambda: tailed.read_bytes()[:768] != before[:768] and tailed.read_bytes(),
                               f"{tailed.name} to be overwritten", timeout=5)
            check(len(after) == 772, f"{tailed.name} is {len(after)} bytes after the save, not 772")
            check(read_act(after) == COLOURS, f"{tailed.name} does not hold the palette after the save")
            check(after[768:] == TAIL, f"the last 4 bytes became {after[768:].hex()}, "
                                       f"not the old {TAIL.hex()}")
            step("saving over a 772-byte file writes the palette and keeps its last 4 bytes")
            j.screenshot("act-end.png")


sys.exit(run_journey(journey))
