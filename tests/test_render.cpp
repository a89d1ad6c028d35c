#include "image/PcxReader.h"
#include "image/Render.h"
#include "image/ScrollMath.h"
#include "palette/ActApply.h"
#include "support/TestFiles.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QtTest>

namespace {

PalletArray RampPallet()
{
    PalletArray p{};
    for (int i = 0; i < 256; ++i)
        p[std::size_t(i)].set(quint8(i), quint8(255 - i), quint8(i * 7));
    return p;
}

PcxImage PatternImage(int width, int height)
{
    PcxImage img;
    img.UB1 = width - 1;
    img.UB2 = height - 1;
    img.pixels.resize(std::size_t(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            img.pixels[std::size_t(y) * width + x] = quint8((x * 31 + y * 17) & 0xff);
    return img;
}

// The drawing rules pixel by pixel: blocks start at multiples of f up to
// w and h inclusive, each drawn whole; window column c shows image column
// ox + c / f.
QImage ReferenceDraw(int width, int height, const PcxImage &img, const ColorTable &table,
                     const DrawView &v)
{
    QImage out(width, height, QImage::Format_RGB32);
    out.fill(0xff000000u);
    for (int bx = 0; bx <= v.w; bx += v.f) {
        for (int by = 0; by <= v.h; by += v.f) {
            const int ix = v.ox + bx / v.f;
            const int iy = v.oy + by / v.f;
            if (ix > img.UB1 || iy > img.UB2)
                continue;
            for (int j = 0; j < v.f; ++j)
                for (int i = 0; i < v.f; ++i)
                    if (bx + i < width && by + j < height)
                        out.setPixel(bx + i, by + j, table[img.at(ix, iy)]);
        }
    }
    return out;
}

QImage Fill(int width, int height, const PcxImage &img, const ColorTable &table, const DrawView &v)
{
    QImage out(width, height, QImage::Format_RGB32);
    out.fill(0xff123456u); // whatever was there before must go
    FillView(out.bits(), out.bytesPerLine(), width, height, img, table, v);
    return out;
}

// Saves both pictures beside the test binary for a person to compare.
QString KeepMismatch(const QString &name, const QImage &actual, const QImage &expected)
{
    const QString dir = QCoreApplication::applicationDirPath() + QStringLiteral("/render-mismatch");
    QDir().mkpath(dir);
    actual.save(dir + QLatin1Char('/') + name + QStringLiteral("-actual.png"));
    expected.save(dir + QLatin1Char('/') + name + QStringLiteral("-expected.png"));
    return dir;
}

QByteArray RgbBytes(const QImage &img)
{
    QByteArray rgb;
    rgb.reserve(img.width() * img.height() * 3);
    for (int y = 0; y < img.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            rgb += char(qRed(line[x]));
            rgb += char(qGreen(line[x]));
            rgb += char(qBlue(line[x]));
        }
    }
    return rgb;
}

} // namespace

class TestRender : public QObject {
    Q_OBJECT

private slots:
    void zoomFactor_data();
    void zoomFactor();
    void pixelColor_data();
    void pixelColor();
    void drawAxis_data();
    void drawAxis();
    void fillMatchesRules_data();
    void fillMatchesRules();
    void corpusMatchesPillowColours();
    void scrollMaximum_data();
    void scrollMaximum();
    void rescaledScroll_data();
    void rescaledScroll();
    void scrollClamp_data();
    void scrollClamp();
    void hitTest_data();
    void hitTest();
    void actBytes_data();
    void actBytes();
};

void TestRender::zoomFactor_data()
{
    QTest::addColumn<int>("percent");
    QTest::addColumn<int>("factor");
    const int cases[][2] = {{100, 1}, {149, 1}, {150, 2}, {250, 2},
                            {251, 3}, {349, 3}, {350, 4}, {400, 4}};
    for (const auto &c : cases)
        QTest::addRow("%d", c[0]) << c[0] << c[1];
}

void TestRender::zoomFactor()
{
    QFETCH(int, percent);
    QFETCH(int, factor);
    QCOMPARE(ZoomFactor(percent), factor);
}

void TestRender::pixelColor_data()
{
    QTest::addColumn<int>("search");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("r");
    QTest::addColumn<int>("g");
    QTest::addColumn<int>("b");

    // Entry i of the ramp is (i, 255 - i, 7 i mod 256); entry 10 is made red.
    QTest::newRow("7 shows entry 248") << -1 << 7 << 248 << 7 << (248 * 7) % 256;
    QTest::newRow("0 shows entry 255") << -1 << 0 << 255 << 0 << (255 * 7) % 256;
    QTest::newRow("255 shows entry 0") << -1 << 255 << 0 << 255 << 0;
    QTest::newRow("searched entry keeps its colour") << 10 << 245 << 255 << 0 << 0;
    QTest::newRow("entry 255 keeps its colour") << 10 << 0 << 255 << 0 << (255 * 7) % 256;
    QTest::newRow("others take the complement") << 10 << 100 << 0 << 255 << 255;
    QTest::newRow("search 255: value 0 own") << 255 << 0 << 255 << 0 << (255 * 7) % 256;
    QTest::newRow("search 255: others complement") << 255 << 5 << 0 << 255 << 255 - (255 * 7) % 256;
}

void TestRender::pixelColor()
{
    QFETCH(int, search);
    QFETCH(int, value);
    QFETCH(int, r);
    QFETCH(int, g);
    QFETCH(int, b);

    PalletArray p = RampPallet();
    p[10].set(255, 0, 0);
    QCOMPARE(GetPixelColor(p, search, quint8(value)), PackColor(r, g, b));
    QCOMPARE(BuildColorTable(p, search)[std::size_t(value)],
             0xff000000u | (r << 16) | (g << 8) | b);
}

void TestRender::drawAxis_data()
{
    QTest::addColumn<int>("ub");
    QTest::addColumn<int>("f");
    QTest::addColumn<int>("area");
    QTest::addColumn<int>("pos");
    QTest::addColumn<bool>("resets");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("last");
    QTest::addColumn<bool>("usable");

    QTest::newRow("100 wide in 99: usable, 0..99") << 99 << 1 << 99 << 0 << true << 0 << 99 << true;
    QTest::newRow("smaller than the area") << 49 << 2 << 200 << 0 << true << 0 << 98 << false;
    QTest::newRow("3 / 2 -> 2") << 500 << 2 << 100 << 3 << false << 2 << 100 << true;
    QTest::newRow("5 / 2 -> 2") << 500 << 2 << 100 << 5 << false << 2 << 100 << true;
    QTest::newRow("7 / 2 -> 4") << 500 << 2 << 100 << 7 << false << 4 << 100 << true;
    QTest::newRow("offset plus area just fits")
        << 1000 << 1 << 300 << 700 << false << 700 << 300 << true;
    QTest::newRow("past the end: unusable")
        << 1000 << 1 << 300 << 701 << false << 0 << 1000 << false;
    QTest::newRow("beyond 16 bits")
        << 60000 << 4 << 1000 << 200000 << false << 50000 << 1000 << true;
}

void TestRender::drawAxis()
{
    QFETCH(int, ub);
    QFETCH(int, f);
    QFETCH(int, area);
    QFETCH(int, pos);
    QFETCH(bool, resets);
    QFETCH(int, offset);
    QFETCH(int, last);
    QFETCH(bool, usable);

    QCOMPARE(DrawResetsScroll(ub, f, area), resets);
    const DrawAxis a = PlanDrawAxis(ub, f, area, pos);
    QCOMPARE(a.offset, offset);
    QCOMPARE(a.last, last);
    QCOMPARE(a.usable, usable);
}

void TestRender::fillMatchesRules_data()
{
    QTest::addColumn<int>("imageW");
    QTest::addColumn<int>("imageH");
    QTest::addColumn<int>("rasterW");
    QTest::addColumn<int>("rasterH");
    QTest::addColumn<int>("ox");
    QTest::addColumn<int>("oy");
    QTest::addColumn<int>("w");
    QTest::addColumn<int>("h");
    QTest::addColumn<int>("f");

    QTest::newRow("start image at 1") << 1 << 1 << 20 << 20 << 0 << 0 << 0 << 0 << 1;
    QTest::newRow("start image at 4") << 1 << 1 << 20 << 20 << 0 << 0 << 0 << 0 << 4;
    QTest::newRow("100 in 99, column 99 under the bar")
        << 100 << 50 << 101 << 60 << 0 << 0 << 99 << 49 << 1;
    QTest::newRow("scrolled 1:1") << 300 << 200 << 117 << 90 << 40 << 70 << 100 << 73 << 1;
    QTest::newRow("zoom 2, last block past w")
        << 300 << 200 << 118 << 90 << 5 << 3 << 101 << 73 << 2;
    QTest::newRow("zoom 3, cut by the raster")
        << 300 << 200 << 100 << 77 << 9 << 1 << 100 << 80 << 3;
    QTest::newRow("zoom 4, image smaller") << 13 << 11 << 80 << 70 << 0 << 0 << 48 << 40 << 4;
    QTest::newRow("offset beyond the image stays black")
        << 20 << 20 << 60 << 60 << 15 << 18 << 59 << 59 << 2;
    QTest::newRow("nothing to draw") << 20 << 20 << 30 << 30 << 0 << 0 << -1 << -1 << 1;
}

void TestRender::fillMatchesRules()
{
    QFETCH(int, imageW);
    QFETCH(int, imageH);
    QFETCH(int, rasterW);
    QFETCH(int, rasterH);
    QFETCH(int, ox);
    QFETCH(int, oy);
    QFETCH(int, w);
    QFETCH(int, h);
    QFETCH(int, f);

    const PcxImage img = PatternImage(imageW, imageH);
    const ColorTable table = BuildColorTable(RampPallet(), -1);
    const DrawView view{ox, oy, w, h, f};
    const QImage actual = Fill(rasterW, rasterH, img, table, view);
    const QImage expected = ReferenceDraw(rasterW, rasterH, img, table, view);
    if (actual != expected) {
        const QString name = QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'_');
        QFAIL(qPrintable(QStringLiteral("pixels differ, see ") +
                         KeepMismatch(name, actual, expected)));
    }
}

void TestRender::corpusMatchesPillowColours()
{
    REQUIRE_TESTDATA();
    QFile list(QFINDTESTDATA("data/pcx_pillow.sha1"));
    QVERIFY(list.open(QIODevice::ReadOnly));
    int compared = 0;
    while (!list.atEnd()) {
        const QList<QByteArray> cells = list.readLine().simplified().split(' ');
        if (cells.size() != 3)
            continue;
        const QString name = QString::fromLatin1(cells[0]);
        const QByteArray file = ReadTestFile(QStringLiteral("pcx/") + name);
        const PcxFile pcx = ReadPcx(file);
        QVERIFY2(pcx.accepted(), qPrintable(name));

        PalletArray pallet{};
        QCOMPARE(ApplyActBytes(pallet, pcx.palette, pcx.palette.size()), 256);
        const int width = pcx.image.width();
        const int height = pcx.image.height();
        const DrawAxis ax = PlanDrawAxis(pcx.image.UB1, 1, width, 0);
        const DrawAxis ay = PlanDrawAxis(pcx.image.UB2, 1, height, 0);
        const QImage actual = Fill(width, height, pcx.image, BuildColorTable(pallet, -1),
                                   DrawView{ax.offset, ay.offset, ax.last, ay.last, 1});

        const QByteArray rgb = RgbBytes(actual);
        const QByteArray sha1 = QCryptographicHash::hash(rgb, QCryptographicHash::Sha1).toHex();
        if (sha1 != cells[2]) {
            // Index v in the file's own palette order, without the reversal.
            QImage expected(width, height, QImage::Format_RGB32);
            const qsizetype base = file.size() - kPaletteSize;
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x) {
                    const qsizetype at = base + 3 * pcx.image.at(x, y);
                    expected.setPixel(
                        x, y, qRgb(quint8(file[at]), quint8(file[at + 1]), quint8(file[at + 2])));
                }
            QFAIL(qPrintable(name + QStringLiteral(" differs from Pillow, see ") +
                             KeepMismatch(name, actual, expected)));
        }
        ++compared;
    }
    QVERIFY(compared > 0);
}

void TestRender::scrollMaximum_data()
{
    QTest::addColumn<int>("ub");
    QTest::addColumn<int>("f");
    QTest::addColumn<int>("inner");
    QTest::addColumn<int>("maximum");

    QTest::newRow("area 30 narrower") << 130 << 1 << 117 << 30;
    QTest::newRow("area equal") << 99 << 1 << 116 << 0;
    QTest::newRow("image smaller: the zoomed size") << 99 << 1 << 130 << 99;
    QTest::newRow("zoom 2") << 200 << 2 << 117 << 300;
    QTest::newRow("beyond 16 bits") << 65535 << 4 << 1017 << 261140;
}

void TestRender::scrollMaximum()
{
    QFETCH(int, ub);
    QFETCH(int, f);
    QFETCH(int, inner);
    QFETCH(int, maximum);
    QCOMPARE(ScrollMaximum(ub, f, inner), maximum);
}

void TestRender::rescaledScroll_data()
{
    QTest::addColumn<bool>("vertical");
    QTest::addColumn<int>("pos");
    QTest::addColumn<int>("f");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("expected");

    QTest::newRow("10 across at 1") << false << 10 << 1 << 1000 << 9;
    QTest::newRow("10 down at 1") << true << 10 << 1 << 1000 << 8;
    QTest::newRow("zoom 100 to 200 from 50") << false << 50 << 2 << 1000 << 98;
    QTest::newRow("98 + 2 reaches the maximum") << false << 50 << 2 << 100 << 100;
    QTest::newRow("never below 0") << true << 1 << 1 << 1000 << 0;
    QTest::newRow("at 0 with maximum 0") << false << 0 << 1 << 0 << 0;
    QTest::newRow("large") << true << 100000 << 4 << 1000000 << 399992;
}

void TestRender::rescaledScroll()
{
    QFETCH(bool, vertical);
    QFETCH(int, pos);
    QFETCH(int, f);
    QFETCH(int, maximum);
    QFETCH(int, expected);
    QCOMPARE(vertical ? RescaledScrollV(pos, f, maximum) : RescaledScrollH(pos, f, maximum),
             expected);
}

void TestRender::scrollClamp_data()
{
    QTest::addColumn<int>("ub");
    QTest::addColumn<int>("f");
    QTest::addColumn<int>("inner");
    QTest::addColumn<int>("pos");
    QTest::addColumn<int>("expected");

    QTest::newRow("pulled back to 30") << 130 << 1 << 117 << 45 << 30;
    QTest::newRow("below the limit stays") << 130 << 1 << 117 << 29 << 29;
    QTest::newRow("negative limit is 0") << 50 << 1 << 200 << 12 << 0;
    QTest::newRow("zoom 3") << 100 << 3 << 117 << 250 << 200;
}

void TestRender::scrollClamp()
{
    QFETCH(int, ub);
    QFETCH(int, f);
    QFETCH(int, inner);
    QFETCH(int, pos);
    QFETCH(int, expected);
    QCOMPARE(ClampScroll(pos, ScrollLimit(ub, f, inner)), expected);
}

void TestRender::hitTest_data()
{
    QTest::addColumn<int>("ub1");
    QTest::addColumn<int>("ub2");
    QTest::addColumn<int>("f");
    QTest::addColumn<int>("scrollH");
    QTest::addColumn<int>("scrollV");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("column"); // -1: no hit
    QTest::addColumn<int>("row");

    QTest::newRow("zoom 2: pointer 1 is column 0") << 50 << 50 << 2 << 0 << 0 << 1 << 0 << 0 << 0;
    QTest::newRow("zoom 2: pointer 2 is column 1") << 50 << 50 << 2 << 0 << 0 << 2 << 0 << 1 << 0;
    QTest::newRow("zoom 2: pointer 3 is column 1") << 50 << 50 << 2 << 0 << 0 << 3 << 5 << 1 << 2;
    QTest::newRow("scrolled at zoom 2") << 500 << 500 << 2 << 5 << 7 << 3 << 3 << 3 << 5;
    QTest::newRow("1 x 1 image") << 0 << 0 << 1 << 0 << 0 << 0 << 0 << -1 << -1;
    QTest::newRow("one pixel wide still hits") << 0 << 9 << 1 << 0 << 0 << 0 << 4 << 0 << 4;
    QTest::newRow("right of the image") << 10 << 10 << 2 << 0 << 0 << 22 << 0 << -1 << -1;
    QTest::newRow("last pixel of the last block") << 10 << 10 << 2 << 0 << 0 << 21 << 21 << 10 << 10;
    QTest::newRow("on the last block column") << 10 << 10 << 2 << 0 << 0 << 20 << 20 << 10 << 10;
    QTest::newRow("over the vertical bar") << 500 << 500 << 1 << 0 << 0 << 284 << 5 << -1 << -1;
    QTest::newRow("over the horizontal bar") << 500 << 500 << 1 << 0 << 0 << 5 << 279 << -1 << -1;
    QTest::newRow("edge of the area") << 500 << 500 << 1 << 0 << 0 << 283 << 278 << 283 << 278;
    QTest::newRow("kept inside the image") << 100 << 100 << 2 << 400 << 0 << 50 << 0 << 100 << 0;
}

void TestRender::hitTest()
{
    QFETCH(int, ub1);
    QFETCH(int, ub2);
    QFETCH(int, f);
    QFETCH(int, scrollH);
    QFETCH(int, scrollV);
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(int, column);
    QFETCH(int, row);

    // Inner area 300 x 295: drawing area 283 x 278.
    const std::optional<HitPixel> hit = HitTest(ub1, ub2, f, scrollH, scrollV, x, y, 300, 295);
    QCOMPARE(hit.has_value(), column >= 0);
    if (hit) {
        QCOMPARE(hit->column, column);
        QCOMPARE(hit->row, row);
    }
}

void TestRender::actBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("applied");
    QTest::addColumn<int>("lastBlue"); // blue of the last applied entry

    QTest::newRow("768 bytes") << QByteArray(768, 9) << 256 << 9;
    QTest::newRow("single trailing byte ignored") << QByteArray(7, 9) << 2 << 9;
    QTest::newRow("trailing pair has blue 0") << QByteArray(8, 9) << 3 << 0;
    QTest::newRow("longer than 768") << QByteArray(1000, 9) << 256 << 9;
    QTest::newRow("empty") << QByteArray() << 0 << -1;
}

void TestRender::actBytes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, applied);
    QFETCH(int, lastBlue);

    PalletArray p = RampPallet();
    const PalletArray before = p;
    QCOMPARE(ApplyActBytes(p, bytes, bytes.size()), applied);
    if (applied > 0) {
        QCOMPARE(int(p[std::size_t(applied - 1)].B), lastBlue);
        QCOMPARE(p[std::size_t(applied - 1)].color(), PackColor(9, 9, lastBlue));
    }
    for (int i = applied; i <= 256; ++i)
        QVERIFY(p[std::size_t(i)] == before[std::size_t(i)]);
}

QTEST_GUILESS_MAIN(TestRender)
#include "test_render.moc"
