"""Start and shell under openbox: frames edge to edge, Shift-JIS titles, drags
from the title strip and the bare surface only, maximise moves nothing,
minimise and restore, About over the main window without minimise and leaving
no X window inside it, the colour chooser beside the palette and main windows.
Return and a cell click apply typed values; a refused one is retyped, or
dropped by a cell click. Cell tooltips show in an inactive window. Alt+F4 asks
first."""

from harness import *

# "表" and "ソ" end in 0x5C ("\") in Shift-JIS: a byte-wise reader mangles them.
TITLES = ("表示テスト", "ソース パレット", "画面（試験）")
SETTINGS = ("[TITLE]\r\nFRM_MAIN=%s\r\nfrm_pallet = %s\r\nFRM_PCX=%s\r\n" % TITLES).encode("cp932")


def body(app, tool):
    start = pallet, main, screen = app.frames()
    shot("start.png")
    check(pallet[0] + pallet[2] == main[0] and screen[0] == main[0] + main[2]
          and pallet[1] == main[1] == screen[1], f"frames not edge to edge: {start}")
    names = re.findall(r'"(.*)"', prop(app.main, "_NET_WM_NAME") + prop(app.main, "WM_NAME"))
    check(not any(names), f"the shown main window is captioned {names}")

    for what, (x, y), button in (("information panel", (60, 200), 1), ("Zoom frame", (12, 70), 1),
                                 ("Act File frame", (12, 262), 1), ("title strip", (40, 8), 3)):
        x, y = app.at(app.main, x, y)
        drag((x, y), (x + 60, y + 40), button)
        check(app.settle() == start, f"a press on the {what} (button {button}) moved windows")

    for (x, y), (dx, dy) in (((40, 8), (90, 50)), ((1, 150), (-90, -50))):
        x, y = app.at(app.main, x, y)
        before = app.frames()
        drag((x, y), (x + dx, y + dy))
        after = app.settle()
        check(after == tuple((f[0] + dx, f[1] + dy) + f[2:] for f in before),
              f"a drag by {(dx, dy)} took {before} to {after}")

    for item in ("x", "e"):  # openbox's window menu: maximise, then restore
        xdo("windowactivate", "--sync", app.main)
        key("alt+space")
        time.sleep(0.3)
        key(item, "Escape")
        check(app.settle() == start, f"the window menu's {item!r} moved windows: {app.frames()}")

    click(*app.at(app.main, 108, 8))
    wait(lambda: "Iconic" in prop(app.main, "WM_STATE") and app.windows() == [] and
         xdo("getwindowname", app.main).strip() == TITLES[0], "minimised, titled, companions hidden")
    xdo("windowactivate", app.main)
    wait(lambda: len(app.windows()) == 3, "the restore")
    check(app.settle() == start, f"the restore put windows elsewhere: {app.frames()}")

    click(*app.at(app.main, 60, 340))
    about = app.dialog("Palmiro のﾊﾞｰｼﾞｮﾝ情報")
    actions = prop(about, "_NET_WM_ALLOWED_ACTIONS")
    check("MINIMIZE" not in actions and "MAXIMIZE" not in actions, f"About offers {actions}")
    click(*app.at(app.main, 60, 380))
    time.sleep(0.3)
    stacking = [int(w, 16) for w in re.findall(r"0x[0-9a-f]+", run(
        "xprop", "-root", "_NET_CLIENT_LIST_STACKING"))]
    check(stacking.index(about) > stacking.index(app.main), "About went under the main window")
    shot("about.png")
    xdo("windowactivate", "--sync", about)
    key("Return")
    app.closed(about)
    kids = re.search(r"(\d+) child", run("xwininfo", "-children", "-id", app.main))[1]
    check(kids == "0", f"the main window holds {kids} X windows of its own")

    cell = lambda i: app.at(app.pallet, 8 + 16 * (i % 16), 24 + 16 * (i // 16))
    check(int(xdo("getactivewindow")) != app.pallet, "the palette window active after About")
    move(*cell(37))  # the window not active, its cells still show their tips
    tips = lambda: [w for w in app.windows() if w not in (app.main, app.pallet, app.screen)]
    wait(tips, "the tooltip of cell 37")
    shot("tooltip.png")
    move(*app.at(app.main, 60, 200))
    wait(lambda: not tips(), "the tooltip to go")

    click(*app.at(app.pallet, 8, 24), 3)  # entry 0's menu: "Edit colour of 0..."
    time.sleep(0.5)
    key("c")
    chooser = app.dialog("0 の色を編集...")
    shot("chooser.png")
    cx, cy, cw, ch = frame(chooser)
    for name, (x, y, w, h) in (("palette", pallet), ("main", main)):
        check(cx >= x + w or cx + cw <= x or cy >= y + h or cy + ch <= y,
              f"the colour chooser {(cx, cy, cw, ch)} hides the {name} window")
    key("Escape")
    app.closed(chooser)

    def typed(window, box, text, *keys):
        click(*app.at(window, *box))
        key("ctrl+a")
        xdo("type", text)
        key(*keys)

    zoom = app.at(app.main, 8, 52) + app.at(app.main, 113, 117)
    typed(app.main, (36, 77), "300", "Tab")
    wanted = shot().crop(zoom)  # 300 in the box, the slider at 300
    typed(app.main, (36, 77), "99", "Return")
    app.answer("Palmiro", "Return")
    key("3", "0", "0", "Tab")  # replaces the zoom shown, selected
    until_screen(lambda i: i.crop(zoom) != wanted, "300 after a refusal", name="zoom.png")
    typed(app.pallet, (48, 329), "200")
    click(*cell(1))  # entry 0 takes the red typed for it
    until_screen(lambda i: i.getpixel(cell(0)) != (200, 0, 0), "the red of entry 0")
    click(*cell(0))
    typed(app.pallet, (48, 329), "abc")
    click(*app.at(app.pallet, 48, 353))  # the green box: refused
    app.answer("Palmiro", "Return")
    click(*cell(37))  # drops the refused text and selects
    swatch = app.at(app.pallet, *SWATCH)
    until_screen(lambda i: i.getpixel(swatch) != (0, 0, 0), "entry 37 selected", name="dropped.png")
    xdo("windowactivate", "--sync", app.main)
    key("alt+F4")  # the edit unsaved: Cancel keeps the program running
    app.answer("Palmiro", "Escape", "unsaved.png")

journey(body, settings=SETTINGS, pallet=TITLES[1], screen=TITLES[2])
