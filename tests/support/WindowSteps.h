#pragma once

// Steps and read-outs for the window tables. A row is its steps, run on a freshly started
// program whose palette is Pattern(768, 2), and the text the rule's read-out gives after them.
#include "app/mdlGlobal.h"
#include "formats/ClipText.h"
#include "support/PaletteKit.h"
#include "support/PcxBuilder.h"
#include "support/ScriptedPlatform.h"
#include "support/TestFiles.h"
#include "windows/Forms.h"
#include "windows/kit/WindowKit.h"
#include "windows/main/frmInitPallet.h"
#include "windows/main/frmMain.h"
#include "windows/palette/frmClip.h"
#include "windows/palette/frmPallet.h"
#include "windows/screen/frmPCX.h"

#include <QtTest>
#include <QtWidgets>

using namespace mdlGlobal;

inline ScriptedPlatform *platform = nullptr; // the running row's
inline QTemporaryDir *dir = nullptr;
inline QStringList notes; // what the steps noted on the way
inline QImage during;     // the picture while the last message was up

// Pixel v shows entry 255 - v, coloured (v, 255 - v, 7v). "small" is 8 x 6, row 0 as below,
// then 37x + 91y mod 256; "big" is 400 x 300 of 7x + 13y mod 256.
inline QByteArray Pcx(const QString &kind)
{
    const int w = kind == "big" ? 400 : 8, h = w == 400 ? 300 : 6;
    QByteArray data;
    for (int y = 0; y < h; ++y)
        for (int x = 0, v = 0; x < w; data += v >= 0xC0 ? Bytes({0xC1, v}) : Bytes({v}), ++x)
            v = w == 400 ? (7 * x + 13 * y) % 256
                : y      ? (37 * x + 91 * y) % 256
                         : std::array{0, 255, 245, 248, 10, 192, 193, 200}[x];
    return kind == "bad" ? "not a picture" : MakePcx(w - 1, h - 1, data);
}

inline const auto M = []() -> frmMain & { return FrmMain(); };
inline const auto P = []() -> frmPallet & { return FrmPallet(); };
inline const auto S = []() -> frmPCX & { return FrmPCX(); };
inline const auto I = []() -> frmInitPallet & { return FrmInitPallet(); };
inline const auto C = []() -> frmClip & { return FrmClip(); };
inline const auto Click = [](QWidget *w) { QTest::mouseClick(w, Qt::LeftButton); };
inline const auto Key = [](QWidget *w, Qt::Key key) { QTest::keyClick(w, key); };
inline const auto Sel = [](int i) { Click(P().lblColor[i]); };
inline const auto Rgb = [](auto &w, int r, int g, int b) {
    w.sldColBar[0]->setValue(r), w.sldColBar[1]->setValue(g), w.sldColBar[2]->setValue(b);
};
inline const auto Tab = [](QWidget *w) { w->setFocus(Qt::TabFocusReason); };
inline const auto Activate = [](QWidget *w) {
    w->activateWindow(), void(QTest::qWaitForWindowActive(w));
};
inline const auto Open = [](QPushButton *b, std::optional<QString> path) {
    platform->paths.push_back(path), b->click();
};
inline const auto Act = [](int len) {
    Open(M().cmdActOpen, WriteFile(dir->filePath("in.file"), Pattern(len, 5)));
};
inline const auto OpenPcx = [](const char *kind) {
    Open(M().cmdPcxOpen, WriteFile(dir->filePath("in.file"), Pcx(kind)));
};
inline const auto Scroll = [](int h, int v) { S().scrlH->setValue(h), S().scrlV->setValue(v); };
inline const auto Note = [](const QString &seen) { notes << seen; };

// Entering a box selects its text (the palette window does it itself); typing replaces it.
inline void Type(QLineEdit *box, const QString &text)
{
    Activate(box->window());
    box->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    if (box->window() != &P())
        box->selectAll();
    text.isEmpty() ? QTest::keyClick(box, Qt::Key_Backspace) : QTest::keyClicks(box, text);
}

// Types into what the box holds, once the selection it was promised is made.
inline const auto Keys = [](QLineEdit *box, const char *text) {
    QCoreApplication::processEvents(), QTest::keyClicks(box, text);
};

// Clicks `opener` and runs `act` while the dialog it shows is up; one left open is noted and
// cancelled.
inline void Modal(QWidget *opener, void (*act)())
{
    QTimer::singleShot(0, [act] {
        if (auto *d = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            d && (act(), d->isVisible()))
            notes << "open", d->reject();
    });
    Click(opener);
}

// The parts, numbers or texts, with blanks between.
template <typename... T> QString Join(const T &...parts)
{
    QStringList s;
    ((s << QVariant(parts).toString()), ...);
    return s.join(' ');
}

inline QColor Col(const PalletEntry &e)
{
    return QColor(e.R, e.G, e.B);
}

// Read-outs. The raised cells as "first-last", "!" when not all of that or a cell does not
// show its entry's colour.
inline QString Cells(const std::array<ClickLabel *, 256> &cells)
{
    QList<int> up;
    bool coloured = true;
    for (int i = 0; i < kPalletEntries; coloured &= Background(cells[i]) == Col(Pallet[i]), ++i)
        if (CellLookOf(cells[i]) == CellLook::Raised)
            up << i;
    const bool run = !up.isEmpty() && up.last() - up.first() + 1 == up.size();
    return up.isEmpty()
               ? ""
               : QString("%1-%2").arg(up.first()).arg(up.last()) + (run && coloured ? "" : "!");
}

// The boxes of the palette window or the New dialog: "text/value" where the slider differs,
// "@" after the one with the focus.
template <typename W> QString Boxes(const W &w)
{
    QStringList s;
    for (int k = 0; k < 3; ++k) {
        const QString text = w.txtColor[k]->text(),
                      value = QString::number(w.sldColBar[k]->value());
        s << (text == value ? text : text + "/" + value) + (w.txtColor[k]->hasFocus() ? "@" : "");
    }
    return s.join(',');
}

// The selection: its number ("!" unless shown by the number and the raised cell) and boxes
// ("!" where the swatch or the sliders show another colour than the entry).
inline QString Selected()
{
    const QColor e = Col(Pallet[SelectedPalletID]),
                 sliders(P().sldColBar[0]->value(), P().sldColBar[1]->value(),
                         P().sldColBar[2]->value());
    const bool shown = P().lblPalID->text().toInt() == SelectedPalletID &&
                       Cells(P().lblColor) == QString("%1-%1").arg(SelectedPalletID);
    return QString::number(SelectedPalletID) + (shown ? " " : "! ") + Boxes(P()) +
           (Background(P().lblSelectColor) == e && sliders == e ? "" : "!");
}

// The entries no longer as they started: "5-6,255-255".
inline QString Changed()
{
    const QByteArray p = Pattern(768, 2);
    QString s;
    for (int i = 0, from = -1; i <= kPalletEntries; ++i) {
        const bool same =
            i == kPalletEntries ||
            Col(Pallet[i]) == QColor(quint8(p[3 * i]), quint8(p[3 * i + 1]), quint8(p[3 * i + 2]));
        if (!same && from < 0)
            from = i;
        else if (same && from >= 0)
            s += QString(s.isEmpty() ? "%1-%2" : ",%1-%2").arg(from).arg(i - 1), from = -1;
    }
    return s;
}

// The keys of the file messages a text is made of ("PALETTE_SAVE_FAILED+FILE_IS_PIPE"), or the
// text itself.
inline QString CatalogKeys(const QString &text)
{
    QStringList keys;
    const auto look = [&](const auto &entries) {
        for (const CatalogEntry &e : entries)
            if (text.contains(Catalog.*e.member))
                keys << e.key;
    };
    look(FormatCatalogEntries()), look(FileCatalogEntries());
    for (const CatalogEntry &e : ReasonCatalogEntries())
        if (QLatin1String(e.section) == "FORMATS" && text.contains(Catalog.*e.member))
            keys << e.key;
    return keys.isEmpty() ? text : keys.join('+');
}

// The messages, known texts by a word, "?" when asked with Cancel.
inline QString Msgs()
{
    QStringList s;
    for (const auto &[text, buttons] : platform->messages)
        s << QStringList{"255", "zoom", "pcx", "exit", "search"}.value(
                 QStringList{Catalog.MsgOver255, Catalog.MsgZoomRange, Catalog.MsgPcxUnsupported,
                             Catalog.MsgExitConfirm,
                             Catalog.MsgSearchShown + "\r\n" + Catalog.MsgSearchReturn}
                     .indexOf(text),
                 CatalogKeys(text)) +
                 (buttons == Platform::Buttons::Ok ? "" : "?");
    return s.join(',');
}

inline const auto Name = [] { return P().lblFName->text().remove(dir->path() + "/"); };
// The red of the picture's pixel: the value shown there while the palette is the file's.
inline const auto Px = [](int x, int y, const QImage &r = S().raster()) {
    return QString::number(qRed(r.pixel(x, y)));
};

// Starts the program as its start-up does, against a scripted platform.
inline bool StartApplication(Platform *platform)
{
    SetPlatform(platform);
    FrmMain().Form_Load();
    FrmMain().show();
    return QTest::qWaitForWindowExposed(&FrmMain());
}

// Every window gone and the shared state as the process starts.
inline void EndApplication()
{
    UnloadAllForms();
    mdlGlobal::ResetSharedState();
}

using Table = std::vector<std::pair<void (*)(), const char *>>;

inline void Rows(const Table &rows)
{
    QTest::addColumn<int>("row");
    for (std::size_t i = 0; i < rows.size(); ++i)
        QTest::addRow("%zu: %s", i, rows[i].second) << int(i);
}

// Runs the row on a freshly started program and compares the read-out.
inline void Check(const Table &rows, QString (*readout)(), bool knownPalette = true)
{
    QFETCH(int, row);
    ScriptedPlatform scripted;
    QTemporaryDir tmp;
    platform = &scripted, dir = &tmp, notes.clear(), during = {};
    // No settings of the user running the tests: the folder is the row's own.
    qputenv("XDG_CONFIG_HOME", tmp.path().toLocal8Bit());
    struct End {
        ~End()
        {
            EndApplication(), QFile::remove(QCoreApplication::applicationFilePath() + ".ini");
        }
    } end;
    scripted.whileMessageShown = [](const QString &) { during = FrmPCX().raster().copy(); };
    QCursor::setPos(0, 0); // a pointer that does not move sends nothing
    QVERIFY(StartApplication(&scripted));
    if (knownPalette) {
        ActFileBytes = Pattern(768, 2) + '\0';
        ActFileLen = 768;
        FrmPallet().PalletSet();
    }
    rows[row].first();
    QTRY_COMPARE_WITH_TIMEOUT(readout(), QString(rows[row].second), 2000);
}
