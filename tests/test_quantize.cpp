#include "convert/Quantize.h"
#include "convert/SharedPalette.h"

#include "base/Progress.h"

#include <QtTest>

#include <cmath>
#include <set>

using Bytes = std::vector<std::uint8_t>;
using L = QList<int>;

namespace {

// Shades 12 apart in each channel, 16 a side: neighbours about 0.03 apart in OKLab.
Rgb8 Shade(int k)
{
    return {std::uint8_t(40 + k % 16 * 12), std::uint8_t(30 + k / 16 % 16 * 12),
            std::uint8_t(90 + k / 256 * 40)};
}

// Colours first..first+count-1, each `times` pixels.
Bytes Shades(int first, int count, int times)
{
    Bytes rgba;
    for (int k = first; k < first + count; ++k)
        for (int t = 0; t < times; ++t) {
            const Rgb8 c = Shade(k);
            rgba.insert(rgba.end(), {c.r, c.g, c.b, 255});
        }
    return rgba;
}

} // namespace

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

    // Locked entries keep their colour and serve, reserved and outside ones
    // are left alone, and no new colour crowds a locked one.
    void goalKept_data()
    {
        QTest::addColumn<L>("span");   // first, count
        QTest::addColumn<L>("locked"); // entries, each of its shade (entry mod colours)
        QTest::addColumn<L>("reserved");
        QTest::addColumn<L>("picture"); // distinct shades, red added to the locked shades
        QTest::addColumn<bool>("exact");
        QTest::newRow("locks beside common colours")
            << L{0, 256} << L{0, 5, 77, 200} << L{} << L{1000, 1} << false;
        QTest::newRow("reserved, locks in and out")
            << L{16, 32} << L{16, 20, 47, 100} << L{17, 30} << L{1000, 0} << false;
        QTest::newRow("few colours, locks exact")
            << L{0, 16} << L{1, 2} << L{0} << L{10, 0} << true;
        QTest::newRow("few colours, a lock near")
            << L{0, 16} << L{1, 2} << L{0} << L{10, 1} << false;
        QTest::newRow("stopped") << L{0, 256} << L{3} << L{} << L{1000, 0} << false;
    }
    void goalKept()
    {
        QFETCH(L, span);
        QFETCH(L, locked);
        QFETCH(L, reserved);
        QFETCH(L, picture);
        QFETCH(bool, exact);
        PaletteGoal goal{span[0], span[1], {}, {}, {}};
        for (int e = 0; e < 256; ++e)
            goal.start[std::size_t(e)] = {std::uint8_t(e), std::uint8_t(255 - e), 9};
        for (int e : locked) {
            Rgb8 &c = goal.start[std::size_t(e)] = Shade(e % picture[0]);
            c.r = std::uint8_t(c.r + picture[1]);
            goal.locked.set(std::size_t(e));
        }
        for (int e : reserved)
            goal.reserved.set(std::size_t(e));
        // The locked shades are common in the picture: an entry of their own pays.
        Bytes rgba = Shades(0, picture[0], 3);
        for (int e : locked) {
            const Bytes more = Shades(e % picture[0], 1, 100);
            rgba.insert(rgba.end(), more.begin(), more.end());
        }
        ColourTally tally;
        tally.add(rgba.data(), int(rgba.size() / 4), 1, false);
        Progress progress;
        if (QTest::currentDataTag() == QByteArray("stopped"))
            progress.Stop();
        const SharedPalette got = MakeSharedPalette(tally, goal, &progress);
        QCOMPARE(got.candidates.empty(), progress.Stopped());
        QCOMPARE(got.exact, exact);
        std::set<int> served;
        for (const Candidate &c : got.candidates) {
            QCOMPARE(got.colours[std::size_t(c.entry)], c.colour);
            QVERIFY(!goal.reserved[std::size_t(c.entry)]);
            served.insert(c.entry);
        }
        for (int e = 0; e < 256; ++e) {
            const bool inside = e >= span[0] && e < span[0] + span[1];
            const bool lock = goal.locked[std::size_t(e)];
            if (!inside || lock || goal.reserved[std::size_t(e)])
                QCOMPARE(got.colours[std::size_t(e)], goal.start[std::size_t(e)]);
            if (!progress.Stopped() && lock)
                QCOMPARE(served.count(e), std::size_t(inside));
            for (const Candidate &c : got.candidates)
                if (lock && inside && !goal.locked[std::size_t(c.entry)])
                    QVERIFY2(Distance2(OklabOf(c.colour), OklabOf(goal.start[std::size_t(e)])) >=
                                 kLockedRoom * kLockedRoom,
                             qPrintable(QString("%1 near %2").arg(c.entry).arg(e)));
        }
    }

    // Each picture alike gives a small picture's colours entries that its few
    // pixels alone would not.
    void weighing_data()
    {
        QTest::addColumn<bool>("equal");
        QTest::addColumn<bool>("served"); // the small picture's mean error under 0.05
        QTest::newRow("by pixels") << false << false;
        QTest::newRow("each alike") << true << true;
    }
    void weighing()
    {
        QFETCH(bool, equal);
        QFETCH(bool, served);
        ColourTally tally(equal ? ColourTally::Weighing::Equal : ColourTally::Weighing::Pixels);
        const Bytes big = Shades(0, 256, 64), small = Shades(512, 32, 2);
        tally.add(big.data(), 256, 64, false);
        tally.add(small.data(), 64, 1, false);
        PaletteGoal goal{0, 16, {}, {}, {}};
        const SharedPalette got = MakeSharedPalette(tally, goal);
        QCOMPARE(int(got.candidates.size()), 16);
        double error = 0;
        for (int k = 512; k < 544; ++k) {
            float nearest = INFINITY;
            for (const Candidate &c : got.candidates)
                nearest = std::min(nearest, Distance2(OklabOf(c.colour), OklabOf(Shade(k))));
            error += std::sqrt(nearest) / 32;
        }
        QVERIFY2((error < 0.05) == served, qPrintable(QString::number(error)));
    }

    // However many pictures and colours, the tally holds no more points than
    // one picture's histogram, and every pixel's weight; so too when each
    // picture is counted apart and merged, as threads count a set.
    void tallyBounded_data()
    {
        QTest::addColumn<L>("pictures"); // count, distinct colours each
        QTest::addColumn<bool>("equal");
        QTest::addColumn<int>("want"); // points; 0: cells, no more than 2^18
        QTest::addColumn<bool>("merged");
        QTest::newRow("exact") << L{4, 5000} << false << 20000 << false;
        QTest::newRow("past the limit") << L{30, 10000} << false << 0 << false;
        QTest::newRow("past the limit, alike") << L{30, 10000} << true << 0 << false;
        QTest::newRow("exact, merged") << L{4, 5000} << true << 20000 << true;
        QTest::newRow("past the limit, merged") << L{30, 10000} << true << 0 << true;
    }
    void tallyBounded()
    {
        QFETCH(L, pictures);
        QFETCH(bool, equal);
        QFETCH(int, want);
        QFETCH(bool, merged);
        ColourTally tally(equal ? ColourTally::Weighing::Equal : ColourTally::Weighing::Pixels);
        for (int p = 0; p < pictures[0]; ++p) {
            Bytes rgba;
            for (int i = 0; i < pictures[1]; ++i) {
                const int k = p * pictures[1] + i;
                rgba.insert(rgba.end(),
                            {std::uint8_t(k >> 16), std::uint8_t(k >> 8), std::uint8_t(k), 255,
                             std::uint8_t(k >> 16), std::uint8_t(k >> 8), std::uint8_t(k), 255});
            }
            ColourTally own;
            QVERIFY((merged ? own : tally).add(rgba.data(), pictures[1], 2, true));
            if (merged)
                tally.merge(own, equal ? 1 / own.total() : 1);
        }
        const Histogram h = tally.histogram();
        QCOMPARE(h.points.size(), tally.size());
        QCOMPARE(int(h.colours.size()), want);
        if (want == 0)
            QVERIFY(tally.size() <= std::size_t(1) << 18);
        double weight = 0;
        for (const Weighted &w : h.points)
            weight += w.weight;
        QCOMPARE(weight, equal ? pictures[0] : 2.0 * pictures[0] * pictures[1]);
        QCOMPARE(tally.total(), weight);
    }
};

QTEST_GUILESS_MAIN(TestQuantize)
#include "test_quantize.moc"
