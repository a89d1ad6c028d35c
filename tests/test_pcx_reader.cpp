#include "image/PcxAdjust.h"
#include "image/PcxReader.h"
#include "support/TestFiles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <vector>

Q_DECLARE_METATYPE(PcxRefusal)

namespace {

struct Header {
    int manufacturer = 10;
    int version = 5;
    int encoding = 1;
    int bitsPerPixel = 8;
    int nplanes = 1;
    int xmin = 0;
    int ymin = 0;
    int xmax = 0;
    int ymax = 0;
    int bytesPerLine = 0;
};

void PutWord(QByteArray &b, int offset, int value)
{
    b[offset] = char(value & 0xff);
    b[offset + 1] = char((value >> 8) & 0xff);
}

// A PCX file: header, the given run-length data, and a palette whose triple
// for colour index i is (i, i ^ 0x55, 255 - i).
QByteArray MakePcx(const Header &h, const QByteArray &data)
{
    QByteArray b(kHeaderSize, '\0');
    b[0] = char(h.manufacturer);
    b[1] = char(h.version);
    b[2] = char(h.encoding);
    b[3] = char(h.bitsPerPixel);
    PutWord(b, 4, h.xmin);
    PutWord(b, 6, h.ymin);
    PutWord(b, 8, h.xmax);
    PutWord(b, 10, h.ymax);
    b[65] = char(h.nplanes);
    PutWord(b, 66, h.bytesPerLine ? h.bytesPerLine : h.xmax + 1);
    b += data;
    for (int i = 0; i < 256; ++i) {
        b += char(i);
        b += char(i ^ 0x55);
        b += char(255 - i);
    }
    return b;
}

QByteArray MakePcx(int xmax, int ymax, const QByteArray &data)
{
    Header h;
    h.xmax = xmax;
    h.ymax = ymax;
    return MakePcx(h, data);
}

QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray b;
    for (int v : values)
        b += char(v);
    return b;
}

QByteArray Pixels(const std::vector<quint8> &v)
{
    return QByteArray(reinterpret_cast<const char *>(v.data()), qsizetype(v.size()));
}

// The decoding rules one byte at a time, as the oracle for the fast loop.
QByteArray ReferenceDecode(const QByteArray &data, qint64 n)
{
    QByteArray out;
    qsizetype p = 0;
    while (out.size() < n && p < data.size()) {
        const quint8 b = quint8(data[p]);
        if (b >= 0xC0 && (b & 0x3F) > 0) {
            for (int k = 0; k < (b & 0x3F) && out.size() < n; ++k)
                out += data[p + 1];
            p += 2;
        } else {
            out += char(b);
            p += 1;
        }
    }
    return out;
}

QString Sha1(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex());
}

// name -> verdict column of the corpus manifest.
QMap<QString, QString> ManifestVerdicts()
{
    QMap<QString, QString> verdicts;
    const QList<QByteArray> lines = ReadTestFile(QStringLiteral("MANIFEST.md")).split('\n');
    bool inPcx = false;
    for (const QByteArray &line : lines) {
        if (line.startsWith("## "))
            inPcx = line.contains("PCX");
        if (!inPcx || !line.startsWith("| "))
            continue;
        const QList<QByteArray> cells = line.split('|');
        if (cells.size() < 17)
            continue;
        const QString name = QString::fromUtf8(cells[1].trimmed());
        const QString verdict = QString::fromUtf8(cells[16].trimmed());
        if (verdict == QLatin1String("accept") || verdict == QLatin1String("reject"))
            verdicts.insert(name, verdict);
    }
    return verdicts;
}

} // namespace

class TestPcxReader : public QObject {
    Q_OBJECT

private slots:
    void headerFieldsAreLittleEndian();
    void checks_data();
    void checks();
    void decodes_data();
    void decodes();
    void fastLoopAgreesWithRules();
    void refusals_data();
    void refusals();
    void refusedFileYieldsOnlyHeader();
    void unreadablePaths();
    void paletteIsReversed();
    void scanLinePaddingShearsRows();
    void adjust_data();
    void adjust();
    void adjustStraightensPaddedOddWidth();
    void corpusVerdicts();
    void corpusMatchesPillow();
};

void TestPcxReader::headerFieldsAreLittleEndian()
{
    Header h;
    h.version = 3;
    h.xmin = 0x0102;
    h.ymin = 0x0304;
    h.xmax = 0x1234;
    h.ymax = 0xfedc;
    h.bytesPerLine = 0x0506;
    const PcxHeader p = ReadPcxHeader(MakePcx(h, {}));
    QCOMPARE(p.Manufacturer(), quint8(10));
    QCOMPARE(p.Version(), quint8(3));
    QCOMPARE(p.Encoding(), quint8(1));
    QCOMPARE(p.BitsPerPixel(), quint8(8));
    QCOMPARE(p.Xmin(), quint16(0x0102));
    QCOMPARE(p.Ymin(), quint16(0x0304));
    QCOMPARE(p.Xmax(), quint16(0x1234));
    QCOMPARE(p.Ymax(), quint16(0xfedc));
    QCOMPARE(p.NPlanes(), quint8(1));
    QCOMPARE(p.BytesPerLine(), quint16(0x0506));
    QCOMPARE(p.pixelCount(), qint64(0x1235) * 0xfedd);
}

void TestPcxReader::checks_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<PcxRefusal>("expected");

    const QByteArray pixel = Bytes({7});
    for (int version : {0, 2, 5, 99}) {
        Header h;
        h.version = version;
        QTest::addRow("version %d", version) << MakePcx(h, pixel) << PcxRefusal::None;
    }
    Header h;
    h.manufacturer = 11;
    QTest::newRow("manufacturer 11") << MakePcx(h, pixel) << PcxRefusal::NotRunLength;
    h = {};
    h.encoding = 0;
    QTest::newRow("encoding 0") << MakePcx(h, pixel) << PcxRefusal::NotRunLength;
    h = {};
    h.nplanes = 3;
    QTest::newRow("24-bit") << MakePcx(h, pixel) << PcxRefusal::NotIndexed8;
    h = {};
    h.bitsPerPixel = 1;
    QTest::newRow("1-bit") << MakePcx(h, pixel) << PcxRefusal::NotIndexed8;
    h = {};
    h.encoding = 0;
    h.bitsPerPixel = 1;
    QTest::newRow("first check comes first") << MakePcx(h, pixel) << PcxRefusal::NotRunLength;
    QTest::newRow("empty") << QByteArray() << PcxRefusal::TooShort;
    QTest::newRow("header only") << MakePcx({}, {}).left(kHeaderSize) << PcxRefusal::TooShort;
    QTest::newRow("895 bytes") << MakePcx({}, {}).left(895) << PcxRefusal::TooShort;
}

void TestPcxReader::checks()
{
    QFETCH(QByteArray, file);
    QFETCH(PcxRefusal, expected);
    QCOMPARE(CheckPcxFile(file), expected);
}

void TestPcxReader::decodes_data()
{
    QTest::addColumn<int>("xmin");
    QTest::addColumn<int>("xmax");
    QTest::addColumn<int>("ymax");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("C1 07 is one 7") << 0 << 0 << 0 << Bytes({0xC1, 7}) << Bytes({7});
    QTest::newRow("FF 01 is 63 ones") << 0 << 62 << 0 << Bytes({0xFF, 1}) << QByteArray(63, 1);
    QTest::newRow("BF is a pixel") << 0 << 0 << 0 << Bytes({0xBF}) << Bytes({0xBF});
    QTest::newRow("C0 is a pixel of one byte")
        << 0 << 2 << 0 << Bytes({0xC0, 5, 6}) << Bytes({0xC0, 5, 6});
    QTest::newRow("run cut at the end, rest ignored")
        << 0 << 5 << 0 << Bytes({1, 2, 0xCA, 9, 0xFF}) << Bytes({1, 2, 9, 9, 9, 9});
    QTest::newRow("run crosses rows")
        << 0 << 3 << 1 << Bytes({1, 0xC5, 7, 2, 3}) << Bytes({1, 7, 7, 7, 7, 7, 2, 3});
    QTest::newRow("1x1 stops after one pixel") << 0 << 0 << 0 << Bytes({5, 0xFF}) << Bytes({5});
    QTest::newRow("Xmin is ignored") << 5 << 9 << 0 << Bytes({0xCA, 4}) << QByteArray(10, 4);
    QByteArray longRuns = Bytes({0xFF, 3, 0xFF, 4, 0xC2, 5, 0xFF, 6});
    QByteArray expected = QByteArray(63, 3) + QByteArray(63, 4) + QByteArray(2, 5);
    expected += QByteArray(12, 6);
    QTest::newRow("long runs up to the end") << 0 << 139 << 0 << longRuns << expected;
}

void TestPcxReader::decodes()
{
    QFETCH(int, xmin);
    QFETCH(int, xmax);
    QFETCH(int, ymax);
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, expected);

    Header h;
    h.xmin = xmin;
    h.xmax = xmax;
    h.ymax = ymax;
    const PcxFile pcx = ReadPcx(MakePcx(h, data));
    QCOMPARE(pcx.refusal, PcxRefusal::None);
    QCOMPARE(Pixels(pcx.decoded), expected);
    QCOMPARE(pcx.image.UB1, xmax);
    QCOMPARE(pcx.image.UB2, ymax);
    QCOMPARE(Pixels(pcx.image.pixels), expected);
}

void TestPcxReader::fastLoopAgreesWithRules()
{
    // Sizes and mixes that reach every path: the 64-byte windows, the
    // byte-at-a-time loop and the careful tail near the end of the image.
    QRandomGenerator rng(4);
    for (int round = 0; round < 1500; ++round) {
        const int width = rng.bounded(1, 400);
        const int height = rng.bounded(1, 40);
        const qint64 n = qint64(width) * height;
        const int runShare = rng.bounded(1, 100);
        const int longestRun = rng.bounded(2) ? 63 : 3;
        QByteArray data;
        for (qint64 made = 0; made < n;) {
            if (rng.bounded(100) < runShare) {
                const int count = rng.bounded(1, longestRun + 1);
                data += char(0xC0 + count);
                data += char(rng.bounded(256));
                made += count;
            } else {
                data += char(rng.bounded(0xC1));
                made += 1;
            }
        }
        data += QByteArray(rng.bounded(3), char(0xFF));
        const PcxFile pcx = ReadPcx(MakePcx(width - 1, height - 1, data));
        QCOMPARE(pcx.refusal, PcxRefusal::None);
        QCOMPARE(Pixels(pcx.decoded), ReferenceDecode(data, n));
    }
}

void TestPcxReader::refusals_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<PcxRefusal>("expected");

    QTest::newRow("too short") << MakePcx(0, 0, {}).left(895) << PcxRefusal::TooShort;
    QTest::newRow("data ends early")
        << MakePcx(9, 0, Bytes({0xC9, 1})) << PcxRefusal::DataEndsEarly;
    QTest::newRow("no data") << MakePcx(0, 0, {}) << PcxRefusal::SizeBeyondData;
    // The count byte is the last data byte: its value would be a palette byte.
    QTest::newRow("run needs the palette")
        << MakePcx(1, 0, Bytes({4, 0xC1})) << PcxRefusal::DataEndsEarly;
    QTest::newRow("63 from a pair") << MakePcx(62, 0, Bytes({0xFF, 1})) << PcxRefusal::None;
    QTest::newRow("64 from a pair")
        << MakePcx(63, 0, Bytes({0xFF, 1})) << PcxRefusal::SizeBeyondData;
    QTest::newRow("64 from three bytes") << MakePcx(63, 0, Bytes({0xFF, 1, 2})) << PcxRefusal::None;
    QTest::newRow("65 from three bytes")
        << MakePcx(64, 0, Bytes({0xFF, 1, 2})) << PcxRefusal::SizeBeyondData;
    QTest::newRow("65535 x 65535 bomb")
        << MakePcx(65535, 65535, QByteArray(64, char(0xFF))) << PcxRefusal::SizeBeyondData;
}

void TestPcxReader::refusals()
{
    QFETCH(QByteArray, file);
    QFETCH(PcxRefusal, expected);
    QCOMPARE(ReadPcx(file).refusal, expected);
    QVERIFY(!PcxRefusalText(expected).isEmpty());
}

void TestPcxReader::refusedFileYieldsOnlyHeader()
{
    const QByteArray file = MakePcx(9, 0, Bytes({0xC9, 1}));
    const PcxFile pcx = ReadPcx(file);
    QVERIFY(!pcx.accepted());
    QVERIFY(pcx.palette.isEmpty());
    QVERIFY(pcx.decoded.empty());
    QCOMPARE(pcx.image.UB1, 0);
    QCOMPARE(pcx.header.bytes[8], quint8(9));
}

void TestPcxReader::unreadablePaths()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(!ReadWholeFile(dir.path() + QStringLiteral("/missing.pcx")));
    QVERIFY(!ReadWholeFile(dir.path()));
    const QString empty = WriteFile(dir.path() + QStringLiteral("/empty.pcx"), {});
    QCOMPARE(ReadWholeFile(empty).value_or("x"), QByteArray());
    QCOMPARE(ReadPcx(QByteArray()).refusal, PcxRefusal::TooShort);
}

void TestPcxReader::paletteIsReversed()
{
    QByteArray file = MakePcx(0, 0, Bytes({1}));
    const qsizetype len = file.size();
    file[len - 3] = 10;
    file[len - 2] = 20;
    file[len - 1] = 30;
    file[len - 768] = 40;
    file[len - 767] = 50;
    file[len - 766] = 60;
    const QByteArray act = ReadPcx(file).palette;
    QCOMPARE(act.size(), kPaletteSize);
    QCOMPARE(act.left(3), Bytes({10, 20, 30}));
    QCOMPARE(act.mid(765), Bytes({40, 50, 60}));
    // Entry 255 - v holds the file's colour index v.
    QCOMPARE(act.mid(3 * (255 - 7), 3), Bytes({7, 7 ^ 0x55, 255 - 7}));
}

void TestPcxReader::scanLinePaddingShearsRows()
{
    Header h;
    h.xmax = 2;
    h.ymax = 2;
    h.bytesPerLine = 4;
    const QByteArray lines = Bytes({1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0});
    const PcxFile pcx = ReadPcx(MakePcx(h, lines));
    QCOMPARE(pcx.refusal, PcxRefusal::None);
    QCOMPARE(Pixels(pcx.image.pixels), Bytes({1, 2, 3, 0, 4, 5, 6, 0, 7}));
}

void TestPcxReader::adjust_data()
{
    QTest::addColumn<QByteArray>("decoded");
    QTest::addColumn<int>("ub1");
    QTest::addColumn<int>("ub2");
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("newUB1");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray six = Bytes({1, 2, 3, 4, 5, 6});
    QTest::newRow("+1 caps at the last element")
        << six << 2 << 1 << 1 << 3 << Bytes({1, 2, 3, 4, 5, 6, 6, 6});
    QTest::newRow("-1") << six << 2 << 1 << -1 << 1 << Bytes({1, 2, 3, 4});
    QTest::newRow("-1 keeps two wide")
        << Bytes({1, 2, 3, 4}) << 1 << 1 << -1 << 1 << Bytes({1, 2, 3, 4});
    QTest::newRow("one wide: nothing") << six << 0 << 5 << 1 << -1 << QByteArray();
    QTest::newRow("other step: nothing") << six << 2 << 1 << 2 << -1 << QByteArray();
}

void TestPcxReader::adjust()
{
    QFETCH(QByteArray, decoded);
    QFETCH(int, ub1);
    QFETCH(int, ub2);
    QFETCH(int, step);
    QFETCH(int, newUB1);
    QFETCH(QByteArray, expected);

    const std::vector<quint8> stream(decoded.begin(), decoded.end());
    const std::optional<PcxImage> current = LayOutPcxImage(stream, ub1, ub2);
    QVERIFY(current);
    const std::optional<PcxImage> adjusted = AdjustPcxLayout(stream, *current, step);
    QCOMPARE(adjusted.has_value(), newUB1 >= 0);
    if (!adjusted)
        return;
    QCOMPARE(adjusted->UB1, newUB1);
    QCOMPARE(adjusted->UB2, ub2);
    QCOMPARE(Pixels(adjusted->pixels), expected);
}

void TestPcxReader::adjustStraightensPaddedOddWidth()
{
    // 99 pixels wide, scan lines of 100 bytes: one +1 lines every row up.
    const int width = 99;
    const int height = 5;
    QByteArray lines;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            lines += char((x * 7 + y) % 0xC0);
        lines += char(0xBF);
    }
    Header h;
    h.xmax = width - 1;
    h.ymax = height - 1;
    h.bytesPerLine = width + 1;
    const PcxFile pcx = ReadPcx(MakePcx(h, lines));
    QCOMPARE(pcx.refusal, PcxRefusal::None);
    QVERIFY(pcx.image.at(0, 1) != quint8(1));

    const std::optional<PcxImage> wider = AdjustPcxLayout(pcx.decoded, pcx.image, 1);
    QVERIFY(wider);
    QCOMPARE(wider->width(), width + 1);
    for (int y = 0; y < height - 1; ++y)
        for (int x = 0; x < width; ++x)
            QCOMPARE(int(wider->at(x, y)), (x * 7 + y) % 0xC0);

    const std::optional<PcxImage> back = AdjustPcxLayout(pcx.decoded, *wider, -1);
    QVERIFY(back);
    QCOMPARE(back->pixels, pcx.image.pixels);
}

void TestPcxReader::corpusVerdicts()
{
    REQUIRE_TESTDATA();
    const QMap<QString, QString> verdicts = ManifestVerdicts();
    QVERIFY2(verdicts.size() >= 30, "the manifest's PCX table was not understood");
    for (auto it = verdicts.cbegin(); it != verdicts.cend(); ++it) {
        const QByteArray file = ReadTestFile(QStringLiteral("pcx/") + it.key());
        QVERIFY2(!file.isEmpty(), qPrintable(it.key()));
        const PcxFile pcx = ReadPcx(file);
        const QString got = pcx.accepted() ? QStringLiteral("accept") : QStringLiteral("reject");
        QVERIFY2(got == it.value(),
                 qPrintable(it.key() + QLatin1String(": ") + PcxRefusalText(pcx.refusal)));
        if (pcx.accepted()) {
            QCOMPARE(qint64(pcx.decoded.size()), pcx.header.pixelCount());
            QCOMPARE(pcx.image.pixels, pcx.decoded);
        }
    }
}

void TestPcxReader::corpusMatchesPillow()
{
    REQUIRE_TESTDATA();
    QFile list(QFINDTESTDATA("data/pcx_pillow.sha1"));
    QVERIFY(list.open(QIODevice::ReadOnly));
    QMap<QString, QString> expected;
    while (!list.atEnd()) {
        const QList<QByteArray> cells = list.readLine().simplified().split(' ');
        if (cells.size() == 3)
            expected.insert(QString::fromLatin1(cells[0]), QString::fromLatin1(cells[1]));
    }

    const QDir dir(TestDataDir() + QStringLiteral("/pcx"));
    int compared = 0;
    for (const QString &name : dir.entryList(QDir::Files)) {
        const PcxFile pcx = ReadPcx(ReadTestFile(QStringLiteral("pcx/") + name));
        const PcxHeader &h = pcx.header;
        const bool comparable =
            pcx.accepted() && h.Xmin() == 0 && h.Ymin() == 0 && h.BytesPerLine() == h.Xmax() + 1;
        if (!comparable)
            continue;
        QVERIFY2(expected.contains(name), qPrintable(name + QLatin1String(" has no checksum")));
        QCOMPARE(Sha1(Pixels(pcx.image.pixels)), expected.value(name));
        ++compared;
    }
    QCOMPARE(compared, expected.size());
}

QTEST_GUILESS_MAIN(TestPcxReader)
#include "test_pcx_reader.moc"
