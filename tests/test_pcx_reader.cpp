#include "image/PcxAdjust.h"
#include "image/PcxReader.h"
#include "support/PcxBuilder.h"
#include "support/TestFiles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(PcxRefusal)

namespace {

QByteArray Pixels(const std::vector<quint8> &v)
{
    return QByteArray(reinterpret_cast<const char *>(v.data()), qsizetype(v.size()));
}

// The decoding rules one byte at a time, as the oracle for the fast loop.
QByteArray ReferenceDecode(const QByteArray &data, qint64 n)
{
    QByteArray out;
    for (qsizetype p = 0; out.size() < n && p < data.size(); ++p) {
        const quint8 b = quint8(data[p]);
        out += b > 0xC0 ? QByteArray(qMin<qint64>(b & 0x3F, n - out.size()), data[++p])
                        : data.mid(p, 1);
    }
    return out;
}

QByteArray With(QByteArray file, std::initializer_list<std::pair<int, int>> bytes)
{
    for (auto [at, v] : bytes)
        file[at] = char(v);
    return file;
}

void FileColumns()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<PcxRefusal>("expected");
}

} // namespace

class TestPcxReader : public QObject {
    Q_OBJECT

private slots:
    void headerFieldsAreLittleEndian()
    {
        QByteArray f =
            With(MakePcx(0x1234, 0xfedc, {}, 0x0506), {{1, 3}, {4, 2}, {5, 1}, {6, 4}, {7, 3}});
        const PcxHeader p = ReadPcxHeader(f);
        QCOMPARE(
            QList<int>({p.Manufacturer(), p.Version(), p.Encoding(), p.BitsPerPixel(), p.Xmin(),
                        p.Ymin(), p.Xmax(), p.Ymax(), p.NPlanes(), p.BytesPerLine()}),
            QList<int>({10, 3, 1, 8, 0x0102, 0x0304, 0x1234, 0xfedc, 1, 0x0506}));
        QCOMPARE(p.pixelCount(), qint64(0x1235) * 0xfedd);
    }

    void checks_data()
    {
        FileColumns();
        const QByteArray ok = MakePcx(0, 0, Bytes({7}));
        for (int version : {0, 2, 99})
            QTest::addRow("version %d", version) << With(ok, {{1, version}}) << PcxRefusal::None;
        QTest::newRow("manufacturer 11") << With(ok, {{0, 11}}) << PcxRefusal::NotRunLength;
        QTest::newRow("encoding 0") << With(ok, {{2, 0}}) << PcxRefusal::NotRunLength;
        QTest::newRow("24-bit") << With(ok, {{65, 3}}) << PcxRefusal::NotIndexed8;
        QTest::newRow("1-bit") << With(ok, {{3, 1}}) << PcxRefusal::NotIndexed8;
        QTest::newRow("first check first")
            << With(ok, {{2, 0}, {3, 1}}) << PcxRefusal::NotRunLength;
        QTest::newRow("header only") << ok.left(kHeaderSize) << PcxRefusal::TooShort;
    }

    void checks()
    {
        QFETCH(QByteArray, file);
        QFETCH(PcxRefusal, expected);
        QCOMPARE(CheckPcxFile(file), expected);
    }

    void decodes_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("C1 07 is one 7, FF 01 63 ones")
            << MakePcx(63, 0, Bytes({0xC1, 7, 0xFF, 1})) << Bytes({7}) + QByteArray(63, 1);
        QTest::newRow("BF, C0 are pixels")
            << MakePcx(2, 0, Bytes({0xBF, 0xC0, 5})) << Bytes({0xBF, 0xC0, 5});
        QTest::newRow("run cut at the end, rest ignored")
            << MakePcx(5, 0, Bytes({1, 2, 0xCA, 9, 0xFF})) << Bytes({1, 2, 9, 9, 9, 9});
        QTest::newRow("run crosses rows")
            << MakePcx(3, 1, Bytes({1, 0xC5, 7, 2, 3})) << Bytes({1, 7, 7, 7, 7, 7, 2, 3});
        QTest::newRow("Xmin is ignored")
            << With(MakePcx(9, 0, Bytes({0xCA, 4})), {{4, 5}}) << QByteArray(10, 4);
        QTest::newRow("padding shears rows")
            << MakePcx(2, 2, Bytes({1, 2, 3, 0, 4, 5, 6, 0, 7, 8}), 4)
            << Bytes({1, 2, 3, 0, 4, 5, 6, 0, 7});
    }

    void decodes()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, expected);
        const PcxFile pcx = ReadPcx(file);
        QCOMPARE(pcx.refusal, PcxRefusal::None);
        QCOMPARE(Pixels(pcx.decoded), expected);
        QCOMPARE(Pixels(pcx.image.pixels), expected);
        QCOMPARE(QPoint(pcx.image.UB1, pcx.image.UB2), QPoint(quint8(file[8]), quint8(file[10])));
    }

    void fastLoopAgreesWithRules()
    {
        // Sizes and mixes reaching the 64-byte windows, the byte loop and the tail.
        QRandomGenerator rng(4);
        for (int round = 0; round < 1000; ++round) {
            const int width = rng.bounded(1, 400), height = rng.bounded(1, 40);
            const int runShare = rng.bounded(1, 100), longestRun = rng.bounded(2) ? 63 : 3;
            const qint64 n = qint64(width) * height;
            QByteArray data;
            for (qint64 made = 0; made < n; ++made) {
                const int count = rng.bounded(100) < runShare ? rng.bounded(1, longestRun + 1) : 0;
                data += count ? Bytes({0xC0 + count, int(rng.bounded(256))})
                              : Bytes({int(rng.bounded(0xC1))});
                made += qMax(count - 1, 0);
            }
            data += QByteArray(rng.bounded(3), char(0xFF));
            const PcxFile pcx = ReadPcx(MakePcx(width - 1, height - 1, data));
            QCOMPARE(pcx.refusal, PcxRefusal::None);
            QCOMPARE(Pixels(pcx.decoded), ReferenceDecode(data, n));
        }
    }

    void refusals_data()
    {
        FileColumns();
        const auto pair = Bytes({0xFF, 1}), three = Bytes({0xFF, 1, 2});
        QTest::newRow("too short") << MakePcx(0, 0, {}).left(895) << PcxRefusal::TooShort;
        QTest::newRow("data ends early")
            << MakePcx(9, 0, Bytes({0xC9, 1})) << PcxRefusal::DataEndsEarly;
        QTest::newRow("no data") << MakePcx(0, 0, {}) << PcxRefusal::SizeBeyondData;
        // The count byte is the last data byte: its value would be a palette byte.
        QTest::newRow("run needs the palette")
            << MakePcx(1, 0, Bytes({4, 0xC1})) << PcxRefusal::DataEndsEarly;
        QTest::newRow("63 from a pair") << MakePcx(62, 0, pair) << PcxRefusal::None;
        QTest::newRow("64 from a pair") << MakePcx(63, 0, pair) << PcxRefusal::SizeBeyondData;
        QTest::newRow("64 from three bytes") << MakePcx(63, 0, three) << PcxRefusal::None;
        QTest::newRow("65 from three bytes") << MakePcx(64, 0, three) << PcxRefusal::SizeBeyondData;
        QTest::newRow("65535 x 65535 bomb")
            << MakePcx(65535, 65535, QByteArray(64, char(0xFF))) << PcxRefusal::SizeBeyondData;
    }

    void refusals()
    {
        QFETCH(QByteArray, file);
        QFETCH(PcxRefusal, expected);
        const PcxFile pcx = ReadPcx(file);
        QCOMPARE(pcx.refusal, expected);
        QVERIFY(!PcxRefusalText(expected).isEmpty());
        if (expected != PcxRefusal::None) // only the header comes back
            QVERIFY(pcx.palette.isEmpty() && pcx.decoded.empty() && pcx.image.UB1 == 0);
        QCOMPARE(pcx.header.bytes[8], quint8(file[8]));
    }

    void unreadablePaths()
    {
        QTemporaryDir dir;
        QVERIFY(!ReadWholeFile(dir.filePath("missing.pcx")) && !ReadWholeFile(dir.path()));
        QCOMPARE(ReadWholeFile(WriteFile(dir.filePath("empty.pcx"), {})).value_or("x"),
                 QByteArray());
        QCOMPARE(ReadPcx(QByteArray()).refusal, PcxRefusal::TooShort);
    }

    void paletteIsReversed()
    {
        QByteArray file = MakePcx(0, 0, Bytes({1}));
        file.replace(file.size() - 768, 3, Bytes({40, 50, 60}));
        file.replace(file.size() - 3, 3, Bytes({10, 20, 30}));
        const QByteArray act = ReadPcx(file).palette;
        QCOMPARE(act.size(), kPaletteSize);
        QCOMPARE(act.left(3) + act.mid(765), Bytes({10, 20, 30, 40, 50, 60}));
        QCOMPARE(act.mid(3 * (255 - 7), 3), Bytes({7, 248, 49})); // the file's colour index 7
    }

    void adjust()
    {
        const std::vector<quint8> six{1, 2, 3, 4, 5, 6}, four{1, 2, 3, 4};
        const struct {
            std::vector<quint8> in;
            int ub1, step, newUB1;
            QByteArray out;
        } rows[] = {
            {six, 2, 1, 3, Bytes({1, 2, 3, 4, 5, 6, 6, 6})}, // +1 caps at the last element
            {six, 2, -1, 1, Bytes({1, 2, 3, 4})},
            {four, 1, -1, 1, Bytes({1, 2, 3, 4})},
            {six, 0, 1, -1, {}},
            {six, 2, 2, -1, {}}, // one wide, other step: nothing
        };
        for (const auto &r : rows) {
            const int ub2 = int(r.in.size()) / (r.ub1 + 1) - 1;
            const auto a = AdjustPcxLayout(r.in, LayOutPcxImage(r.in, r.ub1, ub2).value(), r.step);
            QCOMPARE(a ? std::tuple(a->UB1, a->UB2, Pixels(a->pixels))
                       : std::tuple(-1, ub2, QByteArray()),
                     std::tuple(r.newUB1, ub2, r.out));
        }
    }

    void adjustStraightensPaddedOddWidth()
    {
        // 99 pixels wide, scan lines of 100 bytes: one +1 lines every row up.
        QByteArray lines;
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 100; ++x)
                lines += char(x < 99 ? (x * 7 + y) % 0xC0 : 0xBF);
        const PcxFile pcx = ReadPcx(MakePcx(98, 4, lines, 100));
        QCOMPARE(pcx.image.at(0, 1), quint8(0xBF));
        const std::optional<PcxImage> wider = AdjustPcxLayout(pcx.decoded, pcx.image, 1);
        QCOMPARE(wider.value().width(), 100);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 99; ++x)
                QCOMPARE(int(wider->at(x, y)), (x * 7 + y) % 0xC0);
        QCOMPARE(AdjustPcxLayout(pcx.decoded, *wider, -1).value().pixels, pcx.image.pixels);
    }

    void corpusVerdicts()
    {
        REQUIRE_TESTDATA();
        QMap<QString, QByteArray> verdicts; // name -> verdict column of the manifest's PCX table
        bool inPcx = false;
        for (const QByteArray &line : ReadTestFile(QStringLiteral("MANIFEST.md")).split('\n')) {
            inPcx = line.startsWith("## ") ? line.contains("PCX") : inPcx;
            const QList<QByteArray> cells = line.split('|');
            const QByteArray verdict = cells.value(16).trimmed();
            if (inPcx && line.startsWith("| ") && (verdict == "accept" || verdict == "reject"))
                verdicts.insert(QString::fromUtf8(cells[1].trimmed()), verdict);
        }
        QVERIFY2(verdicts.size() >= 30, "the manifest's PCX table was not understood");
        for (auto it = verdicts.cbegin(); it != verdicts.cend(); ++it) {
            const QByteArray file = ReadTestFile(QStringLiteral("pcx/") + it.key());
            const PcxFile pcx = ReadPcx(file);
            QVERIFY2(!file.isEmpty() && (pcx.accepted() ? "accept" : "reject") == it.value(),
                     qPrintable(it.key() + QLatin1String(": ") + PcxRefusalText(pcx.refusal)));
            if (pcx.accepted()) {
                QCOMPARE(qint64(pcx.decoded.size()), pcx.header.pixelCount());
                QCOMPARE(pcx.image.pixels, pcx.decoded);
            }
        }
    }

    void corpusMatchesPillow()
    {
        REQUIRE_TESTDATA();
        QFile list(QFINDTESTDATA("data/pcx_pillow.sha1"));
        QVERIFY(list.open(QIODevice::ReadOnly));
        QMap<QString, QByteArray> expected;
        while (!list.atEnd()) {
            const QList<QByteArray> cells = list.readLine().simplified().split(' ');
            if (cells.size() == 3)
                expected.insert(QString::fromLatin1(cells[0]), cells[1]);
        }
        int compared = 0;
        for (const QString &name : QDir(TestDataDir() + "/pcx").entryList(QDir::Files)) {
            const PcxFile pcx = ReadPcx(ReadTestFile(QStringLiteral("pcx/") + name));
            const PcxHeader &h = pcx.header;
            if (!pcx.accepted() || h.Xmin() || h.Ymin() || h.BytesPerLine() != h.Xmax() + 1)
                continue;
            QVERIFY2(expected.contains(name), qPrintable(name + " has no checksum"));
            const QByteArray pixels = Pixels(pcx.image.pixels);
            QCOMPARE(QCryptographicHash::hash(pixels, QCryptographicHash::Sha1).toHex(),
                     expected[name]);
            ++compared;
        }
        QCOMPARE(compared, expected.size());
    }
};

QTEST_GUILESS_MAIN(TestPcxReader)
#include "test_pcx_reader.moc"
