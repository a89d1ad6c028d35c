#include "image/Render.h"
#include "palette/PaletteOps.h"

#include <QImage>
#include <QtTest>

using L = QList<int>;

namespace {

// Entry i is (i, 255 - i, 7i mod 256): every entry differs from the others.
PalletArray Distinct()
{
    PalletArray p;
    for (int i = 0; i < kPalletEntries; ++i)
        p[i].set(quint8(i), quint8(255 - i), quint8(7 * i));
    return p;
}

L Rgb(const PalletArray &p, int first, int last)
{
    L out;
    for (int i = first; i <= last; ++i)
        out << p[i].R << p[i].G << p[i].B;
    return out;
}

// 16 x 16 pixels, one of each stored value.
PcxImage EveryValue()
{
    PcxImage img{15, 15, std::vector<quint8>(256)};
    std::iota(img.pixels.begin(), img.pixels.end(), 0);
    return img;
}

QImage Draw(const PcxImage &img, const PalletArray &p)
{
    QImage out(16, 16, QImage::Format_RGB32);
    FillView(out.bits(), out.bytesPerLine(), 16, 16, img, BuildColorTable(p, -1),
             {0, 0, 15, 15, 1});
    return out;
}

} // namespace

class TestPaletteOps : public QObject {
    Q_OBJECT
private slots:
    void ramp_data()
    {
        QTest::addColumn<bool>("hsv");
        QTest::addColumn<int>("s");
        QTest::addColumn<int>("t");
        QTest::addColumn<L>("ends"); // S then T
        QTest::addColumn<L>("between");
        QTest::newRow("rgb 0..4") << false << 0 << 4 << L{0, 0, 0, 255, 255, 255}
                                  << L{64, 64, 64, 128, 128, 128, 191, 191, 191};
        QTest::newRow("rgb 4..0") << false << 4 << 0 << L{255, 255, 255, 0, 0, 0}
                                  << L{64, 64, 64, 128, 128, 128, 191, 191, 191};
        QTest::newRow("rgb halves to even")
            << false << 253 << 255 << L{0, 0, 1, 5, 7, 2} << L{2, 4, 2};
        QTest::newRow("rgb neighbours") << false << 10 << 11 << L{1, 1, 1, 9, 9, 9} << L{};
        QTest::newRow("rgb S = T") << false << 10 << 10 << L{1, 1, 1, 1, 1, 1} << L{};
        QTest::newRow("hsv across the seam")
            << true << 0 << 3 << L{255, 0, 255, 255, 255, 0} << L{255, 0, 85, 255, 85, 0};
        QTest::newRow("hsv T < S at the end")
            << true << 255 << 253 << L{255, 255, 0, 255, 0, 255} << L{255, 0, 0};
        QTest::newRow("hsv red to blue via magenta")
            << true << 7 << 9 << L{255, 0, 0, 0, 0, 255} << L{255, 0, 255};
        QTest::newRow("hsv black keeps the hue")
            << true << 7 << 9 << L{0, 0, 0, 255, 0, 0} << L{128, 0, 0};
    }
    void ramp()
    {
        QFETCH(bool, hsv);
        QFETCH(int, s);
        QFETCH(int, t);
        QFETCH(L, ends);
        QFETCH(L, between);
        PalletArray p = Distinct();
        p[s].set(quint8(ends[0]), quint8(ends[1]), quint8(ends[2]));
        p[t].set(quint8(ends[3]), quint8(ends[4]), quint8(ends[5]));
        PalletArray got = hsv ? RampHsv(p, s, t) : RampRgb(p, s, t);
        const int lo = std::min(s, t), hi = std::max(s, t);
        QCOMPARE(Rgb(got, lo + 1, hi - 1), between);
        for (int i = lo + 1; i < hi; ++i)
            got[i] = p[i];
        QVERIFY(got == p);
    }

    void moveEntries_data()
    {
        QTest::addColumn<bool>("reverse");
        QTest::addColumn<int>("s");
        QTest::addColumn<int>("t");
        QTest::addColumn<L>("order"); // old entries in slots min(s, t)..max(s, t)
        QTest::addColumn<bool>("remap");
        for (bool remap : {false, true}) {
            const char *r = remap ? ", remap" : "";
            QTest::addRow("swap 7 and 3%s", r) << false << 7 << 3 << L{7, 4, 5, 6, 3} << remap;
            QTest::addRow("swap 0 and 1%s", r) << false << 0 << 1 << L{1, 0} << remap;
            QTest::addRow("swap 255 and 254%s", r) << false << 255 << 254 << L{255, 254} << remap;
            QTest::addRow("swap 9 with itself%s", r) << false << 9 << 9 << L{9} << remap;
            QTest::addRow("reverse 5..2%s", r) << true << 5 << 2 << L{5, 4, 3, 2} << remap;
            QTest::addRow("reverse 252..255%s", r)
                << true << 252 << 255 << L{255, 254, 253, 252} << remap;
        }
    }
    void moveEntries()
    {
        QFETCH(bool, reverse);
        QFETCH(int, s);
        QFETCH(int, t);
        QFETCH(L, order);
        QFETCH(bool, remap);
        const EntryMap map = reverse ? ReverseMap(s, t) : SwapMap(s, t);
        const PalletArray p = Distinct(), got = MoveEntries(p, map);
        const int lo = std::min(s, t), hi = std::max(s, t);
        L want;
        for (int e : order)
            want << p[e].R << p[e].G << p[e].B;
        QCOMPARE(Rgb(got, lo, hi), want);
        QCOMPARE(Rgb(got, 0, lo - 1) + Rgb(got, hi + 1, 255),
                 Rgb(p, 0, lo - 1) + Rgb(p, hi + 1, 255));

        PcxImage img = EveryValue();
        const QImage before = Draw(img, p);
        if (remap)
            RemapStored(img.pixels.data(), img.pixels.size(), StoredValueMap(map));
        QCOMPARE(Draw(img, got) == before, remap || s == t);
    }

    void readHexLines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<L>("rgb"); // empty: refused
        QTest::newRow("both forms, CRLF, blanks, empty lines") << "#0A0b0C\r\n\n  ff0010 \n"
                                                               << L{10, 11, 12, 255, 0, 16};
        QTest::newRow("five digits") << "#12345" << L{};
        QTest::newRow("seven digits") << "1234567" << L{};
        QTest::newRow("not a hex digit") << "#12345G" << L{};
        QTest::newRow("two hashes") << "##123456" << L{};
        QTest::newRow("0x prefix") << "0x123456" << L{};
        QTest::newRow("full-width digits") << u"#１２３４５６"_qs << L{};
        QTest::newRow("one bad line among good") << "#000000\nred\n#FFFFFF" << L{};
        QTest::newRow("blank lines only") << " \n\t\n" << L{};
        QTest::newRow("clipboard palette text") << "Palmiro000001002003" << L{};
    }
    void readHexLines()
    {
        QFETCH(QString, text);
        QFETCH(L, rgb);
        const auto got = ReadHexLines(text);
        L flat;
        for (const PalletEntry &e : got.value_or(std::vector<PalletEntry>{}))
            flat << e.R << e.G << e.B;
        QCOMPARE(flat, rgb);
        QCOMPARE(bool(got), !rgb.isEmpty());
    }

    void hexRoundTrip()
    {
        const PalletArray p = Distinct();
        QCOMPARE(WriteHexLines(p, 254, 255), "#FE01F2\n#FF00F9\n");
        const auto back = ReadHexLines(WriteHexLines(p, 0, 255));
        QVERIFY(back && std::equal(back->begin(), back->end(), p.begin(), p.end() - 1));
    }

    void countUsage_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("stride");
        QTest::addColumn<L>("entries"); // counts of entries 255, 254, 253, 0
        // Values 0, 1, 2, 255, 0, 1, ...: the stride leaves some out of the view.
        QTest::newRow("whole buffer") << 4 << 3 << 4 << L{3, 3, 3, 3};
        QTest::newRow("narrower view") << 3 << 3 << 4 << L{3, 3, 3, 0};
        QTest::newRow("rows overlap") << 4 << 3 << 1 << L{3, 3, 3, 3};
        QTest::newRow("no rows") << 4 << 0 << 4 << L{0, 0, 0, 0};
    }
    void countUsage()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, stride);
        QFETCH(L, entries);
        std::vector<quint8> buffer(12);
        for (std::size_t i = 0; i < buffer.size(); ++i)
            buffer[i] = i % 4 == 3 ? 255 : quint8(i % 4);
        const UsageCounts n = CountUsage(buffer.data(), width, height, stride);
        QCOMPARE((L{int(n[255]), int(n[254]), int(n[253]), int(n[0])}), entries);
        QCOMPARE(std::accumulate(n.begin(), n.end(), qint64(0)), qint64(width) * height);
    }
};

QTEST_MAIN(TestPaletteOps)
#include "test_palette_ops.moc"
