#include "base/Progress.h"
#include "convert/Dither.h"
#include "convert/NearestCubes.h"
#include "convert/Ordered.h"
#include "convert/Quantize.h"
#include "convert/Refine.h"
#include "convert/RemapBands.h"

#include <QRandomGenerator>
#include <QtTest>

#include <set>

using Bytes = std::vector<std::uint8_t>;
using L = QList<int>;

static Rgb8 RandomRgb(QRandomGenerator &rng, int levels = 256)
{
    const auto c = [&] {
        return std::uint8_t(rng.bounded(levels) * 255 / std::max(1, levels - 1));
    };
    return {c(), c(), c()};
}

// Every pixel the same colour and alpha.
static Bytes Field(Rgb8 c, int count, int alpha = 255)
{
    Bytes out;
    for (int i = 0; i < count; ++i)
        out.insert(out.end(), {c.r, c.g, c.b, std::uint8_t(alpha)});
    return out;
}

// Sixteen colours drawn from rng, as the candidates of entries 0..15.
static Candidates RandomCandidates(QRandomGenerator &rng)
{
    Rgb8 palette[16];
    for (Rgb8 &c : palette)
        c = RandomRgb(rng);
    return RangeCandidates(palette, 0, 15);
}

static Bytes Converted(const Bytes &rgba, int width, const Candidates &c, RemapOptions o)
{
    Bytes out(rgba.size() / 4);
    if (!Remap(rgba.data(), width, int(out.size()) / width, c, o, out.data()))
        out.clear();
    return out;
}

Q_DECLARE_METATYPE(ColourSpace)
Q_DECLARE_METATYPE(Dither)

class TestConvert : public QObject {
    Q_OBJECT
private slots:
    void nearest_data()
    {
        QTest::addColumn<ColourSpace>("space");
        QTest::addColumn<L>("shape"); // seed, first, last, 1 in how many kept, colour levels
        for (ColourSpace s : {ColourSpace::Oklab, ColourSpace::Rgb}) {
            const char *name = s == ColourSpace::Oklab ? "oklab" : "rgb";
            QTest::addRow("%s all 256", name) << s << L{1, 0, 255, 1, 256};
            QTest::addRow("%s range 200..17", name) << s << L{2, 200, 17, 1, 256};
            QTest::addRow("%s every third", name) << s << L{3, 0, 255, 3, 256};
            QTest::addRow("%s repeated colours", name) << s << L{4, 10, 250, 1, 3};
            QTest::addRow("%s one entry", name) << s << L{5, 99, 99, 1, 256};
        }
    }
    void nearest()
    {
        QFETCH(ColourSpace, space);
        QFETCH(L, shape);
        QRandomGenerator rng{quint32(shape[0])};
        Rgb8 palette[256];
        for (Rgb8 &c : palette)
            c = RandomRgb(rng, shape[4]);
        Candidates all = RangeCandidates(palette, shape[1], shape[2]), kept;
        for (const Candidate &c : all)
            if (rng.bounded(shape[3]) == 0)
                kept.push_back(c);
        std::reverse(kept.begin(), kept.end());
        const Candidates tidy = TidyCandidates(kept);
        NearestFinder finder(PointsOf(tidy, space));
        const auto exhaustive = [&](Vec3 q) {
            int best = 0;
            for (int i = 1; i < finder.size(); ++i)
                if (Distance2(q, finder.point(i)) < Distance2(q, finder.point(best)))
                    best = i;
            return best;
        };
        // The carried colours of error diffusion are sought by cubes, in RGB
        // values or in linear light (the same points, as boxes go, and queries
        // crowded into the dark there).
        CubeNearest cubes(PointsOf(tidy, space), {-60, -60, -60}, {320, 320, 320});
        CubeNearest light(PointsOf(tidy, space), {-60, -60, -60}, {320, 320, 320}, true);
        for (int i = 0; space == ColourSpace::Rgb && i < 20000; ++i) {
            const auto at = [&] { return float(rng.generateDouble() * 380 - 60); };
            const Vec3 q{at(), at(), at()};
            QCOMPARE(cubes.find(q), exhaustive(q));
            const auto dark = [&] { return float(std::pow(rng.generateDouble(), 3) * 320); };
            const Vec3 d{dark(), dark(), dark()};
            QCOMPARE(light.find(d), exhaustive(d));
        }
        Bytes picture;
        for (int i = 0; i < 4000; ++i) {
            const Rgb8 c = i % 4 ? RandomRgb(rng) : palette[rng.bounded(256)];
            picture.insert(picture.end(), {c.r, c.g, c.b, 255});
            // Moved off the colour by about a palette's spacing, the search
            // starting from the colour's own answer as a dithered pixel's does;
            // some far outside every colour.
            const Vec3 p = PointOf(space, c);
            const float step = space == ColourSpace::Rgb ? 40.0f : 0.1f, far = i % 8 ? 1 : 3;
            const auto jitter = [&] { return float(rng.generateDouble() - 0.5) * step; };
            const Vec3 q{p.x * far + jitter(), p.y * far + jitter(), p.z * far + jitter()};
            QCOMPARE(finder.find(q, exhaustive(p)), exhaustive(q));
        }
        RemapOptions plain;
        plain.dither = Dither::None;
        plain.space = space;
        const Bytes got = Converted(picture, 40, kept, plain);
        QCOMPARE(got.size(), size_t(4000));
        for (int i = 0; i < 4000; ++i) {
            const Rgb8 c{picture[4 * i], picture[4 * i + 1], picture[4 * i + 2]};
            QCOMPARE(int(got[i]), tidy[exhaustive(PointOf(space, c))].entry);
        }
        // A picture large enough to be looked up through a table of every colour.
        Bytes large;
        for (int y = 0; y < 525; ++y)
            large.insert(large.end(), picture.begin(), picture.end());
        plain.threads = 2;
        const Bytes tabled = Converted(large, 4000, kept, plain);
        QVERIFY(tabled.size() == large.size() / 4);
        for (std::size_t i = 0; i < tabled.size(); ++i)
            if (tabled[i] != got[i % 4000])
                QFAIL(qPrintable(QString("pixel %1 differs").arg(i)));
    }

    void diffusion_data()
    {
        QTest::addColumn<Dither>("dither");
        QTest::addColumn<ColourSpace>("space");
        QTest::addColumn<bool>("serpentine");
        QTest::addColumn<bool>("refine");
        QTest::addColumn<double>("within"); // OKLab x 100 off the mean colour
        const std::pair<const char *, Dither> kernels[] = {
            {"floyd-steinberg", Dither::FloydSteinberg},
            {"atkinson", Dither::Atkinson},
            {"sierra lite", Dither::SierraLite},
            {"jarvis-judice-ninke", Dither::JarvisJudiceNinke}};
        for (const auto &[name, d] : kernels) {
            // Atkinson passes on 6/8 of the error: near, not on, the mean,
            // and is not refined; refining keeps each pixel near the picture
            // too, which on a palette this sparse moves the mean a little.
            const double within = d == Dither::Atkinson ? 1.5 : 0.2, refined = 2.5;
            QTest::addRow("%s oklab", name) << d << ColourSpace::Oklab << true << false << within;
            QTest::addRow("%s rgb", name) << d << ColourSpace::Rgb << true << false << within;
            QTest::addRow("%s one way", name)
                << d << ColourSpace::Oklab << false << false << within;
            QTest::addRow("%s refined", name) << d << ColourSpace::Oklab << true << true
                                              << (d == Dither::Atkinson ? within : refined);
        }
    }
    void diffusion()
    {
        QFETCH(Dither, dither);
        QFETCH(ColourSpace, space);
        QFETCH(bool, serpentine);
        QFETCH(bool, refine);
        QFETCH(double, within);
        // Entries 40..66 are the cube of 0, 128 and 255; the others hold the
        // field's own colour, which a leak out of the range would pick.
        const Rgb8 field{90, 170, 40};
        Rgb8 palette[256];
        std::fill(palette, palette + 256, field);
        for (int e = 0; e < 27; ++e)
            palette[40 + e] = {std::uint8_t(e % 3 * 255 / 2), std::uint8_t(e / 3 % 3 * 255 / 2),
                               std::uint8_t(e / 9 * 255 / 2)};
        const int side = 96;
        RemapOptions o{dither, 100, serpentine, space};
        o.refine = refine;
        refine = Refines(o);
        const Bytes got =
            Converted(Field(field, side * side), side, RangeCandidates(palette, 40, 66), o);
        // The colour seen: the mean of the light for a refined picture, which
        // is aimed at how light mixes; of the sRGB values for diffusion alone,
        // which carries its error in them.
        const auto lin = [](float v) {
            v /= 255;
            return v <= 0.04045f ? v / 12.92f : std::pow((v + 0.055f) / 1.055f, 2.4f);
        };
        const auto at = [&](Rgb8 c) {
            const Vec3 v{float(c.r), float(c.g), float(c.b)};
            return refine ? Vec3{lin(v.x), lin(v.y), lin(v.z)} : v;
        };
        Vec3 mean;
        for (std::uint8_t e : got) {
            QVERIFY(e >= 40 && e <= 66);
            mean = mean + at(palette[e]) * (1.0f / float(got.size()));
        }
        const auto lab = [&](Vec3 v) {
            return LinearToOklab(refine ? v : Vec3{lin(v.x), lin(v.y), lin(v.z)});
        };
        const float off = std::sqrt(Distance2(lab(mean), lab(at(field)))) * 100;
        QVERIFY2(off < float(within), qPrintable(QString::number(off)));
    }

    // Refining only follows full-strength diffusion, and never Atkinson's;
    // refined, no pixel lies farther than a speck from its own colour where
    // an entry near it can be had, and entries repeated after the palette
    // (an ACT file padded) change nothing.
    void refinedWhereAsked()
    {
        QRandomGenerator rng{11};
        Rgb8 palette[32];
        for (int i = 0; i < 16; ++i)
            palette[i] = palette[16 + i] = RandomRgb(rng);
        Bytes picture;
        for (int i = 0; i < 64 * 64; ++i)
            picture.insert(picture.end(), {std::uint8_t(i % 64 * 4), std::uint8_t(i / 64 * 4),
                                           std::uint8_t(255 - i % 64 * 2), 255});
        for (const auto &[dither, strength, refined] :
             {std::tuple{Dither::FloydSteinberg, 100, true},
              {Dither::JarvisJudiceNinke, 100, true},
              {Dither::FloydSteinberg, 99, false},
              {Dither::Atkinson, 100, false},
              {Dither::Bayer4, 100, false}}) {
            RemapOptions o{dither, strength};
            const Bytes with = Converted(picture, 64, RangeCandidates(palette, 0, 15), o);
            o.refine = false;
            const Bytes without = Converted(picture, 64, RangeCandidates(palette, 0, 15), o);
            QCOMPARE(with != without, refined);
            o.refine = true;
            QCOMPARE(Converted(picture, 64, RangeCandidates(palette, 0, 31), o), with);
            for (std::size_t i = 0; refined && i < with.size(); ++i) {
                const Vec3 own = OklabOf({picture[4 * i], picture[4 * i + 1], picture[4 * i + 2]});
                float nearest = INFINITY;
                for (const Rgb8 &c : palette)
                    nearest = std::min(nearest, Distance2(own, OklabOf(c)));
                if (nearest < kSpeck * kSpeck / 4)
                    QVERIFY(Distance2(own, OklabOf(palette[with[i]])) <= kSpeck * kSpeck);
            }
        }
    }

    void bayer_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<L>("firstRow");
        QTest::newRow("2") << 2 << L{0, 2};
        QTest::newRow("4") << 4 << L{0, 8, 2, 10};
        QTest::newRow("8") << 8 << L{0, 32, 8, 40, 2, 34, 10, 42};
    }
    void bayer()
    {
        QFETCH(int, size);
        QFETCH(L, firstRow);
        const std::vector<int> m = BayerMatrix(size);
        QCOMPARE(L(m.begin(), m.begin() + size), firstRow);
        QCOMPARE(std::set<int>(m.begin(), m.end()).size(), size_t(size * size));
        QCOMPARE(*std::max_element(m.begin(), m.end()), size * size - 1);
    }

    void transparency_data()
    {
        QTest::addColumn<Dither>("dither");
        QTest::addColumn<int>("entry"); // for transparent pixels; -1: none
        QTest::addColumn<L>("want");    // for alpha 0, 127, 128, 255
        for (Dither d : {Dither::None, Dither::FloydSteinberg, Dither::Bayer4}) {
            const char *name = d == Dither::None     ? "plain"
                               : d == Dither::Bayer4 ? "bayer"
                                                     : "diffused";
            QTest::addRow("%s, entry 9 outside the candidates", name) << d << 9 << L{9, 9, 1, 2};
            QTest::addRow("%s, over black", name) << d << -1 << L{0, 1, 1, 2};
        }
    }
    void transparency()
    {
        QFETCH(Dither, dither);
        QFETCH(int, entry);
        QFETCH(L, want);
        const Rgb8 palette[3] = {{0, 0, 0}, {128, 128, 128}, {255, 255, 255}};
        Bytes rgba;
        for (int a : {0, 127, 128, 255})
            rgba.insert(rgba.end(), {255, 255, 255, std::uint8_t(a)});
        RemapOptions o;
        o.dither = dither;
        o.transparentEntry = entry;
        const Bytes got = Converted(rgba, 4, RangeCandidates(palette, 0, 2), o);
        QCOMPARE(L(got.begin(), got.end()), want);
    }
    // Band after band, a picture gets the entries the whole picture's Remap gives it.
    void bands_data()
    {
        QTest::addColumn<Dither>("dither");
        QTest::addColumn<int>("strength");
        QTest::addColumn<bool>("serpentine");
        QTest::addColumn<int>("transparent");
        QTest::newRow("floyd-steinberg") << Dither::FloydSteinberg << 100 << true << -1;
        QTest::newRow("one way, entry 3 see-through")
            << Dither::FloydSteinberg << 100 << false << 3;
        QTest::newRow("jarvis-judice-ninke at 60 %")
            << Dither::JarvisJudiceNinke << 60 << true << -1;
        QTest::newRow("atkinson") << Dither::Atkinson << 100 << true << -1;
        QTest::newRow("bayer 8") << Dither::Bayer8 << 100 << true << -1;
        QTest::newRow("none") << Dither::None << 100 << true << -1;
    }
    void bands()
    {
        QFETCH(Dither, dither);
        QFETCH(int, strength);
        QFETCH(bool, serpentine);
        QFETCH(int, transparent);
        QRandomGenerator rng{11};
        const Candidates candidates = RandomCandidates(rng);
        // Three bands of 512 rows and part of a fourth, some pixels see-through.
        const int width = 7, height = 1400;
        Bytes rgba;
        for (int i = 0; i < width * height; ++i) {
            const Rgb8 c = RandomRgb(rng);
            rgba.insert(rgba.end(), {c.r, c.g, c.b, std::uint8_t(rng.bounded(4) ? 255 : 100)});
        }
        RemapOptions o{dither, strength, serpentine};
        o.refine = false;
        o.transparentEntry = transparent;
        const Bytes whole = Converted(rgba, width, candidates, o);
        Bytes banded(whole.size());
        std::size_t at = 0;
        const auto next = [&](std::uint8_t *to, int rows) {
            std::copy_n(rgba.begin() + std::ptrdiff_t(at), rows * width * 4, to);
            at += std::size_t(rows * width * 4);
            return true;
        };
        // One band of rows a time.
        QVERIFY(RemapBands(next, width, height, candidates, o, banded.data(), 1));
        const auto off = std::mismatch(whole.begin(), whole.end(), banded.begin());
        QVERIFY2(off.first == whole.end(),
                 qPrintable(u"row %1"_qs.arg((off.first - whole.begin()) / width)));
    }
    // Refined tiles wait for the bands and the tiles beside them that come
    // first, whichever thread gets there: any number of threads, one picture.
    void refinedOnThreads()
    {
        QRandomGenerator rng{5};
        const Candidates candidates = RandomCandidates(rng);
        // Three bands, three tiles across and nine down.
        const int width = 300, height = 1100;
        Bytes rgba;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                rgba.insert(rgba.end(),
                            {std::uint8_t(x * 255 / width), std::uint8_t(y * 255 / height),
                             std::uint8_t(rng.bounded(256)), 255});
        RemapOptions o{Dither::FloydSteinberg, 100, true};
        const Bytes one = Converted(rgba, width, candidates, o);
        QVERIFY(!one.empty());
        for (const int threads : {2, 3}) {
            o.threads = threads;
            QVERIFY2(Converted(rgba, width, candidates, o) == one,
                     qPrintable(QString::number(threads)));
        }
    }
};

QTEST_GUILESS_MAIN(TestConvert)
#include "test_convert.moc"
