#include "app/CyclePlayer.h"
#include "formats/ImageFormats.h"
#include "support/WindowSteps.h"
#include "windows/main/OpenFiles.h"
#include "windows/palette/frmCycling.h"
#include "windows/palette/frmLevels.h"

#include <QWheelEvent>

#include <sys/stat.h>

// Cells, sliders and boxes: the selection as noted on the way and at the end, the entries
// changed, messages. Leaving a box or Return commits it; a refusal changes nothing, says so and
// keeps the focus with the text selected; a click on a cell commits what was typed first if it
// can, else drops it; the window losing the focus does not commit.
QString Edits()
{
    return Join(notes.join(' '), Selected(), Changed(), Msgs());
}
const Table kEdits = {
    {[] {
         Sel(37), Rgb(P(), 10, 20, 30), Note(Selected()), Sel(38), Note(Selected()), Sel(37),
             Sel(37);
     },
     "37 10,20,30 38 48,55,62 37 10,20,30 37-37 "},
    {[] { Sel(255), Key(P().sldColBar[2], Qt::Key_PageUp), Key(P().sldColBar[2], Qt::Key_Right); },
     " 255 87,94,107 255-255 "},
    {[] { Sel(37), Type(P().txtColor[0], "256"), Tab(P().txtColor[1]), Note(Selected()), Sel(38); },
     "37 256/27@,34,41 38 48@,55,62  255"}, // a click drops what was refused
    {[] { Sel(37), Type(P().txtColor[2], ""), Tab(P().txtColor[0]); }, " 37 27@,34,0 37-37 "},
    {[] { Sel(37), Type(P().txtColor[2], "255"), Tab(P().txtColor[0]); }, " 37 27@,34,255 37-37 "},
    {[] { Sel(37), Type(P().txtColor[1], "13.5"), Tab(P().txtColor[0]); },
     " 37 27@,13.5/14,41 37-37 "},
    {[] { Sel(37), Type(P().txtColor[0], "99"), Sel(38), Tab(P().txtColor[1]); },
     " 38 48,55@,62 37-37 "},
    {[] {
         Sel(37), Type(P().txtColor[1], "x"), Key(P().txtColor[1], Qt::Key_Return),
             Keys(P().txtColor[1], "99"), Key(P().txtColor[1], Qt::Key_Return);
     },
     " 37 27,99@,41 37-37 255"},
    {[] { Sel(37), Type(P().txtColor[0], "99"), Activate(&M()); }, " 37 99/27,34,41  "},
    {[] { // a cell shows its tip whichever window is active
         Activate(&M()), QTest::mouseMove(P().lblColor[37]);
         Note(Join(QTest::qWaitFor([] { return QToolTip::isVisible(); }, 3000)));
     },
     "true 0 3,10,17  "},
    {[] { Sel(37), Type(P().txtColor[0], "256"), Click(P().sldColBar[1]); },
     " 37 256/27@,34,41  255"}, // the press that took the focus does not act
    {[] { // a range added and changed is a step each; F5 in each window and the dialog's button
          // play and stop: the cells turn, the entries stay
         frmCycling &c = FrmCycling();
         QUndoStack &h = P().History().stack();
         c.ShowFor(2, 0), c.spnRate->setValue(2), Click(c.cmdAdd);
         c.chkBackward->setChecked(true), Click(c.cmdEdit), h.undo();
         Note(Join(h.count(), int(Cycles.size()), Cycles[0].backward, c.lstRanges->count()));
         const auto turned = [] { return Background(P().lblColor[0]) == Col(Pallet[2]); };
         for (QWidget *w : {static_cast<QWidget *>(&P()), static_cast<QWidget *>(&S())}) {
             Activate(w), Key(w, Qt::Key_F5);
             QTRY_VERIFY(turned() || !ThePlayer().playing());
             Note(Join(ThePlayer().playing(), turned()));
         }
         Activate(&M()), Key(&M(), Qt::Key_F5), Note(Join(ThePlayer().playing()));
         Click(c.cmdPlay), h.undo(), Note(Join(ThePlayer().playing(), int(Cycles.size())));
     },
     "3 1 false 1 true true false false true false 0 0 3,10,17  "},
};

// Open (an ACT or a PCX file), Save, New: the last file dialog (title, filter, name offered,
// whether it asks before overwriting), what the New dialog showed (boxes, swatch) and handed over
// ("-1": cancelled), messages, the name shown, the selection, entries changed, the size saved. New
// shows what it was left with.
QString Files()
{
    const Platform::FileDialog d = platform->dialogs.value(platform->dialogs.size() - 1);
    return Join(d.title, d.filter, QFileInfo(d.defaultName).fileName(), d.confirmOverwrite,
                notes.join(' '),
                QString("%1,%2,%3").arg(InitColorR).arg(InitColorG).arg(InitColorB), InitCancel,
                Msgs(), Name(), Selected(), Changed(), QFileInfo(dir->filePath("out.act")).size());
}
void NoteNew()
{
    Note(Boxes(I()) + Background(I().lblSelectColor).name());
}
const Table kFiles = {
    {[] { Act(772); },
     "Select Act File Act Files (*.act)|*.act| USER.act false  0,0,0 0  in.file 0 6,13,20 0-255 0"},
    {[] { Act(0); },
     "Select Act File Act Files (*.act)|*.act| USER.act false  0,0,0 0  in.file 0 3,10,17  0"},
    {[] { Open(M().cmdActOpen, {}); },
     "Select Act File Act Files (*.act)|*.act| USER.act false  0,0,0 0  <No File> 0 3,10,17  0"},
    {[] { Open(M().cmdActOpen, dir->path()); },
     "Select Act File Act Files (*.act)|*.act| USER.act false  0,0,0 0 FILE_IS_FOLDER <No File> 0 "
     "3,10,17  0"},
    {[] { Open(M().cmdActSave, dir->filePath("out.act")); },
     "Act File Save Act Files(*.act)|*.act| user.act true  0,0,0 0  out.act 0 3,10,17  768"},
    {[] { Act(768), Open(M().cmdActSave, dir->filePath("out.act")); },
     "Act File Save Act Files(*.act)|*.act| in.file true  0,0,0 0  out.act 0 6,13,20 0-255 768"},
    {[] { Open(M().cmdActSave, {}); },
     "Act File Save Act Files(*.act)|*.act| user.act true  0,0,0 0  <No File> 0 3,10,17  0"},
    {[] { Open(M().cmdActSave, dir->path()); }, "Act File Save Act Files(*.act)|*.act| user.act "
                                                "true  0,0,0 0 PALETTE_SAVE_FAILED+FILE_IS_FOLDER "
                                                "<No File> 0 3,10,17  0"},
    {[] { OpenPcx("small"); }, "Select PCX File Act Files (*.pcx)|*.pcx| USER.pcx false  0,0,0 0  "
                               "<No File> 0 255,0,249 0-255 0"},
    {[] {
         Sel(42), Modal(M().cmdActNew,
                        [] { NoteNew(), Rgb(I(), 255, 100, 50), NoteNew(), Click(I().cmdOK); });
     },
     "   false 0,0,0#000000 255,100,50#ff6432 255,100,50 0   42 255,100,50 0-255 0"},
    {[] { Act(768), Modal(M().cmdActNew, [] { Rgb(I(), 1, 2, 3), Click(I().cmdCancel); }); },
     "Select Act File Act Files (*.act)|*.act| USER.act false  0,0,0 -1  in.file 0 6,13,20 0-255 "
     "0"},
    {[] { Modal(M().cmdActNew, [] { Rgb(I(), 1, 2, 3), Key(&I(), Qt::Key_Escape); }); },
     "   false  0,0,0 -1  <No File> 0 3,10,17  0"},
    {[] {
         Modal(M().cmdActNew, [] { Rgb(I(), 9, 9, 9), Click(I().cmdOK); }),
             Modal(M().cmdActNew, [] { NoteNew(), I().close(); });
     },
     "   false 9,9,9#090909 9,9,9 -1   0 9,9,9 0-255 0"},
    {[] {
         Modal(M().cmdActNew, [] { Click(I().cmdCancel); }),
             Modal(M().cmdActNew, [] { Rgb(I(), 4, 5, 6), Click(I().cmdOK); });
     },
     "   false  4,5,6 0   0 4,5,6 0-255 0"},
    {[] {
         Modal(M().cmdActNew, [] {
             Type(I().txtColor[2], "256"), Tab(I().txtColor[0]), NoteNew(),
                 Key(I().txtColor[2], Qt::Key_Return);
         });
     },
     "   false 0,0,256/0@#000000 open 0,0,0 -1 255,255 <No File> 0 3,10,17  0"},
    {[] {
         Modal(M().cmdActNew, [] {
             Type(I().txtColor[1], "254.6"), Tab(I().txtColor[2]), NoteNew(), Click(I().cmdOK);
         });
     },
     "   false 0,254.6/255,0@#00ff00 0,255,0 0   0 0,255,0 0-255 0"},
};

// Copy and Paste: the range dialog as seen (bounds, raised cells, "+" when OK is on), where
// the clipboard's entries are in the palette, Paste on, messages, entries changed, the
// selection. Paste asks first; entries past 255 are dropped. Activating the window reads the
// clipboard, and so does a change of it while the window is shown.
void NoteRange()
{
    Note(C().lblFrom->text() + "-" + C().lblTo->text() + ":" + Cells(C().lblColor) +
         (C().cmdOK->isEnabled() ? "+" : ""));
}
QString Clipboard()
{
    const auto clip = ParseClipText(platform->clipboard);
    const auto from =
        clip ? std::search(Pallet.begin(), Pallet.end() - 1, clip->begin(), clip->end()) -
                   Pallet.begin()
             : 0;
    return Join(notes.join(' '),
                clip ? QString("%1-%2").arg(from).arg(from + clip->size() - 1)
                     : platform->clipboard,
                P().cmdPaste->isEnabled(), Msgs(), Changed(), Selected());
}
const char *const kTwo = "Palmiro001001008015022029036"; // (1,8,15) (22,29,36)
const Table kClipboard = {
    {[] {
         Sel(10), Modal(P().cmdCopy, [] {
             NoteRange(), Click(C().lblColor[20]), NoteRange(), Click(C().lblColor[15]),
                 NoteRange(), Click(C().lblColor[5]), NoteRange(), Click(C().lblColor[7]),
                 NoteRange(), Click(C().cmdOK);
         });
     },
     "10-:10-10 10-20:10-20+ 10-15:10-15+ 5-10:5-10+ 5-7:5-7+ 5-7 true   10 213,220,227"},
    {[] {
         Sel(255),
             Modal(P().cmdCopy, [] { Click(C().lblColor[0]), NoteRange(), Click(C().cmdOK); });
     },
     "0-255:0-255+ 0-255 true   255 87,94,101"},
    {[] { // Cancel, Esc, the close box: no copy, and no range kept for the next time
         Sel(10), platform->clipboard = "keep";
         Modal(P().cmdCopy, [] { Click(C().lblColor[20]), Click(C().cmdCancel); });
         Modal(P().cmdCopy, [] { Click(C().lblColor[20]), Key(&C(), Qt::Key_Escape); });
         Modal(P().cmdCopy, [] { Click(C().lblColor[20]), C().close(); });
         Modal(P().cmdCopy, [] { NoteRange(), C().close(); });
     },
     "10-:10-10 keep false   10 213,220,227"},
    {[] { Sel(5), platform->clipboard = kTwo, P().cmdPaste_Click(); },
     " 5-6 false 5 ～ 6 のパレットを書き換えます。\rよろしいですか？? 5-6 5 1,8,15"},
    {[] {
         Sel(5), platform->clipboard = kTwo, platform->answers = {Platform::Answer::Cancel},
                 P().cmdPaste_Click();
     },
     " 227-228 false 5 ～ 6 のパレットを書き換えます。\rよろしいですか？?  5 108,115,122"},
    {[] { Sel(255), platform->clipboard = kTwo, P().cmdPaste_Click(); },
     " 227-228 false 255 ～ 255 のパレットを書き換えます。\rよろしいですか？? 255-255 255 1,8,15"},
    {[] { Sel(5), P().cmdPaste_Click(); }, "  false   5 108,115,122"},
    {[] { platform->clipboard = "Palmiro000001002003", Activate(&M()), Activate(&P()); },
     " 256-256 true   0 3,10,17"},
    {[] { platform->clipboard = "palmiro000001002003", Activate(&M()), Activate(&P()); },
     " palmiro000001002003 false   0 3,10,17"},
    {[] { Activate(&P()), platform->setClipboardText(kTwo); }, " 227-228 true   0 3,10,17"},
};

// Undo and redo, from entry 5 of an 18-byte file selected (entries 6 to 255 never written):
// the steps taken, "undone" when undoing them all shows everything as before (stored colours
// included), "redone" when redoing them all shows it as after, and the selection then.
std::pair<PalletArray, QString> Shown()
{
    return {Pallet, QString(Selected() + Cells(P().lblColor)).remove('@')};
}
bool Same(const std::pair<PalletArray, QString> &a, const std::pair<PalletArray, QString> &b)
{
    return a.second == b.second &&
           std::equal(a.first.begin(), a.first.end(), b.first.begin(),
                      [](auto &x, auto &y) { return x == y && x.Color == y.Color; });
}
std::pair<PalletArray, QString> start;
void Short()
{
    ActFileBytes = Pattern(15) + QByteArray(3, '\0'), ActFileLen = 18, P().PalletSet(), Sel(5);
    P().History().stack().clear(), start = Shown();
}
QString Undo()
{
    QUndoStack &stack = P().History().stack();
    const int steps = stack.count();
    const auto after = Shown();
    stack.setIndex(0);
    const bool undone = Same(Shown(), start);
    stack.setIndex(steps);
    return Join(steps, undone ? "undone" : "", Same(Shown(), after) ? "redone" : "", Selected());
}
const Table kUndo = {
    {[] { Short(), Key(P().sldColBar[1], Qt::Key_Right), Key(P().sldColBar[1], Qt::Key_PageUp); },
     "2 undone redone 5 0,6,0"},
    {[] { // one drag is one step; one that ends where it began, none; the next drag, another
         Short();
         for (int end : {9, 9, 20}) { // 0 to 9, 9 to 9, 9 to 20, each through 40
             QTest::mousePress(P().sldColBar[1], Qt::LeftButton);
             P().sldColBar[1]->setValue(40), P().sldColBar[1]->setValue(end);
             QTest::mouseRelease(P().sldColBar[1], Qt::LeftButton);
         }
     },
     "2 undone redone 5 0,20,0"},
    {[] { Short(), Type(P().txtColor[0], "77"), Tab(P().txtColor[1]); },
     "1 undone redone 5 77,0@,0"},
    {[] { Short(), Type(P().txtColor[0], "77"), Sel(5); }, "1 undone redone 5 77@,0,0"},
    {[] { Short(), Type(P().txtColor[0], "0"), Tab(P().txtColor[1]); }, "0 undone redone 5 0,0@,0"},
    {[] { Short(), Sel(6), Type(P().txtColor[0], "0"), Tab(P().txtColor[1]); },
     "1  redone 6 0,0@,0"}, // a never written entry written as 0 is a step
    {[] {
         Short(), platform->clipboard = "Palmiro001" + Triples({1, 2, 3, 4, 5, 6}),
                  P().cmdPaste_Click();
     },
     "1 undone redone 5 1,2,3"},
    {[] { Short(), Modal(M().cmdActNew, [] { Rgb(I(), 9, 8, 7), Click(I().cmdOK); }); },
     "1 undone redone 5 9,8,7"},
    {[] { Short(), OpenPcx("small"); }, "1 undone redone 5 250,5,214"},
    {[] {
         P().SetLevels({{4, 4, 4}}), Short(), P().RunTool(frmPallet::Tool::SnapLevels, 0);
     },
     "1 undone redone 5 0,0,0"}, // snapping 0..5 is one step; undo gives the colours back
};

// Other formats through the same buttons, the command line and drops: what was noted, the
// number of messages, the name shown, entries changed.
QString Formats()
{
    return Join(notes.join(' '), platform->messages.size(), Name(), Changed());
}
const Table kFormats = {
    {[] {
         Open(M().cmdActOpen, WriteFile(dir->filePath("a.gpl"), "GIMP Palette\n1 2 3\n4 5 6 x\n"));
         Open(M().cmdActSave, dir->filePath("b.pal")),
             Note(Contents(dir->filePath("b.pal")).left(8));
         Note(Join(platform->dialogs.last().initialFilter)); // GIMP's, as a.gpl is
     },
     "JASC-PAL 1 0 b.pal 0-1"},
    {[] { // the filter chosen beats the name's extension
         platform->filter = 1, Open(M().cmdActSave, dir->filePath("c.act"));
         platform->filter = 0, Open(M().cmdActSave, dir->filePath("d.gpl"));
         Note(Join(Contents(dir->filePath("c.act")).left(12),
                   Contents(dir->filePath("d.gpl")).size()));
     },
     "GIMP Palette 768 0 d.gpl "},
    {[] {
         for (const char *refused :
              {"GIMP Palette\n1 2\n", "\x89PNG\r\n\x1a\n", "JASC-PAL\n0100\n"})
             Note(Join(OpenFileByContent(WriteFile(dir->filePath("r"), refused))));
         Note(Join(OpenFileByContent(dir->filePath("missing.act")))),
             Note(Join(QFile::exists(dir->filePath("missing.act"))));
     },
     "false false false false false 4 <No File> "},
    {[] { // dropped on the screen window, a picture opens as the PCX Open button would
         QMimeData mime;
         mime.setUrls({QUrl::fromLocalFile(WriteFile(dir->filePath("p"), Pcx("small")))});
         AcceptFileDrops(&S()); // as main() does for the three windows
         QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, {});
         QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, {});
         QCoreApplication::sendEvent(&S(), &enter), QCoreApplication::sendEvent(&S(), &drop);
         QTRY_VERIFY(mdlGlobal::PcxImage.width() == 8);
         platform->paths.push_back(dir->filePath("out.bmp")), S().mnuSaveImage_Click();
         Note(Join(ReadAnyImage(Contents(dir->filePath("out.bmp"))).pcx.image.pixels ==
                   mdlGlobal::PcxImage.pixels));
     },
     "true 0 <No File> 0-255"},
    {[] { // a picture gives its palette as PCX Open takes it, and nothing else
         QByteArray truecolour = Pcx("small");
         truecolour[65] = 3;
         Open(M().cmdActOpen, WriteFile(dir->filePath("p.pcx"), Pcx("small")));
         Open(M().cmdActOpen, WriteFile(dir->filePath("t.pcx"), truecolour));
         Open(M().cmdActSave, {}); // Save offers a name of its own, not the picture's
         QImage photo(4, 2, QImage::Format_RGB32); // has no palette, but is no damage
         photo.fill(Qt::blue), photo.save(dir->filePath("photo.jpg"));
         photo.save(dir->filePath("photo.png")), Open(M().cmdActOpen, dir->filePath("photo.png"));
         Open(M().cmdActOpen, dir->filePath("photo.jpg"));
         Note(Join(Col(Pallet[0]).name(), mdlGlobal::PcxImage.isLoaded(), Msgs(),
                   QFileInfo(platform->dialogs[2].defaultName).fileName()));
     },
     "#ff00f9 false PALETTE_BROKEN,PALETTE_NO_PALETTE,PALETTE_NO_PALETTE p.act 3 p.pcx 0-255"},
    {[] { // a pipe or a device is refused at once wherever a file is read or written
         const QString fifo = dir->filePath("fifo");
         ::mkfifo(qPrintable(fifo), 0600);
         Open(M().cmdActOpen, fifo), Open(M().cmdActSave, fifo), Open(M().cmdPcxOpen, "/dev/zero");
         OpenPcx("small"), platform->paths.push_back(fifo), S().mnuSaveImage_Click();
         Note(Msgs());
     },
     "FILE_IS_PIPE,PALETTE_SAVE_FAILED+FILE_IS_PIPE,FILE_IS_DEVICE,IMAGE_SAVE_FAILED+FILE_IS_PIPE "
     "4 "
     "<No File> 0-255"},
    {[] { // a hardware format through the filter chosen: saved as levels, opened snapped
         platform->filter = 5, Open(M().cmdActSave, dir->filePath("x.vga"));
         platform->filter = 3, Open(M().cmdActOpen, dir->filePath("x.vga"));
         Note(Join(Contents(dir->filePath("x.vga")).size(), Col(Pallet[37]).name()));
     },
     "768 #1c2028 0 x.vga 0-255"}, // 27,34,41 to levels 7,8,10 of 64
    {[] { // locked and reserved entries set on S..T, undone and redone, kept by a GIMP palette
         const auto marks = [] {
             const EntryMarks &m = TheDocument().Marks();
             Note(FormatEntryList(m.locked) + '/' + FormatEntryList(m.reserved));
         };
         Sel(3), P().RunTool(frmPallet::Tool::Lock, 1);
         Sel(5), P().RunTool(frmPallet::Tool::Reserve, 2), marks();
         Open(M().cmdActSave, dir->filePath("m.gpl"));
         P().RunTool(frmPallet::Tool::ClearMarks, 0), marks();
         P().History().stack().undo(), marks(), P().History().stack().redo();
         Open(M().cmdActOpen, dir->filePath("m.gpl")), marks();
         P().History().stack().undo(), marks(); // the file's marks stay its own
         Open(M().cmdActOpen, WriteFile(dir->filePath("n.act"), QByteArray(768, 1))), marks();
     },
     "1/2-5 / 1/2-5 1/2-5 1/2-5 / 0 n.act 0-255"},
};

class TestPaletteWindows : public QObject {
    Q_OBJECT
private slots:
    void edits_data() { Rows(kEdits); }
    void edits() { Check(kEdits, Edits); }
    void files_data() { Rows(kFiles); }
    void files() { Check(kFiles, Files); }
    void clipboard_data() { Rows(kClipboard); }
    void clipboard() { Check(kClipboard, Clipboard); }
    void undo_data() { Rows(kUndo); }
    void undo() { Check(kUndo, Undo, false); }
    void formats_data() { Rows(kFormats); }
    void formats() { Check(kFormats, Formats); }
};

QTEST_MAIN(TestPaletteWindows)
#include "test_palette_windows.moc"
