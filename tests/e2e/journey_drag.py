"""Dragging the main window by its title strip carries both companions by the
same offset; a right-button drag moves nothing; a minimise and restore by the
window manager after a drag brings the main window back where it was."""

import sys

from harness import check, run_journey, step, wait_until

TOLERANCE = 2  # pixels


def offsets(before, after):
    return [(a.x - b.x, a.y - b.y) for b, a in zip(before, after)]


def check_moved_together(before, after, expected):
    names = ("palette", "main", "screen")
    for name, (dx, dy) in zip(names, offsets(before, after)):
        check(abs(dx - expected[0]) <= TOLERANCE and abs(dy - expected[1]) <= TOLERANCE,
              f"{name} window moved by ({dx}, {dy}), expected ({expected[0]}, {expected[1]}); "
              f"before {before}, after {after}")


def journey(j):
    with j.palmiro(label="drag") as app:
        start = app.settle()
        grab = app.main_point(40, 8)  # on the title strip, left of the minimise button

        j.x.drag(grab, (grab[0] + 150, grab[1] + 90), button=1, steps=15)
        wait_until(lambda: app.geometry() != start, "the windows to move after the drag",
                   timeout=5)
        dragged = app.settle()
        check_moved_together(start, dragged, (150, 90))
        step("left drag of the title strip moves all three windows by (150, 90)")

        grab = app.main_point(40, 8)
        j.x.drag(grab, (grab[0] - 120, grab[1] + 40), button=1, steps=12)
        wait_until(lambda: app.geometry() != dragged, "the windows to move after the second drag",
                   timeout=5)
        second = app.settle()
        check_moved_together(dragged, second, (-120, 40))
        step("a second drag moves all three by its own offset (-120, 40)")

        grab = app.main_point(40, 8)
        j.x.drag(grab, (grab[0] + 100, grab[1] + 60), button=3, steps=10)
        after_right = app.settle()
        check(after_right == second, f"a right-button drag moved windows: {second} -> {after_right}")
        step("right-button drag moves nothing")

        # Minimised by the window manager, not by the window's own button.
        j.x.xdotool("windowminimize", app.main)
        wait_until(lambda: j.x.iconic(app.main), "the main window to be minimised", timeout=5)
        j.x.xdotool("windowactivate", app.main, check=False)
        wait_until(lambda: j.x.viewable(app.main) and j.x.viewable(app.pallet)
                   and j.x.viewable(app.screen), "all three windows back after restore", timeout=5)
        restored = app.settle()
        check(restored == second,
              f"minimise and restore after a drag moved windows: {second} -> {restored}")
        step("window-manager minimise and restore after a drag keeps all three in place")


sys.exit(run_journey(journey))
