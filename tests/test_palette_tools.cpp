#include "app/CyclePlayer.h"
#include "formats/ImageFormats.h"
#include "support/WindowSteps.h"
#include "windows/main/OpenFiles.h"
#include "windows/palette/frmCycling.h"
#include "windows/palette/frmLevels.h"

#include <QWheelEvent>

#include <sys/stat.h>

// The palette window's tools: tidying from the cells' menu and hardware levels.

// Tidying the small picture, with entry 245 given entry 10's colour, from the menu of cell 10
// (the whole palette) or 250 (S = 10), picked by the items' keys: whether the drawing stays the
// same, the entries used, then whether undo gives back the palette, the stored values, the counts
// and the drawing, and redo the tidied ones, in one step each way. A dialog is answered with `n`.
QString Tidied()
{
    return notes.join(' ');
}
void Tidy(const char *keys, int t, double n = 0)
{
    OpenPcx("small"), Sel(10);
    PalletArray twin = Pallet;
    twin[245] = twin[10];
    P().ChangePallet(twin), P().History().stack().clear();
    const auto state = [] {
        return std::tuple(Pallet, mdlGlobal::PcxImage.pixels, PcxDecodedBytes, S().raster().copy(),
                          P().Usage());
    };
    const auto before = state();
    QTimer::singleShot(0, [keys, n] {
        QTimer::singleShot(0, [n] {
            if (auto *d = qobject_cast<QInputDialog *>(QApplication::activeModalWidget()))
                TitleFits(d, d->windowTitle()) ? void() : Note("clipped"), d->setDoubleValue(n),
                    d->setIntValue(int(n)), d->accept();
        });
        for (const char *k = keys; *k; ++k)
            QTest::keyClick(QApplication::activePopupWidget(), *k);
    });
    P().lblColor_ContextMenu(t, P().mapToGlobal(QPoint(20, 20)));
    const auto after = state();
    const UsageCounts &used = P().Usage();
    QUndoStack &stack = P().History().stack();
    Note(Join(std::get<3>(after) == std::get<3>(before) ? "same" : "changed",
              256 - int(std::count(used.begin(), used.end(), 0)), stack.index()));
    stack.undo();
    Note(state() == before ? "undone" : "");
    stack.redo();
    Note(state() == after ? "redone" : "");
}
// Drags cell a onto cell b; notes whether the two swapped.
void DragCell(int a, int b)
{
    QWidget *cell = P().lblColor[a];
    const PalletEntry was = Pallet[a];
    const QPointF at(4, 4), start = cell->mapToGlobal(at), end = P().lblColor[b]->mapToGlobal(at);
    const auto send = [&](QEvent::Type type, QPointF where, Qt::MouseButton button,
                          Qt::MouseButtons held) {
        QMouseEvent e(type, at, where, button, held, {});
        QApplication::sendEvent(cell, &e);
    };
    send(QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, end, Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, end, Qt::LeftButton, Qt::NoButton);
    Note(Pallet[b] == was ? "swapped" : "kept");
}
const Table kTidy = {
    // A cycling range's colours stay in it: a drag across its edge swaps nothing.
    {[] {
         OpenPcx("small"), Cycles = {{4, 5, 1.0, false, true}};
         DragCell(4, 9), DragCell(9, 5), DragCell(4, 5), DragCell(8, 9);
     },
     "kept kept swapped swapped"},
    {[] { Tidy("d", 10); }, "same 28 1 undone redone"},
    {[] { Tidy("m", 10, 6); }, "changed 26 1 undone redone"},
    {[] { Tidy("n", 250); }, "same 29 1 undone redone"},
    {[] { Tidy("oh", 10); }, "same 29 1 undone redone"},
    {[] { Tidy("ou", 250); }, "same 29 1 undone redone"},
    {[] { Tidy("q", 10, 4); }, "changed 4 1 undone redone"},
    {[] {
         Catalog.MenuTidyReduce = "Reduce %1..%2 to &fewer colours…";
         Tidy("f", 10, 4);
     },
     "changed 4 1 undone redone"},
};

// Hardware levels (EGA: 0, 85, 170, 255): a slider steps a level, a typed value and the other
// channels snap, the dialog's preset fills the counts; the cells off the levels (their tooltips,
// entry 38's corner marked and its middle not), the title.
QString LevelsShown()
{
    const QImage grab = P().grab().toImage();
    const QRect cell = P().lblColor[38]->geometry();
    int off = 0;
    for (int i = 0; i < kPalletEntries; ++i)
        off += P().UsageTip(i).endsWith(Catalog.TipOffLevels);
    return Join(notes.join(' '), Selected(), Changed(), off,
                grab.pixelColor(cell.topRight() + QPoint(-2, 2)) != Col(Pallet[38]),
                grab.pixelColor(cell.center()) == Col(Pallet[38]), P().windowTitle(),
                TitleFits(&P(), P().windowTitle()));
}
const Levels kEga{{4, 4, 4}};
const Table kLevels = {
    {[] { // right, page up, a wheel notch down: a level each
         P().SetLevels(kEga, 7), Sel(37), Key(P().sldColBar[0], Qt::Key_Right);
         QWheelEvent down({5, 5}, {}, {}, {0, -120}, {}, {}, Qt::NoScrollPhase, false);
         Key(P().sldColBar[0], Qt::Key_PageUp), QApplication::sendEvent(P().sldColBar[0], &down);
     },
     " 37 85/1,0,0! 37-37 255 true true 階調: EGA (2 bit) true"},
    {[] { P().SetLevels(kEga, 7), Act(768); }, // opening keeps the colours off the levels
     " 0 6/0,13/0,20/0! 0-255 256 true true 階調: EGA (2 bit) true"},
    {[] { P().SetLevels(kEga, 7), Sel(37), Type(P().txtColor[2], "128"), Tab(P().txtColor[0]); },
     " 37 0@,0,170/2! 37-37 255 true true 階調: EGA (2 bit) true"},
    {[] {
         QTimer::singleShot(0, [] {
             auto *d = qobject_cast<frmLevels *>(QApplication::activeModalWidget());
             d->cboPreset->setCurrentIndex(9), d->spnCount[0]->setValue(3);
             Note(Join(d->cboPreset->currentIndex(), d->chosen().count[2])), d->accept();
         });
         P().RunTool(frmPallet::Tool::Levels, 0);
     },
     "-1 4 0 3/0,10/0,17/0!  256 true true 階調: 3-8-4 true"},
    {[] {
         Catalog.TitlePallet = "Palmiro - Palette", Catalog.LevelsShown = "Levels: %1";
         Catalog.LevelsPresetNames = "|||Atari ST (3 bit)", P().SetLevels({{8, 8, 8}}, 3);
     },
     " 0 3/0,10/0,17/0!  256 true true Levels: Atari ST (3 bit) true"},
};

class TestPaletteTools : public QObject {
    Q_OBJECT
private slots:
    void levels_data() { Rows(kLevels); }
    void levels() { Check(kLevels, LevelsShown); }
    void tidy_data() { Rows(kTidy); }
    void tidy() { Check(kTidy, Tidied); }
};

QTEST_MAIN(TestPaletteTools)
#include "test_palette_tools.moc"
