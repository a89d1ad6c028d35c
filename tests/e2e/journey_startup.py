"""Start-up: the three windows side by side with one top and the screenshot
of them for the README; then titles from a Shift-JIS settings file, the main
window's title while minimised, and the restore."""

import os
import sys

from PIL import Image

from harness import REPO, check, run_journey, step, wait_until

# "表" and "ソ" have 0x5C ("\") as their second Shift-JIS byte: a reader that
# looks at bytes instead of characters mangles them.
TITLE_MAIN = "表示テスト"
TITLE_PALLET = "ソース パレット"
TITLE_SCREEN = "画面（試験）"
SETTINGS = (
    "; written by the journey in code page 932\r\n"
    "[TITLE]\r\n"
    f"FRM_MAIN={TITLE_MAIN}\r\n"
    f"FRM_PCX = {TITLE_SCREEN}\r\n"
    f"frm_pallet={TITLE_PALLET}\r\n"
).encode("cp932")

EDGE_TOLERANCE = 3  # pixels: borders of neighbouring frames may overlap


def check_side_by_side(pallet, main, screen):
    check(abs(pallet.right - main.x) <= EDGE_TOLERANCE,
          f"palette window's right edge {pallet.right} is not at the main window's left {main.x}")
    check(abs(screen.x - main.right) <= EDGE_TOLERANCE,
          f"screen window's left edge {screen.x} is not at the main window's right {main.right}")
    check(abs(pallet.y - main.y) <= EDGE_TOLERANCE and abs(screen.y - main.y) <= EDGE_TOLERANCE,
          f"the three windows do not share one top: palette {pallet.y}, main {main.y}, "
          f"screen {screen.y}")


def picture_of_three(image, rects, margin=12, desktop=(88, 104, 124)):
    """The three windows cut from a screenshot onto a plain desktop colour."""
    box = rects[0].united(rects[1]).united(rects[2])
    left, top = box.x - margin, box.y - margin
    picture = Image.new("RGB", (box.w + 2 * margin, box.h + 2 * margin), desktop)
    for r in rects:
        picture.paste(image.crop((r.x, r.y, r.right, r.bottom)), (r.x - left, r.y - top))
    return picture


def journey(j):
    with j.palmiro(label="default") as app:
        step("default titles without a settings file")
        rects = app.settle()
        shot = picture_of_three(j.screenshot("default-start.png"), rects)
        shot.save(j.artefacts / "screenshot.png")
        if os.environ.get("PALMIRO_UPDATE_SCREENSHOT") == "1":
            shot.save(REPO / "docs" / "screenshot.png")
            step("docs/screenshot.png written")

    with j.palmiro(settings=SETTINGS, label="sjis", pallet_title=TITLE_PALLET,
                   screen_title=TITLE_SCREEN) as app:
        step("palette and screen windows carry the titles from the Shift-JIS file")
        pallet, main, screen = app.settle()
        j.screenshot("sjis-start.png")
        check(j.x.name(app.main) != TITLE_MAIN,
              "the shown main window carries FRM_MAIN as its window title; "
              "it should show it only in its own title strip")

        # The minimise button: client (100, 0), 17 x 17, at the strip's right end.
        j.x.click(*app.main_point(108, 8))
        wait_until(lambda: j.x.iconic(app.main), "the main window to be minimised", timeout=5)
        wait_until(lambda: not j.x.viewable(app.pallet) and not j.x.viewable(app.screen),
                   "the companions to hide with the minimised main window", timeout=5)
        wait_until(lambda: j.x.name(app.main) == TITLE_MAIN,
                   f"the minimised main window to be titled {TITLE_MAIN!r} "
                   f"(it is {j.x.name(app.main)!r})", timeout=5)
        step("minimised main window carries FRM_MAIN, companions hidden")

        j.x.xdotool("windowactivate", app.main, check=False)
        wait_until(lambda: j.x.viewable(app.main) and j.x.viewable(app.pallet)
                   and j.x.viewable(app.screen), "all three windows back after restore", timeout=5)
        check(app.settle() == (pallet, main, screen),
              f"restore put the windows elsewhere: {app.geometry()} instead of "
              f"{(pallet, main, screen)}")
        step("restore brings all three back where they were")

    # Checked last, so that a misplaced window does not hide the checks above.
    check_side_by_side(*rects)
    step("windows side by side with one top")


sys.exit(run_journey(journey))
