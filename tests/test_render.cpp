#include "image/PcxReader.h"
#include "image/Render.h"
#include "image/ScrollMath.h"
#include "palette/ActApply.h"
#include "support/TestFiles.h"

#include <QCryptographicHash>
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

QImage Fill(int width, int height, const PcxImage &img, const ColorTable &table, const DrawView &v)
{
    QImage out(width, height, QImage::Format_RGB32);
    out.fill(0xff123456u); // whatever was there before must go
    FillView(out.bits(), out.bytesPerLine(), width, height, img, table, v);
    return out;
}

} // namespace

class TestRender : public QObject {
    Q_OBJECT

private slots:
    void zoomFactor()
    {
        for (auto [percent, factor] : {std::pair{100, 1},
                                       {149, 1},
                                       {150, 2},
                                       {250, 2},
                                       {251, 3},
                                       {349, 3},
                                       {350, 4},
                                       {400, 4}})
            QCOMPARE(std::pair(percent, ZoomFactor(percent)), std::pair(percent, factor));
    }

    void pixelColor()
    {
        PalletArray p = RampPallet(); // entry i is (i, 255 - i, 7i mod 256)
        p[10].set(255, 0, 0);
        const int c255 = (255 * 7) % 256;
        // search, value, expected r, g, b
        const int rows[][5] = {{-1, 7, 248, 7, (248 * 7) % 256},
                               {-1, 0, 255, 0, c255},
                               {-1, 255, 0, 255, 0},
                               {10, 245, 255, 0, 0},
                               {10, 0, 255, 0, c255},
                               {10, 100, 0, 255, 255},
                               {255, 0, 255, 0, c255},
                               {255, 5, 0, 255, 255 - c255}};
        for (const auto &r : rows) {
            QCOMPARE(GetPixelColor(p, r[0], quint8(r[1])), PackColor(r[2], r[3], r[4]));
            QCOMPARE(BuildColorTable(p, r[0])[std::size_t(r[1])], qRgb(r[2], r[3], r[4]));
        }
    }

    void drawAxis()
    {
        // ub, f, area, pos, resets, offset, last, usable
        const int rows[][8] = {{99, 1, 99, 0, 1, 0, 99, 1},
                               {49, 2, 200, 0, 1, 0, 98, 0},
                               {500, 2, 100, 3, 0, 2, 100, 1},
                               {500, 2, 100, 7, 0, 4, 100, 1},
                               {1000, 1, 300, 700, 0, 700, 300, 1},
                               {1000, 1, 300, 701, 0, 0, 1000, 0},
                               {60000, 4, 1000, 200000, 0, 50000, 1000, 1}};
        for (const auto &r : rows) {
            const DrawAxis a = PlanDrawAxis(r[0], r[1], r[2], r[3]);
            QCOMPARE(QList<int>({DrawResetsScroll(r[0], r[1], r[2]), a.offset, a.last, a.usable}),
                     QList<int>({r[4], r[5], r[6], r[7]}));
        }
    }

    void fillMatchesRules()
    {
        const ColorTable table = BuildColorTable(RampPallet(), -1);
        // image w, h, raster w, h, view ox, oy, w, h, f
        const int rows[][9] = {
            {1, 1, 20, 20, 0, 0, 0, 0, 4},         {100, 50, 101, 60, 0, 0, 99, 49, 1},
            {300, 200, 118, 90, 5, 3, 101, 73, 2}, {300, 200, 100, 77, 9, 1, 100, 80, 3},
            {13, 11, 80, 70, 0, 0, 48, 40, 4},     {20, 20, 60, 60, 15, 18, 59, 59, 2},
            {20, 20, 30, 30, 0, 0, -1, -1, 1}};
        for (const auto &r : rows) {
            PcxImage img;
            img.UB1 = r[0] - 1;
            img.UB2 = r[1] - 1;
            for (int i = 0; i < r[0] * r[1]; ++i)
                img.pixels.push_back(quint8((i % r[0]) * 31 + (i / r[0]) * 17));
            const DrawView v{r[4], r[5], r[6], r[7], r[8]};
            // The rules pixel by pixel: blocks start at multiples of f up to w and h
            // inclusive, each drawn whole; window column c shows image column ox + c / f.
            QImage expected(r[2], r[3], QImage::Format_RGB32);
            expected.fill(0xff000000u);
            for (int bx = 0; bx <= v.w; bx += v.f)
                for (int by = 0; by <= v.h; by += v.f)
                    for (int k = 0; k < v.f * v.f; ++k)
                        if (v.ox + bx / v.f <= img.UB1 && v.oy + by / v.f <= img.UB2 &&
                            expected.valid(bx + k % v.f, by + k / v.f))
                            expected.setPixel(bx + k % v.f, by + k / v.f,
                                              table[img.at(v.ox + bx / v.f, v.oy + by / v.f)]);
            QCOMPARE(Fill(r[2], r[3], img, table, v), expected);
        }
    }

    void corpusMatchesPillowColours()
    {
        REQUIRE_TESTDATA();
        QFile list(QFINDTESTDATA("data/pcx_pillow.sha1"));
        QVERIFY(list.open(QIODevice::ReadOnly));
        int compared = 0;
        while (!list.atEnd()) {
            const QList<QByteArray> cells = list.readLine().simplified().split(' ');
            if (cells.size() != 3)
                continue;
            const PcxFile pcx = ReadPcx(ReadTestFile(QStringLiteral("pcx/") + cells[0]));
            QVERIFY2(pcx.accepted(), cells[0]);
            PalletArray pallet{};
            QCOMPARE(ApplyActBytes(pallet, pcx.palette, pcx.palette.size()), 256);
            const int width = pcx.image.width(), height = pcx.image.height();
            const DrawAxis ax = PlanDrawAxis(pcx.image.UB1, 1, width, 0);
            const DrawAxis ay = PlanDrawAxis(pcx.image.UB2, 1, height, 0);
            const QImage shown = Fill(width, height, pcx.image, BuildColorTable(pallet, -1),
                                      DrawView{ax.offset, ay.offset, ax.last, ay.last, 1});
            QByteArray rgb;
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x)
                    rgb += QByteArray::fromHex(QByteArray::number(shown.pixel(x, y) & 0xffffff, 16)
                                                   .rightJustified(6, '0'));
            QCOMPARE(cells[0] + ' ' +
                         QCryptographicHash::hash(rgb, QCryptographicHash::Sha1).toHex(),
                     cells[0] + ' ' + cells[2]);
            ++compared;
        }
        QVERIFY(compared > 0);
    }

    void scrollMath()
    {
        // ub, f, inner, ScrollMaximum
        for (const auto &r : {std::array{130, 1, 117, 30},
                              {99, 1, 116, 0},
                              {99, 1, 130, 99},
                              {200, 2, 117, 300},
                              {65535, 4, 1017, 261140}})
            QCOMPARE(ScrollMaximum(r[0], r[1], r[2]), r[3]);
        // ub, f, inner, pos, clamped
        for (const auto &r : {std::array{130, 1, 117, 45, 30},
                              {130, 1, 117, 29, 29},
                              {50, 1, 200, 12, 0},
                              {100, 3, 117, 250, 200}})
            QCOMPARE(ClampScroll(r[3], ScrollLimit(r[0], r[1], r[2])), r[4]);
        // vertical, pos, old f, new f, maximum, rescaled: a resize keeps the
        // position; a new zoom scales it, then 1 block left or 2 up
        for (const auto &r : {std::array{0, 100, 4, 4, 1000, 100},
                              {1, 100, 1, 1, 50, 50},
                              {0, 50, 1, 2, 1000, 98},
                              {1, 50, 1, 2, 1000, 96},
                              {0, 50, 2, 4, 1000, 96},
                              {0, 50, 1, 2, 100, 100},
                              {0, 10, 4, 3, 1000, 5}, // 7.5 and 4.5 go to even
                              {0, 6, 4, 3, 1000, 1},
                              {1, 1, 2, 1, 1000, 0},
                              {1, 100000, 1, 4, 1000000, 399992}})
            QCOMPARE(r[0] ? RescaledScrollV(r[1], r[2], r[3], r[4])
                          : RescaledScrollH(r[1], r[2], r[3], r[4]),
                     r[5]);
    }

    void hitTest()
    {
        // ub1, ub2, f, scrollH, scrollV, x, y, column, row (-1: no hit); drawing area 283 x 278
        const int rows[][9] = {{50, 50, 2, 0, 0, 1, 0, 0, 0},
                               {50, 50, 2, 0, 0, 3, 5, 1, 2},
                               {500, 500, 2, 5, 7, 3, 3, 3, 5},
                               {0, 0, 1, 0, 0, 0, 0, -1, -1},
                               {0, 9, 1, 0, 0, 0, 4, 0, 4},
                               {10, 10, 2, 0, 0, 22, 0, -1, -1},
                               {10, 10, 2, 0, 0, 21, 21, 10, 10},
                               {10, 10, 2, 0, 0, 20, 20, 10, 10},
                               {500, 500, 1, 0, 0, 284, 5, -1, -1},
                               {500, 500, 1, 0, 0, 5, 279, -1, -1},
                               {500, 500, 1, 0, 0, 283, 278, 283, 278},
                               {100, 100, 2, 400, 0, 50, 0, 100, 0}};
        for (const auto &r : rows) {
            const auto hit = HitTest(r[0], r[1], r[2], r[3], r[4], r[5], r[6], 300, 295);
            QCOMPARE(hit ? QPoint(hit->column, hit->row) : QPoint(-1, -1), QPoint(r[7], r[8]));
        }
    }

    void actBytes()
    {
        // size of the bytes (all 9), entries applied, blue of the last one
        for (auto [size, applied, lastBlue] :
             {std::tuple{768, 256, 9}, {7, 2, 9}, {8, 3, 0}, {1000, 256, 9}, {0, 0, -1}}) {
            PalletArray p = RampPallet();
            const PalletArray before = p;
            QCOMPARE(ApplyActBytes(p, QByteArray(size, 9), size), applied);
            if (applied > 0)
                QCOMPARE(p[std::size_t(applied - 1)].color(), PackColor(9, 9, lastBlue));
            for (int i = applied; i <= 256; ++i)
                QVERIFY(p[std::size_t(i)] == before[std::size_t(i)]);
        }
    }
};

QTEST_GUILESS_MAIN(TestRender)
#include "test_render.moc"
