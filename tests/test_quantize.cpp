#include "convert/Quantize.h"

#include <QtTest>

#include <cmath>
#include <set>

using Bytes = std::vector<std::uint8_t>;
using L = QList<int>;

class TestQuantize : public QObject {
    Q_OBJECT

private slots:
    // A small spot of a colour unlike the rest of the picture gets an entry.
    void spotKept_data()
    {
        QTest::addColumn<int>("n");
        QTest::newRow("16") << 16;
        QTest::newRow("32") << 32;
    }
    void spotKept()
    {
        QFETCH(int, n);
        // Warm shades over the whole picture, and 12 pixels of blue-grey.
        constexpr int side = 100;
        Bytes rgba;
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x) {
                const bool spot = y >= 48 && y < 52 && x >= 40 && x < 43;
                const Rgb8 c =
                    spot ? Rgb8{std::uint8_t(70 + (x + y) % 3 * 4), 100,
                                std::uint8_t(150 + x * y % 5)}
                         : Rgb8{std::uint8_t(40 + 2 * x), std::uint8_t(20 + y * 3 / 2 + x * y % 7),
                                std::uint8_t(10 + x + y / 2)};
                rgba.insert(rgba.end(), {c.r, c.g, c.b, 255});
            }
        const Vec3 spot = OklabOf({74, 100, 152});
        float nearest = INFINITY;
        for (const Rgb8 &c : MakePalette(rgba.data(), side, side, n, false).colours)
            nearest = std::min(nearest, Distance2(spot, OklabOf(c)));
        QVERIFY2(nearest < 0.05f * 0.05f, qPrintable(QString::number(std::sqrt(nearest) * 100)));
    }

    void quantize_data()
    {
        QTest::addColumn<L>("picture"); // distinct colours, of them transparent, pixels, alpha
        QTest::addColumn<int>("n");
        QTest::addColumn<int>("want"); // the palette's size; 0: none
        QTest::newRow("2 colours into 2") << L{2, 0, 64, 255} << 2 << 2;
        QTest::newRow("256 colours into 256") << L{256, 0, 4096, 255} << 256 << 256;
        QTest::newRow("3 colours into 2") << L{3, 0, 64, 255} << 2 << 2;
        QTest::newRow("5000 colours into 16") << L{5000, 0, 20000, 255} << 16 << 16;
        QTest::newRow("cells past 2^18 colours") << L{300000, 0, 300000, 255} << 256 << 256;
        QTest::newRow("transparent left out") << L{3, 1, 64, 128} << 2 << 2;
        QTest::newRow("1 is too few") << L{3, 0, 64, 255} << 1 << 0;
        QTest::newRow("257 is too many") << L{300, 0, 640, 255} << 257 << 0;
    }
    void quantize()
    {
        QFETCH(L, picture);
        QFETCH(int, n);
        QFETCH(int, want);
        const int alpha = picture[3];
        // Half-transparent pixels are drawn over black.
        const auto over = [alpha](int c) { return (c * alpha + 127) / 255; };
        std::set<int> drawn;
        Bytes rgba;
        for (int i = 0; i < picture[2]; ++i) {
            const int k = i % picture[0], r = k * 97 % 256, g = k >> 8 & 255, b = k >> 16;
            const bool clear = k < picture[1];
            rgba.insert(rgba.end(), {std::uint8_t(r), std::uint8_t(g), std::uint8_t(b),
                                     std::uint8_t(clear ? 127 : alpha)});
            if (!clear)
                drawn.insert(over(r) << 16 | over(g) << 8 | over(b));
        }
        const NewPalette got = MakePalette(rgba.data(), picture[2], 1, n, true);
        QCOMPARE(int(got.colours.size()), want);
        QCOMPARE(got.exact, want > 0 && int(drawn.size()) <= n);
        std::set<int> made;
        for (std::size_t i = 0; i < got.colours.size(); ++i) {
            const Rgb8 c = got.colours[i];
            made.insert(c.r << 16 | c.g << 8 | c.b);
            if (i > 0) // dark to light
                QVERIFY(OklabOf(got.colours[i - 1]).x <= OklabOf(c).x);
        }
        if (got.exact)
            QCOMPARE(made, drawn);
    }
};

QTEST_GUILESS_MAIN(TestQuantize)
#include "test_quantize.moc"
