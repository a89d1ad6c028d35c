#include "model/ZoomOut.h"
#include "support/NumberRows.h"
#include "support/PcxBuilder.h"

#include <QtTest>

class TestZoomOut : public QObject {
    Q_OBJECT
private slots:
    // Below 100 %: the block's mean in linear light over the pixels it covers; a block
    // holding the marked value shows that value's colour.
    void reduced_data()
    {
        // picture: 0 checkerboard of 0 and 1, 1 all 1, 2 the board with (0,0) = 2
        Rows({{0, 2, 2, 0, 2, 0, 0, -1, 0, 0, 188, 92, 0}, // not the sRGB mean 128, 64, 0
              {0, 3, 3, 0, 2, 0, 0, -1, 1, 0, 188, 92, 0},
              {0, 3, 3, 0, 2, 0, 0, -1, 0, 1, 188, 92, 0},
              {1, 3, 3, 0, 2, 0, 0, -1, 1, 1, 255, 128, 0},
              {1, 3, 3, 0, 2, 0, 0, -1, 2, 0, 0, 0, 0},
              {0, 4, 4, 2, 2, 0, 0, -1, 1, 1, 137, 66, 0}, // the last 2 read byte 13, a 0
              {2, 4, 4, 0, 2, 0, 0, 2, 0, 0, 0, 0, 255},
              {2, 4, 4, 0, 2, 0, 0, 2, 1, 0, 188, 92, 0},
              {2, 4, 4, 0, 2, 1, 0, -1, 0, 0, 188, 92, 0},
              {0, 64, 64, 0, 64, 0, 0, -1, 0, 0, 188, 92, 0},
              {1, 256, 256, 0, 256, 0, 0, -1, 0, 0, 255, 128, 0},
              {0, 2048, 1024, 0, 2, 0, 0, -1, 700, 400, 188, 92, 0}});
    }
    void reduced()
    {
        QFETCH(QList<int>, r); // picture, w, h, bytes short, n, ox, oy, marked, x, y, r, g, b
        QByteArray bytes;
        for (int i = 0; i < r[1] * r[2] - r[3]; ++i)
            bytes += char(r[0] == 1 ? 1 : r[0] == 2 && i == 0 ? 2 : (i % r[1] + i / r[1]) % 2);
        const PcxImage img(MakePixels(bytes), r[1], r[2], std::size_t(r[1]));
        ColorTable table{};
        table[0] = qRgb(0, 0, 0), table[1] = qRgb(255, 128, 0), table[2] = qRgb(0, 0, 255);
        QImage got(1100, 600, QImage::Format_RGB32);
        FillReducedView(got.bits(), got.bytesPerLine(), got.width(), got.height(), img, table,
                        {r[5], r[6], got.width() - 1, got.height() - 1, r[4]}, r[7]);
        QCOMPARE(got.pixel(r[8], r[9]), qRgb(r[10], r[11], r[12]));
    }

    // The largest of 1, 1/2 ... 1/256 at which no scroll bar is needed.
    void fit_data()
    {
        Rows({{282, 100, 283, 278, 1},
              {283, 100, 283, 278, 2},
              {2000, 3000, 283, 278, 16},
              {65535, 10, 283, 278, 256},
              {65535, 10, 0, 0, 256}});
    }
    void fit()
    {
        QFETCH(QList<int>, r); // ub1, ub2, area w, h, n
        QCOMPARE(FitReduction(r[0], r[1], r[2], r[3]), r[4]);
    }
};

QTEST_GUILESS_MAIN(TestZoomOut)
#include "test_zoom_out.moc"
