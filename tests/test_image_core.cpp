#include "base/FileBytes.h"
#include "formats/IndexedPng.h"
#include "formats/PcxReader.h"
#include "model/ActApply.h"
#include "model/PaletteOps.h"
#include "model/PcxAdjust.h"
#include "model/Render.h"
#include "model/ScrollMath.h"
#include "support/NumberRows.h"
#include "support/PaletteKit.h"
#include "support/PcxBuilder.h"
#include "support/TestFiles.h"

#include <QtTest>

Q_DECLARE_METATYPE(PictureRefusal)

namespace {

QByteArray Pixels(const PixelBuffer &v)
{
    return QByteArray(reinterpret_cast<const char *>(v.data()), qsizetype(v.size()));
}

QByteArray Pixels(const PcxImage &image)
{
    QByteArray out(image.width() * image.height(), 0);
    for (int y = 0; y < image.height(); ++y)
        image.copyRow(y, reinterpret_cast<quint8 *>(out.data()) + y * image.width());
    return out;
}

QByteArray With(QByteArray file, std::initializer_list<std::pair<int, int>> bytes)
{
    for (auto [at, v] : bytes)
        file[at] = char(v);
    return file;
}

QByteArray RgbBytes(const QImage &image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    QByteArray out;
    for (int y = 0; y < rgb.height(); ++y)
        out.append(reinterpret_cast<const char *>(rgb.constScanLine(y)), rgb.width() * 3);
    return out;
}

PalletArray RampRed() // entry 10 red
{
    PalletArray p = Ramp();
    p[10].set(255, 0, 0);
    return p;
}

} // namespace

class TestImageCore : public QObject {
    Q_OBJECT
private slots:
    // Refused with only the header back, or decoded to the expected pixels.
    void readPcx_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<PictureRefusal>("refusal");
        QTest::addColumn<QByteArray>("pixels"); // empty: not compared
        const QByteArray ok = MakePcx(0, 0, Bytes({7})), pair = Bytes({0xFF, 1});
        const auto row = [](const char *name, QByteArray f, PictureRefusal e, QByteArray px = {}) {
            QTest::newRow(name) << f << e << px;
        };
        const auto decoded = [&](const char *name, QByteArray f, QByteArray px) {
            row(name, f, PictureRefusal::None, px);
        };
        decoded("version 99 and 0x0102 x 1 are fine",
                With(MakePcx(0x0102, 0, pair.repeated(5)), {{1, 99}}), QByteArray(259, 1));
        row("manufacturer 11", With(ok, {{0, 11}}), PictureRefusal::NotRunLength);
        row("encoding 0", With(ok, {{2, 0}}), PictureRefusal::NotRunLength);
        row("24-bit", With(ok, {{65, 3}}), PictureRefusal::NotIndexed8);
        row("1-bit", With(ok, {{3, 1}}), PictureRefusal::NotIndexed8);
        row("empty", {}, PictureRefusal::TooShort);
        row("header only", ok.left(kHeaderSize), PictureRefusal::TooShort);
        row("895 bytes", ok.left(895), PictureRefusal::TooShort);
        row("all bytes 0xFF", QByteArray(4096, '\xff'), PictureRefusal::NotRunLength);
        row("data ends early", MakePcx(9, 0, Bytes({0xC9, 1})), PictureRefusal::DataEndsEarly);
        row("no data", MakePcx(0, 0, {}), PictureRefusal::SizeBeyondData);
        row("run needs the palette", MakePcx(1, 0, Bytes({4, 0xC1})),
            PictureRefusal::DataEndsEarly);
        row("64 from a pair", MakePcx(63, 0, pair), PictureRefusal::SizeBeyondData);
        decoded("64 from three bytes", MakePcx(63, 0, pair + '\2'), QByteArray(63, 1) + '\2');
        row("65 from three bytes", MakePcx(64, 0, pair + '\2'), PictureRefusal::SizeBeyondData);
        row("65535 x 65535 bomb", MakePcx(65535, 65535, QByteArray(64, '\xff')),
            PictureRefusal::SizeBeyondData);
        decoded("BF, C0 are pixels", MakePcx(2, 0, Bytes({0xBF, 0xC0, 5})), Bytes({0xBF, 0xC0, 5}));
        decoded("C0 early in a long line", MakePcx(99, 0, Bytes({0xC0}) + QByteArray(99, 5)),
                Bytes({0xC0}) + QByteArray(99, 5));
        decoded("run cut at the end, rest ignored", MakePcx(5, 0, Bytes({1, 2, 0xCA, 9, 0xFF})),
                Bytes({1, 2, 9, 9, 9, 9}));
        decoded("Xmin is ignored", With(MakePcx(9, 0, Bytes({0xCA, 4})), {{4, 5}}),
                QByteArray(10, 4));
        QByteArray data, want; // runs of 1 to 63 among spans of literals, 0xC0 one of them
        for (int i = 0; want.size() < 5000; ++i) {
            const int n = i % (i < 200 ? 3 : 37) ? 1 : i % 63 + 1, v = i * 37 % 256;
            data += n > 1 || v > 0xC0 ? Bytes({0xC0 | n, v}) : Bytes({v});
            want += QByteArray(n, char(v));
        }
        decoded("long rows", MakePcx(99, 49, data), want.left(5000));
        row("padding shears rows", MakePcx(2, 2, Bytes({1, 2, 3, 0, 4, 5, 6, 0, 7, 8}), 4),
            PictureRefusal::None, Bytes({1, 2, 3, 0, 4, 5, 6, 0, 7}));
    }
    void readPcx()
    {
        QFETCH(QByteArray, file);
        QFETCH(PictureRefusal, refusal);
        QFETCH(QByteArray, pixels);
        const DecodedPicture pcx = ReadPcx(file);
        QCOMPARE(pcx.refusal, refusal);
        QVERIFY(!PictureRefusalText(refusal).isEmpty());
        if (refusal != PictureRefusal::None) // only the header comes back
            QVERIFY(pcx.palette.isEmpty() && pcx.decoded.empty() && pcx.image.UB1 == 0);
        if (pixels.isEmpty())
            return;
        QCOMPARE(Pixels(pcx.decoded), pixels);
        QCOMPARE(Pixels(pcx.image), pixels);
        // The palette is stored backwards: entry 255 - k holds the file's colour k.
        QCOMPARE(pcx.palette.left(3) + pcx.palette.mid(3 * (255 - 7), 3),
                 Bytes({255, 0, 249, 7, 248, 49}));
    }

    void unreadablePaths()
    {
        QVERIFY(!ReadWholeFile("/no/such.pcx") && !ReadWholeFile("/") &&
                !ReadWholeFile(kUnreadableFile));
    }

    // A step of +1 or -1 lays six pixels out one column wider or narrower.
    void adjust_data()
    {
        Rows({{2, 1, 1, 2, 3, 4, 5, 6, 6, 6},
              {2, -1, 1, 2, 3, 4},
              {1, -1, 1, 2, 3, 4},
              {0, 1},
              {2, 2}});
    }
    void adjust()
    {
        QFETCH(QList<int>, r); // ub1 of 2 rows, step, the pixels after (none: no change)
        const PixelBuffer in = MakePixels(Bytes({1, 2, 3, 4, 5, 6}));
        const auto a = AdjustPcxLayout(in, LayOutPcxImage(in, r[0], 1).value(), r[1]);
        const QByteArray out = a ? Pixels(*a) : QByteArray();
        QCOMPARE(QList<int>(out.begin(), out.end()), r.mid(2));
    }

    // Every sample file is accepted or refused as the manifest says and drawn as Pillow does.
    void corpus()
    {
        REQUIRE_TESTDATA();
        QMap<QString, QByteArray> verdicts, pillow; // name -> verdict; -> index and RGB sums
        bool inPcx = false;
        for (const QByteArray &line : ReadTestFile("MANIFEST.md").split('\n')) {
            inPcx = line.startsWith("## ") ? line.contains("PCX") : inPcx;
            const QByteArray verdict = line.split('|').value(16).trimmed();
            if (inPcx && (verdict == "accept" || verdict == "reject"))
                verdicts.insert(line.split('|')[1].trimmed(), verdict);
        }
        QFile sums(QFINDTESTDATA("data/pcx_pillow.sha1"));
        QVERIFY(verdicts.size() >= 30 && sums.open(QIODevice::ReadOnly));
        for (const QByteArray &line : sums.readAll().split('\n'))
            if (line.count(' ') == 2)
                pillow.insert(line.left(line.indexOf(' ')), line.mid(line.indexOf(' ') + 1));
        for (auto it = verdicts.cbegin(); it != verdicts.cend(); ++it) {
            const DecodedPicture pcx = ReadPcx(ReadTestFile("pcx/" + it.key()));
            QCOMPARE(it.key() + (pcx.accepted() ? " accept" : " reject"),
                     it.key() + ' ' + it.value());
            if (!pillow.contains(it.key()))
                continue;
            PalletArray pallet{};
            ApplyActBytes(pallet, pcx.palette, kPaletteSize);
            QImage shown(pcx.image.width(), pcx.image.height(), QImage::Format_RGB32);
            FillView(shown.bits(), shown.bytesPerLine(), shown.width(), shown.height(), pcx.image,
                     BuildColorTable(pallet, -1), {0, 0, shown.width() - 1, shown.height() - 1, 1});
            QCOMPARE(it.key() + ' ' + Sha1(Pixels(pcx.image.pixels)) + ' ' + Sha1(RgbBytes(shown)),
                     it.key() + ' ' + pillow.take(it.key()));
        }
        QVERIFY2(pillow.isEmpty(), qPrintable(pillow.keys().join(' ')));
    }
    // Value v shows entry 255 - v; searching s, all but s and 255 show s's complement.
    void pixelColor_data()
    {
        Rows({{-1, 7, 248, 7, 200},
              {10, 245, 255, 0, 0},
              {10, 0, 255, 0, 249},
              {10, 100, 0, 255, 255},
              {255, 0, 255, 0, 249},
              {255, 5, 0, 255, 6}});
    }
    void pixelColor()
    {
        QFETCH(QList<int>, r); // search, value, r, g, b
        QCOMPARE(GetPixelColor(RampRed(), r[0], quint8(r[1])), PackColor(r[2], r[3], r[4]));
        QCOMPARE(BuildColorTable(RampRed(), r[0])[quint8(r[1])], qRgb(r[2], r[3], r[4]));
    }

    void drawAxis_data()
    {
        Rows({{99, 1, 99, 0, 1, 0, 99, 1},
              {49, 2, 200, 0, 1, 0, 98, 0},
              {500, 2, 100, 3, 0, 2, 100, 1},
              {500, 2, 100, 7, 0, 4, 100, 1},
              {1000, 1, 300, 700, 0, 700, 300, 1},
              {1000, 1, 300, 701, 0, 0, 1000, 0},
              {60000, 4, 1000, 200000, 0, 50000, 1000, 1}});
    }
    void drawAxis()
    {
        QFETCH(QList<int>, r); // ub, f, area, pos, resets, offset, last, usable
        const DrawAxis a = PlanDrawAxis(r[0], r[1], r[2], r[3]);
        QCOMPARE(QList<int>({DrawResetsScroll(r[0], r[1], r[2]), a.offset, a.last, a.usable}),
                 r.mid(4));
    }

    void fill_data()
    {
        Rows({{1, 1, 20, 20, 0, 0, 0, 0, 4},
              {100, 50, 101, 60, 0, 0, 99, 49, 1},
              {300, 200, 118, 90, 5, 3, 101, 73, 2},
              {20, 20, 30, 30, 0, 0, -1, -1, 1},
              {7, 5, 40, 30, 0, 0, 39, 29, 5},
              {20, 20, 60, 60, 15, 18, 59, 59, 2, 47},
              {13, 11, 80, 70, 0, 0, 48, 40, 3, 130}});
    }
    void fill()
    {
        QFETCH(QList<int>, r); // image w, h, raster w, h, view ox, oy, w, h, f
        const ColorTable table = BuildColorTable(RampRed(), -1);
        QByteArray bytes;
        for (int i = 0; i < r[0] * r[1] - r.value(9); ++i) // r[9]: bytes short of w * h
            bytes += char((i % r[0]) * 31 + (i / r[0]) * 17);
        const PcxImage img(MakePixels(bytes), r[0], r[1], std::size_t(r[0]));
        const DrawView v{r[4], r[5], r[6], r[7], r[8]};
        // Blocks start at multiples of f up to w and h; column c shows ox + c / f.
        QImage expected(r[2], r[3], QImage::Format_RGB32), got = expected;
        expected.fill(Qt::black);
        got.fill(Qt::white); // whatever was there before must go
        for (int x = 0; x < r[2]; ++x)
            for (int y = 0; y < r[3]; ++y)
                if (x / v.f * v.f <= v.w && y / v.f * v.f <= v.h && v.ox + x / v.f <= img.UB1 &&
                    v.oy + y / v.f <= img.UB2)
                    expected.setPixel(x, y, table[img.at(v.ox + x / v.f, v.oy + y / v.f)]);
        FillView(got.bits(), got.bytesPerLine(), r[2], r[3], img, table, v);
        QCOMPARE(got, expected);
        UsageCounts used{}; // value v is entry 255 - v
        for (int i = 0; i < r[0] * r[1]; ++i)
            ++used[255 - img.at(i % r[0], i / r[0])];
        QVERIFY(CountUsage(img) == used);
    }

    void scroll_data()
    {
        // 0: maximum; 1: clamped pos; 2, 3: pos, old f, new f, maximum: a new zoom scales
        // (halves to even), then 1 block left or 2 up; 4: ZoomFactor(percent).
        Rows({{0, 99, 1, 116, 0},
              {0, 50, 2, 200, 100},
              {0, 65535, 4, 1017, 261140},
              {1, 130, 1, 117, 45, 30},
              {1, 50, 1, 200, 12, 0},
              {1, 100, 3, 117, 250, 200},
              {2, 100, 4, 4, 1000, 100},
              {2, 50, 1, 2, 100, 100},
              {2, 10, 4, 3, 1000, 5},
              {2, 6, 4, 3, 1000, 1},
              {3, 100000, 1, 4, 1000000, 399992},
              {4, 150, 2},
              {4, 250, 2},
              {4, 251, 3},
              {4, 350, 4},
              // 5: pos, pointer, old f, new f, limit: the point under the pointer stays.
              {5, 0, 0, 1, 2, 1000, 0},
              {5, 0, 100, 1, 2, 1000, 100},
              {5, 100, 60, 2, 3, 1000, 180},
              {5, 101, 60, 2, 3, 1000, 180}, // from the pixel drawn first
              {5, 300, 90, 3, 1, 1000, 40},
              {5, 0, 90, 3, 1, 1000, 0},
              {5, 0, 300, 1, 4, 500, 500},
              // 6: pos, pointer, old f, n, new f, n, limit; below 100 % as above
              {6, 100, 60, 1, 1, 1, 2, 1000, 20},
              {6, 20, 60, 1, 2, 1, 4, 1000, 0},
              {6, 10, 5, 1, 4, 2, 1, 1000, 115}});
    }
    void scroll()
    {
        QFETCH(QList<int>, r);
        QCOMPARE(r[0] == 0   ? ScrollMaximum(r[1], r[2], r[3])
                 : r[0] == 1 ? ClampScroll(r[4], ScrollLimit(r[1], r[2], r[3]))
                 : r[0] == 2 ? RescaledScrollH(r[1], r[2], r[3], r[4])
                 : r[0] == 3 ? RescaledScrollV(r[1], r[2], r[3], r[4])
                 : r[0] == 5 ? AnchoredScroll(r[1], r[2], r[3], r[4], r[5])
                 : r[0] == 6 ? AnchoredScroll(r[1], r[2], {r[3], r[4]}, {r[5], r[6]}, r[7])
                             : ZoomFactor(r[1]),
                 r.last());
    }

    // The tool's PNG of the picture at factor f is the screen window's drawing of it.
    void indexedPng_data()
    {
        Rows({{3, 2, 1, 1, 1},
              {5, 3, 4, 3, 1},
              {1, 1, 0, 2, 1},
              {700, 400, 0, 1, 2},
              {2, 1, 0, 1 << 30, 0}});
    }
    void indexedPng()
    {
        QFETCH(QList<int>, r); // w, h, bytes short of w * h, f, IDAT chunks (0: refused)
        QByteArray bytes;      // noise: more than one chunk of data when large
        for (quint32 i = 0; i < quint32(r[0] * r[1] - r[2]); ++i)
            bytes += char(i * 2654435761u >> 24);
        const PcxImage img(MakePixels(bytes), r[0], r[1], std::size_t(r[0]));
        const ColorTable table = BuildColorTable(RampRed(), -1);
        QBuffer png;
        png.open(QIODevice::WriteOnly);
        QCOMPARE(WriteIndexedPng(png, img, r[3], table), r[4] > 0);
        if (!r[4])
            return;
        QImage shown(r[0] * r[3], r[1] * r[3], QImage::Format_RGB32);
        FillView(shown.bits(), shown.bytesPerLine(), shown.width(), shown.height(), img, table,
                 {0, 0, shown.width() - 1, shown.height() - 1, r[3]});
        QCOMPARE(QImage::fromData(png.data(), "png").convertToFormat(QImage::Format_RGB32), shown);
        QCOMPARE(png.data().count("IDAT"), r[4]);
        QFile full("/dev/full"); // refuses a write too large for its buffer, as a full disk does
        QVERIFY(r[4] < 2 ||
                (full.open(QIODevice::WriteOnly) && !WriteIndexedPng(full, img, r[3], table)));
    }

    void hitTest_data()
    {
        Rows({{50, 50, 2, 0, 0, 3, 5, 1, 2},
              {500, 500, 2, 5, 7, 3, 3, 3, 5},
              {0, 0, 1, 0, 0, 0, 0, -1, -1},
              {0, 9, 1, 0, 0, 0, 4, 0, 4},
              {10, 10, 2, 0, 0, 22, 0, -1, -1},
              {10, 10, 2, 0, 0, 0, 22, -1, -1},
              {10, 10, 2, 0, 0, 1, 21, 0, 10},
              {500, 500, 1, 0, 0, 284, 5, -1, -1},
              {500, 500, 1, 0, 0, 5, 279, -1, -1},
              {500, 500, 1, 0, 0, 283, 278, 283, 278},
              {100, 100, 2, 3, 0, 1, 0, 2, 0},
              // at 1/n the top-left pixel of the block
              {1000, 500, 1, 3, 2, 10, 20, 104, 176, 8},
              {100, 100, 1, 0, 0, 50, 0, -1, -1, 4},
              {9, 9, 1, 0, 0, 0, 0, 0, 0, 16}});
    }
    void hitTest()
    {
        QFETCH(QList<int>, r); // ub1, ub2, f, scroll h, v, x, y, column, row (-1: none), n
        const auto hit =
            HitTest(r[0], r[1], ZoomScale{r[2], r.value(9, 1)}, r[3], r[4], r[5], r[6], 300, 295);
        QCOMPARE(hit ? QList<int>({hit->column, hit->row}) : QList<int>({-1, -1}), r.mid(7, 2));
    }
};

QTEST_GUILESS_MAIN(TestImageCore)
#include "test_image_core.moc"
