#include "image/frmPCX.h"
#include "palette_window/frmPallet.h"
#include "shell/Forms.h"
#include "shell/WindowKit.h"
#include "shell/frmMain.h"
#include "shell/mdlGlobal.h"
#include "support/AppUnderTest.h"
#include "support/PcxBuilder.h"
#include "support/ScriptedPlatform.h"
#include "support/TestFiles.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace mdlGlobal;

namespace {

QByteArray MakePcx(int width, int height, quint8 (*value)(int, int))
{
    QByteArray data;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            data += value(x, y) >= 0xC0 ? Bytes({0xC1, value(x, y)}) : Bytes({value(x, y)});
    return MakePcx(width - 1, height - 1, data);
}

// Row 0 holds the values the search and read-out cases name.
quint8 SmallValue(int x, int y)
{
    static const quint8 row0[] = {0, 255, 245, 248, 10, 192, 193, 200};
    return y == 0 ? row0[x] : quint8((37 * x + 91 * y) % 256);
}

quint8 BigValue(int x, int y)
{
    return quint8((7 * x + 13 * y) % 256);
}

QRgb EntryRgb(int e)
{
    return qRgb(Pallet[e].R, Pallet[e].G, Pallet[e].B);
}

// The first pixel of the drawing area (or of its first `columns`) that does not show
// the image from (ox, oy) in f x f blocks on black, entry `search` searched; else (-1, -1).
QPoint ViewMismatch(int ox, int oy, int f, int search = -1, int columns = -1, QImage raster = {})
{
    raster = raster.isNull() ? FrmPCX().raster() : raster;
    const ::PcxImage &img = mdlGlobal::PcxImage;
    const PalletEntry &s = Pallet[qMax(search, 0)];
    for (int y = 0; y < FrmPCX().innerHeight() - 17; ++y)
        for (int x = 0; x < (columns >= 0 ? columns : FrmPCX().innerWidth() - 17); ++x) {
            const int ix = ox + x / f, iy = oy + y / f;
            const int e = ix <= img.UB1 && iy <= img.UB2 ? 255 - img.at(ix, iy) : -1;
            const bool own = search < 0 || e == search || e == 255;
            const QRgb want = e < 0 ? qRgb(0, 0, 0)
                              : own ? EntryRgb(e)
                                    : qRgb(255 - s.R, 255 - s.G, 255 - s.B);
            if (raster.pixel(x, y) != want)
                return {x, y};
        }
    return {-1, -1};
}
const QPoint kSame(-1, -1);

QPoint ScrollPos()
{
    return {FrmPCX().scrlH->value(), FrmPCX().scrlV->value()};
}

void ScrollTo(QPoint p)
{
    FrmPCX().scrlH->setValue(p.x());
    FrmPCX().scrlV->setValue(p.y());
}

bool BarsOffAtZero()
{
    return ScrollPos() == QPoint(0, 0) && !FrmPCX().scrlH->isEnabled() &&
           !FrmPCX().scrlV->isEnabled();
}

// Selects the entry and moves its sliders as a user would.
void SetEntry(int id, QColor c)
{
    FrmPallet().lblColor_Click(qint16(id));
    for (int k = 0; k < 3; ++k)
        FrmPallet().sldColBar[k]->setValue(std::array{c.red(), c.green(), c.blue()}[k]);
}

struct ZoomCase {
    bool loaded, typed; // typed into txtZoom, else a slider move
    QString input;
    int zoom; // -1: refused
};
struct ScrollCase {
    int zoom;
    QPoint set;
    int then;             // 0 nothing, -1 a resize by one pixel, else a new zoom
    QPoint after, origin; // origin: image column and row at the top-left
};
struct PointerCase {
    int image, zoom; // image 0 none, 1 8 x 6, 2 400 x 300
    QPoint scroll, at;
    bool left;
    QPoint pixel; // (-1, -1): nothing under the pointer
};

} // namespace

Q_DECLARE_METATYPE(ZoomCase)
Q_DECLARE_METATYPE(ScrollCase)
Q_DECLARE_METATYPE(PointerCase)

class TestImageWindows : public QObject {
    Q_OBJECT

    std::unique_ptr<ScriptedPlatform> platform;
    std::unique_ptr<QTemporaryDir> dir;

    QString write(const QString &name, const QByteArray &bytes)
    {
        return WriteFile(dir->filePath(name), bytes);
    }
    void open(const QString &path)
    {
        platform->paths.push_back(path);
        FrmMain().cmdPcxOpen_Click();
    }
    void openSmall() { open(write("small.pcx", MakePcx(8, 6, SmallValue))); }
    // 400 x 300 in a drawing area of 295 x 278: maxima 104 and 21 at 100 %.
    void openBig() { open(write("big.pcx", MakePcx(400, 300, BigValue))); }

private slots:
    void init()
    {
        EndApplication();
        platform = std::make_unique<ScriptedPlatform>();
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(StartApplication(platform.get()));
        QCOMPARE(FrmPCX().size(), QSize(312, 295));
    }

    void cleanup() { EndApplication(); }

    void openPcx()
    {
        openBig();
        ScrollTo({20, 15}); // only Open can bring the positions back to 0
        FrmPallet().lblFName->setText("some.act");
        const QByteArray file = MakePcx(8, 6, SmallValue);
        platform->paths.push_back(write("small.pcx", file));
        QTest::mouseClick(FrmMain().cmdPcxOpen, Qt::LeftButton);

        const Platform::FileDialog &asked = platform->dialogs.last().dialog;
        QCOMPARE(QStringList({asked.title, asked.filter, asked.defaultName}),
                 QStringList({"Select PCX File", "Act Files (*.pcx)|*.pcx|", "USER.pcx"}));
        QVERIFY(platform->messages.isEmpty());
        for (int i = 0; i < 256; ++i) {
            const QByteArray rgb = file.mid(file.size() - 3 - 3 * i, 3);
            QCOMPARE(EntryRgb(i), qRgb(quint8(rgb[0]), quint8(rgb[1]), quint8(rgb[2])));
            QCOMPARE(Background(FrmPallet().lblColor[i]).rgb(), EntryRgb(i));
        }
        QCOMPARE(FrmPallet().lblFName->text(), QStringLiteral("<No File>"));
        QCOMPARE(QSize(mdlGlobal::PcxImage.width(), mdlGlobal::PcxImage.height()), QSize(8, 6));
        QVERIFY(BarsOffAtZero());
        QCOMPARE(FrmPCX().raster().pixel(2, 0), qRgb(245, 10, quint8(7 * 245)));
        QCOMPARE(ViewMismatch(0, 0, 1), kSame);
    }

    void refusedPcx_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray good = MakePcx(4, 2, SmallValue);
        QTest::newRow("manufacturer 11") << "file" << QByteArray(good).replace(0, 1, "\x0b");
        QTest::newRow("24-bit") << "file" << QByteArray(good).replace(65, 1, "\x03");
        QTest::newRow("too short") << "file" << good.left(128 + 767);
        QTest::newRow("data ends early") << "file" << MakePcx(3, 3, QByteArray(10, '\x05'));
        for (const char *kind : {"directory", "missing", "cancel"})
            QTest::newRow(kind) << kind << QByteArray();
    }

    void refusedPcx()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, bytes);
        openBig();
        ScrollTo({30, 20});
        FrmPallet().lblFName->setText("keep.act");
        const PalletArray pallet = Pallet;
        const PixelBuffer pixels = mdlGlobal::PcxImage.pixels;
        const QImage raster = FrmPCX().raster().copy();
        if (kind == "file")
            open(write("bad.pcx", bytes));
        else if (kind != "cancel")
            open(kind == "directory" ? dir->path() : dir->filePath("none.pcx"));
        else
            FrmMain().cmdPcxOpen_Click();
        QCOMPARE(platform->messageTexts(),
                 kind == "cancel" ? QStringList() : QStringList{Catalog.MsgPcxUnsupported});
        QCOMPARE(Pallet, pallet);
        QCOMPARE(mdlGlobal::PcxImage.pixels, pixels);
        QCOMPARE(FrmPallet().lblFName->text(), QStringLiteral("keep.act"));
        QCOMPARE(ScrollPos(), QPoint(30, 20));
        QCOMPARE(FrmPCX().raster(), raster);
    }

    void zoom_data()
    {
        QTest::addColumn<ZoomCase>("c");
        auto row = [](const char *name, bool loaded, bool typed, const char *input, int zoom) {
            QTest::newRow(name) << ZoomCase{loaded, typed, QString::fromLatin1(input), zoom};
        };
        row("slider 149", true, false, "149", 100);
        row("slider 250", true, false, "250", 200);
        row("slider 251", true, false, "251", 300);
        row("no image, slider 350", false, false, "350", 400);
        row("text 250 stays", true, true, "250", 250);
        row("text 255", true, true, "255", 260);
        row("text 125", true, true, "125", 120);
        row("text 114.6", true, true, "114.6", 120);
        for (const char *refused : {"99", "401", "abc", "", "99999"})
            row(refused, true, true, refused, -1);
    }

    void zoom()
    {
        QFETCH(ZoomCase, c);
        frmMain &main = FrmMain();
        if (c.loaded)
            openSmall();
        SetEntry(255, QColor(200, 0, 50)); // all the 1 x 1 start image shows
        main.sldZoom->setValue(200);
        const QImage before = FrmPCX().raster().copy();
        if (c.typed) {
            main.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&main));
            main.txtZoom->setFocus(Qt::TabFocusReason);
            main.txtZoom->clear();
            QTest::keyClicks(main.txtZoom, c.input);
            main.cmdAdjustPlus->setFocus(Qt::TabFocusReason);
        } else {
            main.sldZoom->setValue(c.input.toInt());
        }
        if (c.zoom < 0) {
            QCOMPARE(platform->messageTexts(),
                     QStringList{u"100～400"_qs + Catalog.MsgEnterNumber});
            QCOMPARE(platform->messages[0].buttons, Platform::Buttons::Ok);
            QCOMPARE(main.txtZoom->text(), QStringLiteral("100"));
            QTRY_VERIFY(main.txtZoom->hasFocus());
            QCOMPARE(main.sldZoom->value(), 200);
            QCOMPARE(FrmPCX().raster(), before);
            return;
        }
        QVERIFY(platform->messages.isEmpty());
        QCOMPARE(main.txtZoom->text(), QString::number(c.zoom));
        QCOMPARE(main.sldZoom->value(), c.zoom); // set by the text it may stand between steps
        const int f = c.zoom == 250 ? 2 : (c.zoom + 50) / 100;
        QCOMPARE(FrmPCX().raster().pixel(f - 1, f - 1), qRgb(200, 0, 50));
        QCOMPARE(ViewMismatch(0, 0, f), kSame);
        QVERIFY(BarsOffAtZero());
    }

    void lastColumnUnderTheBar()
    {
        open(write("wide.pcx", MakePcx(100, 10, BigValue)));
        FrmPCX().resize(99 + 17, 200);
        QTRY_COMPARE(FrmPCX().size(), QSize(116, 200));
        QVERIFY(FrmPCX().scrlH->isEnabled() && !FrmPCX().scrlV->isEnabled());
        QCOMPARE(ViewMismatch(0, 0, 1, -1, 102), kSame); // columns 0..99, then black
        // What the window paints after a resize is the new raster.
        QCOMPARE(FrmPCX().area()->grab().toImage().convertToFormat(QImage::Format_RGB32),
                 FrmPCX().raster());
    }

    void scrolling_data()
    {
        QTest::addColumn<ScrollCase>("c");
        QTest::newRow("1:1") << ScrollCase{100, {10, 5}, 0, {10, 5}, {10, 5}};
        QTest::newRow("zoom 2, 1.5, 3.5 to even") << ScrollCase{200, {3, 7}, 0, {3, 7}, {2, 4}};
        // The maxima are raised first: only the change handling pulls back.
        QTest::newRow("clamped") << ScrollCase{100, {500, 500}, 0, {104, 21}, {104, 21}};
        QTest::newRow("resize keeps the view")
            << ScrollCase{400, {100, 10}, -1, {100, 10}, {25, 2}};
        QTest::newRow("zoom 100 to 200") << ScrollCase{100, {50, 10}, 200, {98, 16}, {49, 8}};
        QTest::newRow("zoom 200 to 400") << ScrollCase{200, {50, 10}, 400, {96, 12}, {24, 3}};
    }

    void scrolling()
    {
        QFETCH(ScrollCase, c);
        openBig();
        FrmMain().sldZoom->setValue(c.zoom);
        FrmPCX().scrlH->setMaximum(1000);
        FrmPCX().scrlV->setMaximum(1000);
        ScrollTo(c.set);
        if (c.then < 0) {
            FrmPCX().resize(313, 296);
            QTRY_COMPARE(FrmPCX().size(), QSize(313, 296));
        } else if (c.then > 0) {
            FrmMain().sldZoom->setValue(c.then);
        }
        QCOMPARE(ScrollPos(), c.after);
        QCOMPARE(ViewMismatch(c.origin.x(), c.origin.y(), FrmMain().sldZoom->value() / 100), kSame);
    }

    void pointer_data()
    {
        QTest::addColumn<PointerCase>("c");
        const QPoint no(-1, -1), o(0, 0); // QTest takes (0, 0) for the centre
        QTest::newRow("1:1") << PointerCase{1, 100, o, {3, 2}, true, {3, 2}};
        QTest::newRow("zoom 2, column 1, value 0") << PointerCase{1, 200, o, {1, 1}, true, o};
        QTest::newRow("zoom 2, column 3 shows 1") << PointerCase{1, 200, o, {3, 5}, true, {1, 2}};
        QTest::newRow("zoom 2, last block") << PointerCase{1, 200, o, {15, 11}, true, {7, 5}};
        QTest::newRow("zoom 2, scrolled") << PointerCase{2, 200, {3, 5}, {3, 1}, true, {3, 2}};
        QTest::newRow("right button") << PointerCase{1, 100, o, {3, 2}, false, {3, 2}};
        QTest::newRow("right of the image") << PointerCase{1, 100, o, {8, 1}, true, no};
        QTest::newRow("over scrlV") << PointerCase{2, 100, o, {300, 10}, true, no};
        QTest::newRow("no image") << PointerCase{0, 200, o, {1, 1}, true, no};
    }

    void pointer()
    {
        QFETCH(PointerCase, c);
        if (c.image)
            c.image == 1 ? openSmall() : openBig();
        FrmMain().sldZoom->setValue(c.zoom);
        ScrollTo(c.scroll);
        FrmPallet().lblColor_Click(3);
        QLabel *info = FrmMain().lblInfo;
        info->setText("untouched");
        const QColor back = Background(info);
        QCursor::setPos(0, 0); // a pointer that does not move sends nothing
        QCoreApplication::processEvents();

        QTest::mouseMove(FrmPCX().area(), c.at);
        const bool hit = c.pixel != QPoint(-1, -1);
        const int id = hit ? 255 - mdlGlobal::PcxImage.at(c.pixel.x(), c.pixel.y()) : 3;
        const PalletEntry &e = Pallet[id];
        QCOMPARE(info->text(),
                 hit ? QString::asprintf("PID : %d\nR : %d\nG : %d\nB : %d", id, e.R, e.G, e.B)
                     : QStringLiteral("untouched"));
        QCOMPARE(Background(info), hit ? QColor(e.R, e.G, e.B) : back);
        if (hit)
            QCOMPARE(info->palette().color(QPalette::WindowText),
                     QColor(255 - e.R, 255 - e.G, 255 - e.B));

        QTest::mouseClick(FrmPCX().area(), c.left ? Qt::LeftButton : Qt::RightButton, {}, c.at);
        QCOMPARE(SelectedPalletID, hit && c.left ? id : 3);
        if (!hit || !c.left) {
            QVERIFY(platform->cursorMoves.isEmpty());
            return;
        }
        QCOMPARE(FrmPallet().lblPalID->text(), QString::number(id));
        const QSlider *red = FrmPallet().sldColBar[0];
        QCOMPARE(red->value(), int(e.R));
        const QRect g = red->geometry();
        const int x = g.left() + (2 * g.width() * e.R + 255) / 510; // never exactly half way
        QCOMPARE(platform->cursorMoves, QList{FrmPallet().mapToGlobal(QPoint(x, g.top()))});
    }

    void adjust_data()
    {
        QTest::addColumn<int>("xmax"); // -1: no image
        QTest::addColumn<int>("ymax");
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<int>("newUB1");
        QByteArray ramp, padded; // padded: five pixels and a padding byte per scan line
        for (int i = 0; i < 300; ++i)
            ramp += char(i % 190);
        for (int y = 0; y < 4; ++y)
            padded += Bytes({10 * y + 1, 10 * y + 2, 10 * y + 3, 10 * y + 4, 10 * y + 5, 0xBF});
        QTest::newRow("100 wide, +1") << 99 << 2 << ramp << "+" << 100;
        QTest::newRow("100 wide, +1 -1") << 99 << 2 << ramp << "+-" << 99;
        QTest::newRow("padding straightened") << 4 << 3 << padded << "+" << 5;
        QTest::newRow("no image") << -1 << 0 << QByteArray() << "+-" << 0;
    }

    void adjust()
    {
        QFETCH(int, xmax);
        QFETCH(int, ymax);
        QFETCH(QByteArray, stream);
        QFETCH(QString, steps);
        QFETCH(int, newUB1);
        if (xmax >= 0)
            open(write("adjust.pcx", MakePcx(xmax, ymax, stream)));
        const QImage before = FrmPCX().raster().copy();
        const PixelBuffer decoded = PcxDecodedBytes;
        for (QChar step : steps)
            (step == '+' ? FrmMain().cmdAdjustPlus : FrmMain().cmdAdjustMinas)->click();
        const ::PcxImage &img = mdlGlobal::PcxImage;
        QCOMPARE(img.UB1, newUB1);
        QCOMPARE(PcxDecodedBytes, decoded);
        if (xmax < 0) {
            QCOMPARE(FrmPCX().raster(), before);
            return;
        }
        QCOMPARE(img.UB2, ymax);
        for (int y = 0; y <= ymax; ++y)
            for (int x = 0; x <= newUB1; ++x)
                QCOMPARE(
                    img.at(x, y),
                    decoded.data()[qMin<std::size_t>(y * (newUB1 + 1) + x, decoded.size() - 1)]);
        if (newUB1 == 5) // straightened: every row starts with its first pixel
            for (int y = 0; y <= ymax; ++y)
                QCOMPARE(int(img.at(0, y)), 10 * y + 1);
        QCOMPARE(ViewMismatch(0, 0, 1), kSame);
    }

    void paletteEditsRedraw_data()
    {
        QTest::addColumn<QString>("edit");
        for (const char *edit : {"slider", "text", "paste", "new", "act open"})
            QTest::newRow(edit) << QString::fromLatin1(edit);
    }

    void paletteEditsRedraw()
    {
        QFETCH(QString, edit);
        openSmall();
        frmPallet &pallet = FrmPallet();
        const int id = 255 - SmallValue(3, 2);
        pallet.lblColor_Click(qint16(id));
        const QRgb before = FrmPCX().raster().pixel(3, 2);
        if (edit == "slider") {
            pallet.sldColBar[1]->setValue(77);
        } else if (edit == "text") {
            pallet.txtColor[2]->setText("66");
            QVERIFY(pallet.txtColor_LostFocus(2));
        } else if (edit == "paste") {
            platform->clipboard = QStringLiteral("Palmiro000001002003");
            pallet.cmdPaste_Click();
        } else if (edit == "new") {
            pallet.initPallet(9, 8, 7);
        } else {
            platform->paths.push_back(write("p.act", QByteArray(768, 100)));
            FrmMain().cmdActOpen_Click();
        }
        QVERIFY(EntryRgb(id) != before);
        QCOMPARE(FrmPCX().raster().pixel(3, 2), EntryRgb(id));
        QCOMPARE(ViewMismatch(0, 0, 1), kSame);
    }

    void search_data()
    {
        QTest::addColumn<bool>("loaded");
        QTest::addColumn<int>("entry");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("entry 10 red") << true << 10 << QColor(255, 0, 0);
        QTest::newRow("entry 255") << true << 255 << QColor(10, 20, 30);
        QTest::newRow("no image") << false << 10 << QColor(255, 0, 0);
    }

    void search()
    {
        QFETCH(bool, loaded);
        QFETCH(int, entry);
        QFETCH(QColor, colour);
        if (loaded)
            openSmall();
        SetEntry(entry, colour);
        frmPallet &pallet = FrmPallet();
        auto controls = [&] {
            QStringList s{pallet.lblPalID->text()};
            for (int k = 0; k < 3; ++k)
                s << pallet.txtColor[k]->text() << QString::number(pallet.sldColBar[k]->value());
            return s;
        };
        const QStringList controlsBefore = controls();
        const PalletArray palletBefore = Pallet;
        const QImage rasterBefore = FrmPCX().raster().copy();
        QImage during;
        int searching = -2;
        platform->whileMessageShown = [&](const QString &) {
            during = FrmPCX().raster().copy();
            searching = SearchPalletID;
        };
        QTest::mouseClick(pallet.cmdSerch, Qt::LeftButton);
        QCOMPARE(SearchPalletID, -1);
        QCOMPARE(Pallet, palletBefore);
        QCOMPARE(SelectedPalletID, entry);
        QCOMPARE(controls(), controlsBefore);
        QCOMPARE(FrmPCX().raster(), rasterBefore);
        QCOMPARE(platform->messageTexts(),
                 loaded ? QStringList{Catalog.MsgSearchShown + "\r\n" + Catalog.MsgSearchReturn}
                        : QStringList());
        if (!loaded)
            return;
        QCOMPARE(platform->messages[0].buttons, Platform::Buttons::Ok);
        QCOMPARE(searching, entry);
        QCOMPARE(ViewMismatch(0, 0, 1, entry, -1, during), kSame);
        if (entry == 10) {
            QCOMPARE(during.pixel(2, 0), qRgb(255, 0, 0));
            QCOMPARE(during.pixel(0, 0), EntryRgb(255));
            QCOMPARE(during.pixel(3, 0), qRgb(0, 255, 255));
        }
    }
};

QTEST_MAIN(TestImageWindows)
#include "test_image_windows.moc"
