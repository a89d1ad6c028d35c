#include "base/FileBytes.h"
#include "formats/PcxReader.h"
#include "model/Contrast.h"
#include "support/WindowSteps.h"
#include "windows/main/LoadPcxFile.h"
#include "windows/main/OpenFiles.h"
#include "windows/screen/DrawPcxImage.h"
#include "windows/screen/frmConvert.h"
#include "windows/screen/frmShadeTable.h"

#include <QWheelEvent>

// Ctrl and the wheel over the picture, notches up (in) or down (out).
const auto Zoom = [](int notches) {
    QWheelEvent e({5, 5}, S().mapToGlobal(QPoint(5, 5)), {}, {0, 120 * notches}, Qt::NoButton,
                  Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&S(), &e);
};
const auto Fit = [] { Activate(&S()), QTest::keyClick(&S(), Qt::Key_0, Qt::ControlModifier); };

// The picture at (0,0) (2,0) (3,0) (0,2), as the values shown while the palette is the
// file's; the image's size; the scroll bars ("x": off); zoom text and slider; messages; the
// zoom box's focus; the name shown.
QString View()
{
    const auto bar = [](QScrollBar *b) {
        return QString::number(b->value()) + (b->isEnabled() ? "" : "x");
    };
    return Join(Px(0, 0), Px(2, 0), Px(3, 0), Px(0, 2), mdlGlobal::PcxImage.width(),
                mdlGlobal::PcxImage.height(), bar(S().scrlH), bar(S().scrlV), M().txtZoom->text(),
                M().sldZoom->value(), Msgs(), M().txtZoom->hasFocus(), Name());
}
const Table kView = {
    // Open: the file's palette and picture, the bars back at 0, no palette file named.
    {[] { Act(768), OpenPcx("big"), Scroll(20, 15), OpenPcx("small"); },
     "0 245 248 182 8 6 0x 0x 100 100  false <No File>"},
    {[] { OpenPcx("big"), Scroll(30, 0), Act(768), OpenPcx("bad"); },
     "198 155 8 154 400 300 30 0 100 100 pcx false in.file"}, // nothing changes
    {[] { OpenPcx("big"), Open(M().cmdPcxOpen, {}); },
     "0 14 21 26 400 300 0 0 100 100  false <No File>"},
    // Zoom by the slider (whole hundreds) or the text (whole tens; refused outside 100 to 400).
    {[] { OpenPcx("small"), M().sldZoom->setValue(251); },
     "0 0 255 0 8 6 0x 0x 300 300  false <No File>"},
    {[] { M().sldZoom->setValue(350); }, "87 87 87 87 1 1 0x 0x 400 400  false <No File>"},
    {[] { OpenPcx("small"), Type(M().txtZoom, "99.5"), Click(M().cmdAdjustPlus); },
     "0 245 248 0 9 6 0x 0x 100 100  false <No File>"}, // the click after the commit acts
    {[] { OpenPcx("small"), Type(M().txtZoom, "400"), Tab(M().cmdAdjustPlus); },
     "0 0 0 0 8 6 0x 0x 400 400  false <No File>"},
    {[] { OpenPcx("small"), Type(M().txtZoom, "255"), Tab(M().cmdAdjustPlus); },
     "0 0 255 0 8 6 0x 0x 260 260  false <No File>"},
    {[] {
         OpenPcx("small"), M().sldZoom->setValue(200), Type(M().txtZoom, "401"),
             Tab(M().cmdAdjustPlus);
     },
     "0 255 255 91 8 6 0x 0x 200 200 zoom true <No File>"}, // the zoom drawn, selected
    {[] {
         OpenPcx("small"), Type(M().txtZoom, "99"), Tab(M().cmdAdjustPlus),
             Keys(M().txtZoom, "300"), Key(M().txtZoom, Qt::Key_Return);
     },
     "0 0 255 0 8 6 0x 0x 300 300 zoom true <No File>"},
    // Scrolling, clamped at the end; a resize or another zoom keeps the place.
    {[] { OpenPcx("big"), Scroll(10, 5); },
     "135 149 156 161 400 300 10 5 100 100  false <No File>"},
    {[] { OpenPcx("big"), Scroll(500, 500); },
     "233 247 254 3 400 300 104 21 100 100  false <No File>"},
    {[] { OpenPcx("big"), Scroll(10, 10), S().resize(313, 296); },
     "200 214 221 226 400 300 10 10 100 100  false <No File>"},
    {[] { OpenPcx("big"), Scroll(50, 10), M().sldZoom->setValue(200); },
     "191 198 198 204 400 300 98 16 200 200  false <No File>"},
    // Below 100 %: Ctrl and the wheel halve down to 6.25 %, Ctrl+0 fits the whole picture;
    // the box shows it and still takes only 100 to 400.
    {[] { OpenPcx("big"), Zoom(-2); }, "34 88 115 135 400 300 0x 0x 25 100  false <No File>"},
    {[] { OpenPcx("big"), Zoom(-9); }, "153 145 159 142 400 300 0x 0x 6.25 100  false <No File>"},
    {[] { OpenPcx("big"), Zoom(-4), Zoom(5); },
     "24 31 31 37 400 300 155 155 200 200  false <No File>"},
    {[] { OpenPcx("big"), Scroll(30, 10), Fit(); }, // 11: the linear-light mean of 0 7 13 20
     "11 39 53 62 400 300 0x 0x 50 100  false <No File>"},
    {[] { OpenPcx("small"), M().sldZoom->setValue(300), Fit(); },
     "0 245 248 182 8 6 0x 0x 100 100  false <No File>"},
    {[] { OpenPcx("big"), Zoom(-2), Type(M().txtZoom, "50"), Tab(M().cmdAdjustPlus); },
     "34 88 115 135 400 300 0x 0x 25 100 zoom true <No File>"},
    {[] { OpenPcx("big"), Zoom(-2), M().sldZoom->setValue(300); },
     "0 0 7 0 400 300 0 0 300 300  false <No File>"},
    {[] { OpenPcx("big"), Zoom(-2), Tab(M().txtZoom), Tab(M().cmdAdjustPlus); },
     "34 88 115 135 400 300 0x 0x 25 100  false <No File>"},
    // Adjust lays the pixels out one wider, or one narrower again.
    {[] { OpenPcx("small"), Click(M().cmdAdjustPlus); },
     "0 245 248 0 9 6 0x 0x 100 100  false <No File>"},
    {[] { OpenPcx("small"), Click(M().cmdAdjustPlus), Click(M().cmdAdjustMinas); },
     "0 245 248 182 8 6 0x 0x 100 100  false <No File>"},
    {[] { Click(M().cmdAdjustPlus), Click(M().cmdAdjustMinas); },
     "0 0 0 0 1 1 0x 0x 100 100  false <No File>"},
};

// Over the picture: the read-out ("!" unless on the entry's colour in its legible text colour), the
// selection, where the pointer was put (from the red slider's top left).
QString Pointer()
{
    QLabel *info = M().lblInfo;
    const PalletEntry &e = Pallet[info->text().section('\n', 0, 0).section(':', 1).toInt()];
    const bool coloured =
        Background(info) == Col(e) &&
        info->palette().color(QPalette::WindowText) == PackedToQColor(ReadableTextColor(e.color()));
    const QPoint at =
        platform->cursorMoves.isEmpty()
            ? QPoint()
            : P().mapFromGlobal(platform->cursorMoves.last()) - P().sldColBar[0]->pos();
    return Join(info->text().replace('\n', ' ') + (coloured || info->text().isEmpty() ? "" : "!"),
                Selected(), at.x(), at.y());
}
const Table kPointer = {
    {[] {
         OpenPcx("small"), QTest::mouseMove(S().area(), {2, 0});
     },
     "PID : 10 R : 245 G : 10 B : 179 0 255,0,249 0 0"},
    {[] {
         OpenPcx("small"), QTest::mouseClick(S().area(), Qt::LeftButton, {}, {2, 0});
     },
     " 10 245,10,179 178 0"},
    {[] { // with 4 levels, red 245 is the top one
         P().SetLevels({{4, 4, 4}}), OpenPcx("small");
         QTest::mouseClick(S().area(), Qt::LeftButton, {}, {2, 0});
     },
     " 10 245/3,10/0,179/2! 185 0"},
    {[] {
         OpenPcx("small"), QTest::mouseClick(S().area(), Qt::RightButton, {}, {2, 0});
     },
     " 0 255,0,249 0 0"},
    {[] {
         OpenPcx("big"), M().sldZoom->setValue(200), Scroll(3, 5),
             QTest::mouseMove(S().area(), {3, 1});
     },
     "PID : 208 R : 47 G : 208 B : 73 0 255,0,249 0 0"},
    {[] { // at 25 %, the top-left pixel of the block: (12, 4)
         OpenPcx("big"), Zoom(-2), QTest::mouseMove(S().area(), {3, 1});
     },
     "PID : 119 R : 136 G : 119 B : 184 0 255,0,249 0 0"},
    {[] {
         OpenPcx("small"), QTest::mouseMove(S().area(), {8, 1});
     },
     " 0 255,0,249 0 0"},
    {[] {
         QTest::mouseMove(S().area(), {1, 1});
     },
     " 0 3,10,17 0 0"},
};

// Every palette change redraws (pixels (2,0), (3,0) show entries 10, 7); a search shows the
// entry's pixels and the others in the complement of its colour while its message is up.
QString Redraw()
{
    return Join(
        Px(2, 0), Px(3, 0), Msgs(),
        during.isNull() ? "" : Px(2, 0, during) + "," + Px(3, 0, during) + "," + Px(0, 0, during));
}
const Table kRedraw = {
    {[] { OpenPcx("small"), Sel(10), Rgb(P(), 1, 2, 3); }, "1 248  "},
    {[] { OpenPcx("small"), Sel(10), Type(P().txtColor[0], "66"), Tab(P().txtColor[1]); },
     "66 248  "},
    {[] {
         OpenPcx("small"), Sel(10), platform->clipboard = "Palmiro000001002003",
                                    P().cmdPaste_Click();
     },
     "1 248 10 ～ 10 のパレットを書き換えます。\rよろしいですか？? 245,248,0"},
    {[] { OpenPcx("small"), Modal(M().cmdActNew, [] { Rgb(I(), 9, 8, 7), Click(I().cmdOK); }); },
     "9 9  "},
    {[] { OpenPcx("small"), Act(768); }, "216 153  "},
    {[] { OpenPcx("small"), Sel(10), Rgb(P(), 200, 0, 0), Click(P().cmdSerch); },
     "200 248 search 200,55,0"},
    {[] { Sel(10), Click(P().cmdSerch); }, "0 0  "},
    {[] { OpenPcx("small"), Zoom(-1), Sel(245), Click(P().cmdSerch); },
     "160 152 search 10,245,216"},
};

// The palette menu on the picture: usage counts of entries 255, 10, 245 and 63, a tip, the
// picture after a swap with remap ("same"), the picture while a chosen colour is tried;
// messages, entries changed, the clipboard. Every tool is one undo step.
const auto Used = [] {
    const UsageCounts &n = P().Usage();
    Note(QString("%1,%2,%3,%4").arg(n[255]).arg(n[10]).arg(n[245]).arg(n[63]));
};
QString Tools()
{
    return Join(notes.join(' '), Msgs(), Changed(), platform->clipboard.replace('\n', ';'));
}
const Table kTools = {
    {[] { // undone after another picture opened, a remap leaves that picture's values alone
         OpenPcx("small"), Sel(10), P().RunTool(frmPallet::Tool::SwapRemap, 255), OpenPcx("small");
         P().History().stack().undo(), P().History().stack().undo(), Note(Join(Px(0, 0), Px(2, 0)));
     },
     "0 245  0-255 "},
    {[] {
         OpenPcx("small"), Click(M().cmdAdjustPlus), Used(), Note(P().UsageTip(10)), Sel(10);
         const QImage shown = S().raster().copy();
         P().RunTool(frmPallet::Tool::SwapRemap, 255), Note(S().raster() == shown ? "same" : "");
         Click(M().cmdAdjustPlus), Used(), P().History().stack().undo(), Used();
     },
     "3,1,1,1 PID 10 : 245, 10, 179 — 1 px same 1,3,1,1 3,1,1,1  0-255 "},
    {[] {
         OpenPcx("small"), Sel(10);
         platform->colourChooser = [](const QColor &, const ScriptedPlatform::Live &live) {
             return live(QColor(1, 2, 3)), Note(Px(2, 0)), std::optional<QColor>();
         };
         P().RunTool(frmPallet::Tool::EditColour, 0), Note(Px(2, 0));
         platform->colourChooser = [](auto &, auto &) { return std::optional(QColor(9, 9, 9)); };
         P().RunTool(frmPallet::Tool::EditColour, 0), Note(Selected());
     },
     "1 245 10 9,9,9  0-255 "},
    {[] {
         Sel(255), platform->clipboard = "#010203\n#040506";
         P().RunTool(frmPallet::Tool::PasteHex, 0), P().RunTool(frmPallet::Tool::CopyHex, 254);
         Note(platform->clipboard), Sel(0), P().RunTool(frmPallet::Tool::CopyHex, 0);
     },
     "#424950\n#010203\n 255 ～ 255 のパレットを書き換えます。\rよろしいですか？? 255-255 "
     "#030A11;"},
};

// The light slider: each pixel of row 0 against the colour its entry's shade at the level has in a
// table made afresh from the palette (or the table read), how many differ from full light; the
// level, the levels, a table read; messages.
QString Light()
{
    LightView &light = TheDocument().Light();
    const TableRows rows = light.HasRead() ? light.Table(Pallet)
                                           : ShadeRows(EnginePaletteOf(Pallet), light.Settings());
    int shaded = 0, dimmed = 0;
    for (int x = 0; x < 8; ++x) {
        const int e = 255 - mdlGlobal::PcxImage.at(x, 0);
        const QRgb seen = S().raster().pixel(x, 0);
        shaded += seen == PackedToRgb32(Pallet[rows[light.Level() * 256 + e]].color());
        dimmed += seen != PackedToRgb32(Pallet[e].color());
    }
    return Join(QString("%1/%2").arg(shaded).arg(dimmed), light.Level(), light.Levels(),
                light.HasRead(), platform->messages.size());
}
const auto Level = [](int level) { S().ShowLightSlider(true), S().sldLight->setValue(level); };
const auto ReadTable = [](const QByteArray &bytes) {
    Open(S().ShadeTable().cmdOpen, WriteFile(dir->filePath("t.raw"), bytes));
};
const Table kLight = {
    {[] { OpenPcx("small"), Level(20); }, "8/8 20 32 false 0"},
    {[] { OpenPcx("small"), Level(0); }, "8/0 0 32 false 0"},
    // An edit at level 20 redraws through the table made from the edited palette.
    {[] { OpenPcx("small"), Level(20), Sel(10), Rgb(P(), 250, 250, 250); }, "8/8 20 32 false 0"},
    {[] { OpenPcx("small"), Level(31), Act(768); }, "8/8 31 32 false 0"},
    // Fullbright entries stay lit; a list that cannot be read changes nothing.
    {[] { OpenPcx("small"), Level(20), platform->texts = {"0-255"}, S().AskFullbright(); },
     "8/0 20 32 false 0"},
    {[] { OpenPcx("small"), Level(20), platform->texts = {"0,300"}, S().AskFullbright(); },
     "8/8 20 32 false 1"},
    // A table read is drawn instead; a refused one leaves it as it was.
    {[] { OpenPcx("small"), Level(1), ReadTable(QByteArray(256, 0) + QByteArray(256, 9)); },
     "8/8 1 2 true 0"},
    {[] {
         OpenPcx("small"), Level(1), ReadTable(QByteArray(256, 0) + QByteArray(256, 9));
         ReadTable(QByteArray(300, 1));
     },
     "8/8 1 2 true 1"},
    {[] { OpenPcx("small"), Level(9), ReadTable(QByteArray(300, 1)); }, "8/8 9 32 false 1"},
};

// A second of random edits on the big picture, each one of slider moves, cell clicks, pastes,
// zooms, adjusts, scrolling and typed values good and bad; after each the selection shows as it
// should and the picture is what a fresh redraw gives. PALMIRO_SOAK_SEED repeats a run.
QString Soak()
{
    return notes.join(' ');
}
void RandomEdits()
{
    OpenPcx("big"); // read once: a change after the check never reaches the picture
    WriteFile(dir->filePath("in.file"), MakePcx(9, 9, QByteArray(100, 3)) + QByteArray(5000, 0));
    DecodePcxImage();
    Note(Join(PcxFileBytes == Pcx("big"),
              mdlGlobal::PcxImage.pixels == ReadPcx(Pcx("big")).decoded));
    S().resize(120, 100);
    const uint seed = qEnvironmentVariableIsSet("PALMIRO_SOAK_SEED")
                          ? qEnvironmentVariableIntValue("PALMIRO_SOAK_SEED")
                          : QRandomGenerator::global()->generate();
    QRandomGenerator rng(seed);
    QElapsedTimer clock;
    for (clock.start(); clock.elapsed() < 1000;) {
        const int k = rng.bounded(3), kind = rng.bounded(7);
        QScrollBar *bar = rng.bounded(2) ? S().scrlH : S().scrlV;
        platform->answers = {Platform::Answer::Ok};
        kind == 0   ? P().sldColBar[k]->setValue(rng.bounded(256))
        : kind == 1 ? P().lblColor_Click(qint16(rng.bounded(256)))
        : kind == 2 ? (platform->clipboard = BuildClipText(Pallet, k, k + rng.bounded(24)),
                       P().cmdPaste_Click())
        : kind == 3 ? M().sldZoom->setValue(rng.bounded(100, 401))
        : kind == 4 ? M().PcxAdjust(rng.bounded(2) ? 1 : -1)
        : kind == 5 ? bar->setValue(rng.bounded(bar->maximum() + 1))
                    : void((P().txtColor[k]->setText(QStringList{"12.5", "256", "-0.4", " 7 ", "x",
                                                                 "1e2"}[rng.bounded(6)]),
                            P().txtColor_LostFocus(k)));
        const PalletEntry &e = Pallet[SelectedPalletID];
        const QImage before = S().raster().copy();
        DrawPcxImage();
        if (Selected().contains('!') || e.color() != PackColor(e.R, e.G, e.B) ||
            before.copy(0, 0, S().width() - 17, S().height() - 17) !=
                S().raster().copy(0, 0, S().width() - 17, S().height() - 17))
            return Note(QString("edit %1, seed %2").arg(kind).arg(seed));
    }
}
const Table kSoak = {{RandomEdits, "true true"}};

class TestImageWindows : public QObject {
    Q_OBJECT
private slots:
    void view_data() { Rows(kView); }
    void view() { Check(kView, View); }
    void pointer_data() { Rows(kPointer); }
    void pointer() { Check(kPointer, Pointer); }
    void redraw_data() { Rows(kRedraw); }
    void redraw() { Check(kRedraw, Redraw); }
    void tools_data() { Rows(kTools); }
    void tools() { Check(kTools, Tools); }
    void light_data() { Rows(kLight); }
    void light() { Check(kLight, Light); }
    void soak_data() { Rows(kSoak); }
    void soak() { Check(kSoak, Soak); }
};

QTEST_MAIN(TestImageWindows)
#include "test_image_windows.moc"
