#include "convert/EngineTables.h"
#include "model/Ciede2000.h"

#include <QtTest>

#include <cmath>
#include <functional>

namespace {

// Greys 0, 4 .. 252 twice over (ties between twins, and halfway targets
// between neighbours), then colours scattered over the cube.
EnginePalette TiedPalette()
{
    EnginePalette p;
    for (int e = 0; e < 128; ++e) {
        const auto v = std::uint8_t(e % 64 * 4);
        p[std::size_t(e)] = {v, v, v};
    }
    for (int e = 128; e < 256; ++e)
        p[std::size_t(e)] = {std::uint8_t(e * 37 % 256), std::uint8_t(e * 101 % 256),
                             std::uint8_t(e * 59 % 256)};
    return p;
}

// Squared RGB distance to a target, first (or last) of the equals winning.
int Plain(const EnginePalette &p, double r, double g, double b, bool lastWins = false)
{
    int found = -1;
    double best = 1e300;
    for (int k = 0; k < 256; ++k) {
        const int e = lastWins ? 255 - k : k;
        const Rgb8 c = p[std::size_t(e)];
        const double d = (c.r - r) * (c.r - r) + (c.g - g) * (c.g - g) + (c.b - b) * (c.b - b);
        if (d < best)
            best = d, found = e;
    }
    return found;
}

TableRows DoomByHand(const EnginePalette &p)
{
    TableRows t;
    for (int i = 0; i < 32; ++i)
        for (const Rgb8 c : p) {
            const double f = (32 - i) / 32.0;
            t.push_back(std::uint8_t(Plain(p, c.r * f, c.g * f, c.b * f)));
        }
    for (const Rgb8 c : p) {
        const double y = 255 - std::nearbyint(0.2126 * c.r + 0.7152 * c.g + 0.0722 * c.b);
        t.push_back(std::uint8_t(Plain(p, y, y, y)));
    }
    t.insert(t.end(), 256, std::uint8_t(Plain(p, 0, 0, 0)));
    return t;
}

TableRows QuakeByHand(const EnginePalette &p)
{
    TableRows t;
    for (int y = 0; y < 64; ++y)
        for (int e = 0; e < 256; ++e) {
            const Rgb8 c = p[std::size_t(e)];
            const auto ch = [y](int v) { return std::min(255, (v * (63 - y) + 16) >> 5); };
            t.push_back(std::uint8_t(e >= 224 ? e : Plain(p, ch(c.r), ch(c.g), ch(c.b))));
        }
    return t;
}

TableRows BoomByHand(const EnginePalette &p)
{
    TableRows t;
    const int w1 = 66 * 4096 / 100, w2 = 4096 - w1;
    for (const Rgb8 bg : p)
        for (const Rgb8 fg : p)
            t.push_back(std::uint8_t(Plain(p, (bg.r * w2 + fg.r * w1) / 4096.0,
                                           (bg.g * w2 + fg.g * w1) / 4096.0,
                                           (bg.b * w2 + fg.b * w1) / 4096.0, true)));
    return t;
}

using MakeTable = std::function<TableRows(const EnginePalette &)>;

} // namespace

Q_DECLARE_METATYPE(MakeTable)
Q_DECLARE_METATYPE(TableFormat)

class TestTables : public QObject {
    Q_OBJECT
private slots:
    // The classic tables, byte for byte, against their generators' rules written out plainly.
    void classicRules_data()
    {
        QTest::addColumn<MakeTable>("make");
        QTest::addColumn<MakeTable>("byHand");
        ShadeSettings s;
        s.match = TableMatch::Classic;
        QTest::newRow("Doom COLORMAP")
            << MakeTable([s](const EnginePalette &p) { return DoomColormap(p, s); })
            << MakeTable(DoomByHand);
        s.fullbright = TableEntries().set() << 224;
        s.fullbrightCandidates = true;
        QTest::newRow("Quake colormap")
            << MakeTable([s](const EnginePalette &p) { return QuakeColormap(p, s); })
            << MakeTable(QuakeByHand);
        BlendSettings b;
        b.match = TableMatch::Classic;
        QTest::newRow("Boom TRANMAP")
            << MakeTable([b](const EnginePalette &p) { return BlendTable(p, b); })
            << MakeTable(BoomByHand);
    }
    void classicRules()
    {
        QFETCH(MakeTable, make);
        QFETCH(MakeTable, byHand);
        const EnginePalette p = TiedPalette();
        const TableRows got = make(p), want = byHand(p);
        QCOMPARE(got.size(), want.size());
        const auto miss = std::mismatch(got.begin(), got.end(), want.begin());
        QCOMPARE(miss.first - got.begin(), qsizetype(got.size()));
    }

    // Every row of light matches only allowed entries, an OKLab table each one's nearest to the
    // colour it stands for; dark fullbrights (224..255 copy 0..31) never stand in for another.
    void noFullbrightTaken_data()
    {
        QTest::addColumn<int>("match");
        QTest::addColumn<int>("fade");
        QTest::newRow("classic") << int(TableMatch::Classic) << 0;
        QTest::newRow("oklab") << int(TableMatch::Oklab) << 0;
        QTest::newRow("oklab, fog") << int(TableMatch::Oklab) << 0x6080a0;
    }
    void noFullbrightTaken()
    {
        QFETCH(int, match);
        QFETCH(int, fade);
        EnginePalette p = TiedPalette();
        for (int e = 224; e < 256; ++e)
            p[std::size_t(e)] = p[std::size_t(e - 224)];
        ShadeSettings s;
        s.match = TableMatch(match);
        s.fade = {std::uint8_t(fade >> 16), std::uint8_t(fade >> 8), std::uint8_t(fade)};
        s.fullbright = TableEntries().set() << 224;
        s.reserved.set(5);
        const TableRows rows = DoomColormap(p, s);
        Vec3 points[256];
        OklabOfColours(p.data(), 256, points);
        for (int i = 0; i < 34; ++i)
            for (int e = 0; e < 224; ++e) {
                const int got = rows[std::size_t(i * 256 + e)];
                QVERIFY2(got < 224 && got != 5, qPrintable(u"level %1 entry %2"_qs.arg(i).arg(e)));
                if (s.match == TableMatch::Classic || i >= 32)
                    continue;
                const Vec3 ideal = IdealShade(p[std::size_t(e)], s.fade, (32 - i) / 32.0, s.match);
                int best = 0;
                for (int k = 1; k < 224; ++k)
                    if (k != 5 && Distance2(ideal, points[k]) < Distance2(ideal, points[best]))
                        best = k;
                QCOMPARE(got, best);
            }
        for (int i = 0; i < 32; ++i)
            QCOMPARE(rows[std::size_t(i * 256 + 240)], 240);
    }

    // Each format read back as written.
    void formatsRoundTrip_data()
    {
        QTest::addColumn<TableFormat>("format");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("shadeRows");
        QTest::addColumn<int>("palettes");
        QTest::addColumn<int>("brights");
        QTest::newRow("COLORMAP") << TableFormat::Colormap << 8704 << 34 << 0 << -1;
        QTest::newRow("TRANMAP") << TableFormat::Tranmap << 65536 << 0 << 0 << -1;
        QTest::newRow("PLAYPAL") << TableFormat::Playpal << 10752 << 0 << 14 << -1;
        QTest::newRow("Quake colormap") << TableFormat::QuakeColormap << 16385 << 64 << 0 << 32;
        QTest::newRow("Quake colormap, no count")
            << TableFormat::QuakeColormap << 16384 << 64 << 0 << -1;
        QTest::newRow("Quake palette") << TableFormat::QuakePalette << 768 << 0 << 1 << -1;
        QTest::newRow("PALETTE.DAT") << TableFormat::BuildPalette << 74498 << 32 << 1 << -1;
        QTest::newRow("raw") << TableFormat::Raw << 768 << 3 << 0 << -1;
    }
    void formatsRoundTrip()
    {
        QFETCH(TableFormat, format);
        QFETCH(int, size);
        QFETCH(int, shadeRows);
        QFETCH(int, palettes);
        QFETCH(int, brights);
        EngineTables t;
        EnginePalette p = TiedPalette();
        for (Rgb8 &c : p) // Build's palettes keep 6 bits
            c = {std::uint8_t(c.r & 0xfc), std::uint8_t(c.g & 0xfc), std::uint8_t(c.b & 0xfc)};
        t.palettes.assign(std::size_t(palettes), p);
        for (int i = 0; i < shadeRows * 256; ++i)
            t.shades.push_back(std::uint8_t(i * 7 + i / 256));
        if (format == TableFormat::Tranmap || format == TableFormat::BuildPalette)
            t.blend = BlendTable(p, {});
        t.quakeBrights = brights;
        const QByteArray bytes = WriteEngineTables(format, t);
        QCOMPARE(bytes.size(), size);
        const EngineTablesRead read = ReadEngineTables(format, bytes);
        QCOMPARE(read.error, QString());
        QVERIFY(read.tables.shades == t.shades && read.tables.blend == t.blend);
        QCOMPARE(read.tables.palettes.size(), t.palettes.size());
        for (std::size_t k = 0; k < t.palettes.size(); ++k)
            QVERIFY(read.tables.palettes[k] == t.palettes[k]);
        QCOMPARE(read.tables.quakeBrights, brights);
    }

    // Files that break their format refused with the reason; WAD lumps found by name.
    void hostileFiles_data()
    {
        QTest::addColumn<int>("format"); // -1: a WAD's PLAYPAL
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error");
        const auto build = [](int shades, int size, char first = 0) {
            QByteArray b(size, 0);
            b[0] = first;
            b[768] = char(shades), b[769] = char(shades >> 8);
            return b;
        };
        QTest::newRow("COLORMAP short") << int(TableFormat::Colormap) << QByteArray(8700, 0)
                                        << "a COLORMAP is 8,704 bytes; this file has 8,700";
        QTest::newRow("TRANMAP long") << int(TableFormat::Tranmap) << QByteArray(65537, 0)
                                      << "a TRANMAP is 65,536 bytes; this file has 65,537";
        QTest::newRow("Quake colormap")
            << int(TableFormat::QuakeColormap) << QByteArray(16383, 0)
            << "a Quake colormap is 16,384 or 16,385 bytes; this file has 16,383";
        QTest::newRow("past 63") << int(TableFormat::BuildPalette) << build(32, 74498, 64)
                                 << "PALETTE.DAT: a colour past 63 (64 at byte 0)";
        QTest::newRow("negative shades") << int(TableFormat::BuildPalette) << build(-1, 74498)
                                         << "PALETTE.DAT: -1 shades; a palette has 1 to 256";
        QTest::newRow("huge shades") << int(TableFormat::BuildPalette) << build(30000, 74498)
                                     << "PALETTE.DAT: 30000 shades; a palette has 1 to 256";
        QTest::newRow("shades past the end")
            << int(TableFormat::BuildPalette) << build(33, 74498)
            << "PALETTE.DAT with 33 shades is 74,754 bytes; this file has 74,498";
        QTest::newRow("no shade count") << int(TableFormat::BuildPalette) << QByteArray(769, 0)
                                        << "PALETTE.DAT: the file ends before its shade count "
                                           "(769 bytes)";
        QTest::newRow("raw") << int(TableFormat::Raw) << QByteArray(300, 0)
                             << "a raw table is rows of 256 bytes; this file has 300";
        const auto wad = [](int lumps, int directory, int pos, int size) {
            QByteArray w("PWAD");
            for (const int v : {lumps, directory, pos, size})
                w += QByteArray(reinterpret_cast<const char *>(&v), 4);
            return w + "PLAYPAL" + '\0' + "xyz";
        };
        QTest::newRow("WAD lump") << -1 << wad(1, 12, 28, 3) << "";
        QTest::newRow("WAD lump past the end")
            << -1 << wad(1, 12, 28, 4) << "the WAD's PLAYPAL is past the end of the file";
        QTest::newRow("WAD directory past the end")
            << -1 << wad(2, 12, 28, 3) << "the WAD's directory is past the end of the file";
    }
    void hostileFiles()
    {
        QFETCH(int, format);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        if (format < 0) {
            QString why;
            const std::optional<QByteArray> lump = WadLump(bytes, "PLAYPAL", why);
            QCOMPARE(why, error);
            QCOMPARE(lump.value_or("-"), error.isEmpty() ? QByteArray("xyz") : "-");
            return;
        }
        QCOMPARE(ReadEngineTables(TableFormat(format), bytes).error, error);
    }

    // Pairs of Sharma, Wu and Dalal's published CIEDE2000 test data (2005), by their number:
    // the hue wrap, greys, near-opposite hues, the blue rotation term; one pair swapped.
    void ciede2000_data()
    {
        QTest::addColumn<QList<double>>("pair"); // L a b, L a b, difference
        const auto row = [](const char *name, QList<double> values) {
            QTest::newRow(name) << values;
        };
        row("1", {50, 2.6772, -79.7751, 50, 0, -82.7485, 2.0425});
        row("4", {50, -1.3802, -84.2814, 50, 0, -82.7485, 1.0000});
        row("7", {50, 0, 0, 50, -1, 2, 2.3669});
        row("8 (7 swapped)", {50, -1, 2, 50, 0, 0, 2.3669});
        row("9", {50, 2.49, -0.001, 50, -2.49, 0.0009, 7.1792});
        row("11", {50, 2.49, -0.001, 50, -2.49, 0.0011, 7.2195});
        row("13", {50, -0.001, 2.49, 50, 0.0009, -2.49, 4.8045});
        row("17", {50, 2.5, 0, 73, 25, -18, 27.1492});
        row("19", {50, 2.5, 0, 56, -27, -3, 31.9030});
        row("21", {50, 2.5, 0, 50, 3.1736, 0.5854, 1.0000});
        row("25", {60.2574, -34.0099, 36.2677, 60.4626, -34.1751, 39.4387, 1.2644});
        row("34", {2.0776, 0.0795, -1.1350, 0.9033, -0.0636, -0.5514, 0.9082});
    }
    void ciede2000()
    {
        QFETCH(QList<double>, pair);
        const double got = Ciede2000({pair[0], pair[1], pair[2]}, {pair[3], pair[4], pair[5]});
        QVERIFY2(std::abs(got - pair[6]) < 0.5e-4, qPrintable(QString::number(got, 'f', 6)));
    }
};

QTEST_GUILESS_MAIN(TestTables)
#include "test_tables.moc"
