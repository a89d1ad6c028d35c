"""ACT files through the real Qt dialogs, a range through the X clipboard, and
the paste prompt's Cancel and OK."""

from harness import *

COLOURS = [(i, (37 * i + 11) % 256, (200 - 3 * i) % 256) for i in range(256)]


def body(tool):
    app = App()
    try:
        made, saved = app.folder / "made.act", app.folder / "saved.act"
        made.write_bytes(bytes(c for colour in COLOURS for c in colour))
        cells = [app.at(app.pallet, 16 * (i % 16) + 8, 24 + 16 * (i // 16)) for i in range(256)]

        def shows(expected, name):
            until_screen(lambda i: [n for n, c in expected.items() if i.getpixel(cells[n]) != c],
                         f"the cells to show {expected}", name=name)

        click(*app.at(app.main, 60, 260))  # New: a dialog with no caption at all
        new = app.dialog("")
        check(not any(re.findall(r'"(.*)"', prop(new, "_NET_WM_NAME"))), "New has a caption")
        x, y = frame(new, False)[:2]
        click(x + 278, y + 124)  # Cancel
        app.closed(new)
        step("New opens without a caption; Cancel closes it")

        click(*app.at(app.main, 60, 284))
        app.answer_file("Select Act File", made)
        shows(dict(enumerate(COLOURS)), "opened.png")
        step("Open through the Qt file dialog: all 256 cells show the file's colours")

        click(*app.at(app.main, 60, 308))
        app.answer_file("Act File Save", saved)
        wait(lambda: saved.is_file() and saved.read_bytes() == made.read_bytes(), "the save")
        step("Save through the dialog writes the opened 768 bytes")

        click(*cells[5])
        click(*app.at(app.pallet, 160, 296))
        dialog = app.dialog("Copy to Clipboard")
        x, y = frame(dialog, False)[:2]
        click(x + 68, y + 4)  # cell 8 of the range dialog's 8-px grid
        click(x + 156, y + 118)  # COPY
        app.closed(dialog)
        text = "Palmiro003" + "".join("%03d%03d%03d" % COLOURS[i] for i in range(5, 9))
        wait(lambda: run("xclip", "-o", "-selection", "clipboard") == text,
             f"the X clipboard to hold {text}")
        step("entries 5 to 8 reach the X clipboard as palette text (read with xclip)")

        for answer, source in (("Escape", range(100, 104)), ("Return", range(5, 9))):
            click(*cells[100])
            click(*app.at(app.pallet, 220, 296))
            app.answer("Palmiro", answer, "paste-prompt.png")
            click(*cells[101])  # shows that the program went on past the prompt
            shows({i: COLOURS[s] for i, s in zip(range(100, 104), source)}, f"{answer}.png")
        step("the paste prompt: Escape leaves cells 100 to 103, Return gives them 5 to 8")
    finally:
        app.stop()


journey(body)
