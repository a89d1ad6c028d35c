#include "image/Render.h"
#include "image/frmPCX.h"
#include "palette/PaletteOps.h"
#include "palette_window/ClipText.h"
#include "palette_window/frmPallet.h"
#include "support/AppUnderTest.h"
#include "support/PcxBuilder.h"
#include "support/ScriptedPlatform.h"
#include "support/TestFiles.h"

#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

using L = QList<int>;
using namespace mdlGlobal;

static PalletArray Distinct()
{
    PalletArray p;
    for (int i = 0; i < kPalletEntries; ++i)
        p[i].set(quint8(i), quint8(255 - i), quint8(7 * i));
    return p;
}

static L Rgb(const PalletEntry *first, qsizetype count)
{
    L out;
    for (const PalletEntry *e = first; e < first + count; ++e)
        out << e->R << e->G << e->B;
    return out;
}

static QImage Draw(const PixelBuffer &values, const PalletArray &p)
{
    QImage out(16, 16, QImage::Format_RGB32);
    FillView(out.bits(), out.bytesPerLine(), 16, 16, ::PcxImage(values, 16, 16, 16),
             BuildColorTable(p, -1), {0, 0, 15, 15, 1});
    return out;
}

class TestPaletteOps : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { EndApplication(); }
    void ramp_data()
    {
        QTest::addColumn<L>("ends"); // s, t, then the colours of S and T
        QTest::addColumn<L>("between");
        const L grey{64, 64, 64, 128, 128, 128, 191, 191, 191};
        QTest::newRow("rgb 0..4") << L{0, 4, 0, 0, 0, 255, 255, 255} << grey;
        QTest::newRow("rgb 4..0") << L{4, 0, 255, 255, 255, 0, 0, 0} << grey;
        QTest::newRow("rgb halves to even") << L{253, 255, 0, 0, 1, 5, 7, 2} << L{2, 4, 2};
        QTest::newRow("rgb neighbours") << L{10, 11, 1, 1, 1, 9, 9, 9} << L{};
        QTest::newRow("hsv seam") << L{0, 3, 255, 0, 255, 255, 255, 0} << L{255, 0, 85, 255, 85, 0};
        QTest::newRow("hsv 255..253") << L{255, 253, 255, 255, 0, 255, 0, 255} << L{255, 0, 0};
        QTest::newRow("hsv via magenta") << L{7, 9, 255, 0, 0, 0, 0, 255} << L{255, 0, 255};
        QTest::newRow("hsv black keeps the hue") << L{7, 9, 0, 0, 0, 255, 0, 0} << L{128, 0, 0};
    }
    void ramp()
    {
        QFETCH(L, ends);
        QFETCH(L, between);
        const bool hsv = QByteArray(QTest::currentDataTag()).startsWith("hsv");
        const int s = ends[0], t = ends[1], lo = std::min(s, t), hi = std::max(s, t);
        PalletArray p = Distinct();
        p[s].set(quint8(ends[2]), quint8(ends[3]), quint8(ends[4]));
        p[t].set(quint8(ends[5]), quint8(ends[6]), quint8(ends[7]));
        const PalletArray got = hsv ? RampHsv(p, s, t) : RampRgb(p, s, t);
        QCOMPARE(Rgb(&got[0], 256), Rgb(&p[0], lo + 1) + between + Rgb(&p[hi], 256 - hi));
    }

    void moveEntries_data()
    {
        QTest::addColumn<L>("ends"); // s, t, then the old entries in slots min..max
        for (bool remap : {false, true}) {
            const char *r = remap ? ", remap" : "";
            QTest::addRow("swap 7 and 3%s", r) << L{7, 3, 7, 4, 5, 6, 3};
            QTest::addRow("swap 0 and 1%s", r) << L{0, 1, 1, 0};
            QTest::addRow("swap 9 with itself%s", r) << L{9, 9, 9};
            QTest::addRow("reverse 5..2%s", r) << L{5, 2, 5, 4, 3, 2};
            QTest::addRow("reverse 252..255%s", r) << L{252, 255, 255, 254, 253, 252};
        }
    }
    void moveEntries()
    {
        QFETCH(L, ends);
        const QByteArray tag = QTest::currentDataTag();
        const bool reverse = tag.startsWith("reverse"), remap = tag.endsWith("remap");
        const int s = ends[0], t = ends[1], lo = std::min(s, t), hi = std::max(s, t);
        const EntryMap map = reverse ? ReverseMap(s, t) : SwapMap(s, t);
        const PalletArray p = Distinct(), got = MoveEntries(p, map);
        L want = Rgb(&p[0], lo);
        for (int e : ends.mid(2))
            want += Rgb(&p[e], 1);
        QCOMPARE(Rgb(&got[0], 256), want + Rgb(&p[hi + 1], 255 - hi));

        QByteArray every(256, 0);
        std::iota(every.begin(), every.end(), 0);
        const PixelBuffer values = MakePixels(every);
        const QImage before = Draw(values, p);
        const QImage after = Draw(remap ? *RemapStored(values, StoredValueMap(map)) : values, got);
        QCOMPARE(after == before, remap || s == t);
    }

    void readHexLines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<L>("rgb"); // empty: refused
        QTest::newRow("both forms") << "#0A0b0C\r\n\n  ff0010 \n" << L{10, 11, 12, 255, 0, 16};
        QTest::newRow("five digits") << "#12345" << L{};
        QTest::newRow("not a hex digit") << "#12345G" << L{};
        QTest::newRow("full-width digits") << u"#１２３４５６"_qs << L{};
        QTest::newRow("one bad line among good") << "#000000\nred\n#FFFFFF" << L{};
        QTest::newRow("blank lines only") << " \n\t\n" << L{};
    }
    void readHexLines()
    {
        QFETCH(QString, text);
        QFETCH(L, rgb);
        const auto entries = ReadHexLines(text);
        QCOMPARE(entries ? Rgb(entries->data(), qsizetype(entries->size())) : L{}, rgb);
    }
    void inTheWindows()
    {
        ScriptedPlatform platform;
        QTemporaryDir dir;
        QVERIFY(StartApplication(&platform));
        frmPallet &pal = FrmPallet();
        const QImage &raster = FrmPCX().raster();
        const UsageCounts &n = pal.Usage();
        auto used = [&] { return L{int(n[255]), int(n[254]), int(n[253]), int(n[250])}; };
        // Stream 0 0 1 2 2 2 2 5: entries 255 255 254 253 253 253 253 250.
        platform.paths.push_back(
            WriteFile(dir.filePath("a.pcx"), MakePcx(3, 1, Bytes({0, 0, 1, 2, 2, 2, 2, 5}))));
        FrmMain().cmdPcxOpen_Click();
        FrmMain().PcxAdjust(1); // row 1 ends early: its last 2 pixels read the last byte
        QCOMPARE(used(), (L{2, 1, 4, 3}));
        QCOMPARE(pal.UsageTip(253), u"PID 253 : 2, 253, 14 — 4 px"_qs);

        const PalletArray opened = Pallet;
        const QImage picture = raster.copy();
        pal.lblColor_Click(253);
        pal.RunTool(frmPallet::Tool::SwapRemap, 255);
        QCOMPARE(raster, picture);
        FrmMain().PcxAdjust(1); // laid out again from the renumbered stream
        QCOMPARE(used(), (L{4, 1, 2, 5}));
        pal.History().stack().undo();
        QVERIFY(Pallet == opened);
        QCOMPARE(used(), (L{2, 1, 4, 5}));

        std::optional<QColor> answer;
        QRgb tried = 0;
        platform.colourChooser = [&](const QColor &, const ScriptedPlatform::Live &live) {
            live(QColor(1, 2, 3));
            tried = raster.pixel(3, 0); // stored 2: entry 253, the selected one
            return answer;
        };
        const QImage shown = raster.copy();
        pal.RunTool(frmPallet::Tool::EditColour, 0);
        QVERIFY(tried == qRgb(1, 2, 3) && Pallet == opened && raster == shown);
        answer = QColor(9, 9, 9);
        pal.RunTool(frmPallet::Tool::EditColour, 0);
        QCOMPARE(Rgb(&Pallet[253], 1) << pal.txtColor[0]->text().toInt(), (L{9, 9, 9, 9}));

        platform.clipboard = "#010203\n#040506";
        pal.lblColor_Click(255);
        pal.RunTool(frmPallet::Tool::PasteHex, 0);
        QCOMPARE(platform.messageTexts().last(), PastePrompt(Catalog, 255, 255));
        const L want = Rgb(&opened[0], 253) + L{9, 9, 9} + Rgb(&opened[254], 1) + L{1, 2, 3};
        QCOMPARE(Rgb(&Pallet[0], 256), want);
        pal.RunTool(frmPallet::Tool::CopyHex, 254);
        QCOMPARE(platform.clipboard, "#01FE07\n#010203\n");
    }
};

QTEST_MAIN(TestPaletteOps)
#include "test_palette_ops.moc"
