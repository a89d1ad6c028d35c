#include "model/Cycling.h"
#include "model/Oklab.h"
#include "model/PaletteOps.h"
#include "model/PaletteTidy.h"
#include "model/Render.h"
#include "support/PcxBuilder.h"

#include <QtTest>

#include <set>

using L = QList<int>;

static L Rgb(const PalletEntry *first, qsizetype count)
{
    L out;
    for (const PalletEntry *e = first; e < first + count; ++e)
        out << e->R << e->G << e->B;
    return out;
}

static double Apart(const PalletEntry &a, const PalletEntry &b)
{
    return 100 * std::sqrt(Distance2(OklabOf({a.R, a.G, a.B}), OklabOf({b.R, b.G, b.B})));
}

static QImage Draw(const PixelBuffer &values, const PalletArray &p)
{
    QImage out(16, 16, QImage::Format_RGB32);
    FillView(out.bits(), out.bytesPerLine(), 16, 16, ::PcxImage(values, 16, 16, 16),
             BuildColorTable(p, -1), {0, 0, 15, 15, 1});
    return out;
}

class TestPaletteOps : public QObject {
    Q_OBJECT
private slots:
    void ramp_data()
    {
        QTest::addColumn<L>("ends"); // s, t, then the colours of S and T
        QTest::addColumn<L>("between");
        const L grey{64, 64, 64, 128, 128, 128, 191, 191, 191};
        QTest::newRow("rgb 0..4") << L{0, 4, 0, 0, 0, 255, 255, 255} << grey;
        QTest::newRow("rgb 4..0") << L{4, 0, 255, 255, 255, 0, 0, 0} << grey;
        QTest::newRow("rgb halves to even") << L{253, 255, 0, 0, 1, 5, 7, 2} << L{2, 4, 2};
        QTest::newRow("rgb neighbours") << L{10, 11, 1, 1, 1, 9, 9, 9} << L{};
        QTest::newRow("hsv seam") << L{0, 3, 255, 0, 255, 255, 255, 0} << L{255, 0, 85, 255, 85, 0};
        QTest::newRow("hsv 255..253") << L{255, 253, 255, 255, 0, 255, 0, 255} << L{255, 0, 0};
        QTest::newRow("hsv via magenta") << L{7, 9, 255, 0, 0, 0, 64, 255} << L{223, 0, 255};
        QTest::newRow("hsv half a turn") << L{0, 2, 255, 0, 0, 0, 255, 255} << L{128, 255, 0};
        QTest::newRow("hsv black keeps the hue") << L{7, 9, 0, 0, 0, 255, 0, 0} << L{128, 0, 0};
    }
    void ramp()
    {
        QFETCH(L, ends);
        QFETCH(L, between);
        const bool hsv = QByteArray(QTest::currentDataTag()).startsWith("hsv");
        const int s = ends[0], t = ends[1], lo = std::min(s, t), hi = std::max(s, t);
        PalletArray p = Ramp();
        p[s].set(quint8(ends[2]), quint8(ends[3]), quint8(ends[4]));
        p[t].set(quint8(ends[5]), quint8(ends[6]), quint8(ends[7]));
        const PalletArray got = hsv ? RampHsv(p, s, t) : RampRgb(p, s, t);
        QCOMPARE(Rgb(&got[0], 256), Rgb(&p[0], lo + 1) + between + Rgb(&p[hi], 256 - hi));
    }

    void moveEntries_data()
    {
        QTest::addColumn<L>("ends"); // s, t, then the old entries in slots min..max
        for (bool remap : {false, true}) {
            const char *r = remap ? ", remap" : "";
            QTest::addRow("swap 7 and 3%s", r) << L{7, 3, 7, 4, 5, 6, 3};
            QTest::addRow("swap 0 and 1%s", r) << L{0, 1, 1, 0};
            QTest::addRow("swap 9 with itself%s", r) << L{9, 9, 9};
            QTest::addRow("reverse 5..2%s", r) << L{5, 2, 5, 4, 3, 2};
            QTest::addRow("reverse 252..255%s", r) << L{252, 255, 255, 254, 253, 252};
        }
    }
    void moveEntries()
    {
        QFETCH(L, ends);
        const QByteArray tag = QTest::currentDataTag();
        const bool reverse = tag.startsWith("reverse"), remap = tag.endsWith("remap");
        const int s = ends[0], t = ends[1], lo = std::min(s, t), hi = std::max(s, t);
        const EntryMap map = reverse ? ReverseMap(s, t) : SwapMap(s, t);
        const PalletArray p = Ramp(), got = MoveEntries(p, map);
        L want = Rgb(&p[0], lo);
        for (int e : ends.mid(2))
            want += Rgb(&p[e], 1);
        QCOMPARE(Rgb(&got[0], 256), want + Rgb(&p[hi + 1], 255 - hi));

        QByteArray every(256, 0);
        std::iota(every.begin(), every.end(), 0);
        const PixelBuffer values = MakePixels(every);
        const QImage before = Draw(values, p);
        const QImage after = Draw(remap ? *RemapStored(values, StoredValueMap(map)) : values, got);
        QCOMPARE(after == before, remap || s == t);
    }

    // Entry i is red i: the reds entries 0..7 and 255 show `seconds` after the start.
    void cycle_data()
    {
        QTest::addColumn<L>("ranges"); // see Ranges()
        QTest::addColumn<double>("seconds");
        QTest::addColumn<L>("reds");
        const L still{0, 1, 2, 3, 4, 5, 6, 7, 255};
        QTest::newRow("forward") << L{0, 3, 100, 0, 1} << 1.0 << L{3, 0, 1, 2, 4, 5, 6, 7, 255};
        QTest::newRow("backward") << L{0, 3, 100, 1, 1} << 1.0 << L{1, 2, 3, 0, 4, 5, 6, 7, 255};
        QTest::newRow("2.5 a second")
            << L{0, 3, 250, 0, 1} << 1.0 << L{2, 3, 0, 1, 4, 5, 6, 7, 255};
        QTest::newRow("0.25 not yet") << L{0, 3, 25, 0, 1} << 3.99 << still;
        QTest::newRow("0.25 once") << L{0, 3, 25, 0, 1} << 4.0 << L{3, 0, 1, 2, 4, 5, 6, 7, 255};
        QTest::newRow("off") << L{0, 3, 100, 0, 0} << 5.0 << still;
        QTest::newRow("length 1") << L{5, 5, 6000, 0, 1} << 1.0 << still;
        QTest::newRow("length 256")
            << L{0, 255, 6000, 0, 1} << 1.0 << L{196, 197, 198, 199, 200, 201, 202, 203, 195};
        QTest::newRow("two at once")
            << L{0, 3, 100, 0, 1, 4, 7, 200, 1, 1} << 1.0 << L{3, 0, 1, 2, 6, 7, 4, 5, 255};
        QTest::newRow("overlapping, the later shows")
            << L{0, 3, 100, 0, 1, 2, 5, 100, 0, 1} << 1.0 << L{3, 0, 5, 2, 3, 4, 6, 7, 255};
    }
    void cycle()
    {
        QFETCH(L, ranges);
        QFETCH(double, seconds);
        QFETCH(L, reds);
        PalletArray p{};
        for (int i = 0; i < kPalletEntries; ++i)
            p[i].set(quint8(i), 0, 0);
        const CycleRanges list = Ranges(ranges);
        const PalletArray shown = RotatePallet(p, list, CycleStepsAt(list, seconds));
        L got;
        for (int i : {0, 1, 2, 3, 4, 5, 6, 7, 255})
            got << shown[i].R;
        QCOMPARE(got, reds);
    }

    // The passes over every pixel, a band a core on a big picture (`short` bytes missing, read
    // as the last): the count as pixel by pixel, a merge of groups of `group` entries as a
    // look-up a pixel, then back to the very values.
    void passes_data()
    {
        QTest::addColumn<L>("r"); // width, height, short, group
        QTest::newRow("small") << L{7, 3, 0, 2};
        QTest::newRow("short") << L{7, 3, 9, 8};
        QTest::newRow("bands pairs") << L{2049, 1031, 5, 2};
        QTest::newRow("bands of 8") << L{2049, 1031, 0, 8};
        QTest::newRow("bands all in one") << L{1031, 2049, 77, 256};
    }
    void passes()
    {
        QFETCH(L, r);
        QByteArray bytes(r[0] * r[1] - r[2], 0);
        for (int i = 0; i < bytes.size(); ++i)
            bytes[i] = char((i * 7 % 251) ^ (i / 5));
        const ::PcxImage img(MakePixels(bytes), r[0], r[1], std::size_t(r[0]));
        UsageCounts used{};
        for (int i = 0; i < r[0] * r[1]; ++i)
            ++used[255 - img.at(i % r[0], i / r[0])];
        QVERIFY(CountUsage(img) == used);
        EntryMap groups;
        for (int e = 0; e < 256; ++e)
            groups[e] = quint8(e & -r[3]);
        const ValueMap map = StoredValueMap(groups);
        RemapUndo undo;
        const PixelBuffer after = *RemapKeeping(img.pixels, map, undo);
        for (std::size_t i = 0; i < after.size(); ++i)
            QVERIFY(after.data()[i] == map[img.pixels.data()[i]]);
        QVERIFY(*RemapBack(after, undo) == img.pixels);
    }

    // Tidying over Ramp() with `colours` (entry, r, g, b) set and every entry drawn once but
    // for `counts` (entry, pixels). Any item: nothing outside the range moves; a merge goes
    // into a lower entry that keeps its own pixels, leaving the colour of the one merged; a
    // reorder is a permutation; no pixel moves by more than `bound` (OKLab x 100), and undo
    // gives every stored value back. `moved` pairs entry, slot; reduce keeps N used entries;
    // similar merges no two colours further apart than N. `ends` may name a cycling range
    // after S and T: its entries keep their place and colour, and none merges into them.
    void tidy_data()
    {
        QTest::addColumn<L>("ends");
        QTest::addColumn<L>("colours");
        QTest::addColumn<L>("counts");
        QTest::addColumn<L>("moved");
        QTest::addColumn<double>("bound");
        const L dup{9, 3, 252, 21, 20, 3, 252, 21, 200, 3, 252, 21, 255, 254, 1, 242};
        const L five{0, 255, 0, 0, 1, 128, 128, 128, 2, 0, 0, 255, 3, 0, 0, 0, 4, 0, 255, 0};
        QTest::newRow("dup all") << L{4, 4} << dup << L{} << L{9, 3, 200, 3, 255, 254} << 0.0;
        QTest::newRow("dup 150..5") << L{150, 5} << dup << L{} << L{20, 9, 9, 9, 200, 200} << 0.0;
        QTest::newRow("dup 255..254") << L{255, 254} << dup << L{} << L{255, 254, 9, 9} << 0.0;
        QTest::newRow("similar 3 no chain")
            << L{10, 14} << L{10, 90, 90, 90, 11, 96, 96, 96, 12, 102, 102, 102, 13, 108, 108, 108}
            << L{10, 5, 13, 1} << L{11, 10, 12, 12, 13, 12} << 3.0;
        QTest::newRow("similar 0 = dup") << L{0, 0} << dup << L{} << L{9, 3, 200, 3} << 0.0;
        const L blues{87, 0, 0, 200, 121, 0, 18, 148, 166, 0, 24, 154};
        QTest::newRow("similar 8 cheapest first")
            << L{0, 0} << blues << L{} << L{87, 87, 121, 121, 166, 121} << 8.0;
        QTest::newRow("similar 8 55..200 the same")
            << L{55, 200} << blues << L{} << L{87, 87, 121, 121, 166, 121} << 8.0;
        QTest::newRow("similar 0 held 3..3")
            << L{0, 0, 3, 3} << dup << L{} << L{3, 3, 20, 9, 200, 9} << 0.0;
        QTest::newRow("unused all")
            << L{0, 0} << L{} << L{3, 0, 7, 0, 255, 0} << L{3, 253, 7, 254, 255, 255, 4, 3} << 0.0;
        QTest::newRow("unused 255..250")
            << L{255, 250} << L{} << L{251, 0} << L{251, 255, 252, 251, 249, 249} << 0.0;
        QTest::newRow("unused 0..200 held 10..20")
            << L{0, 200, 10, 20} << L{} << L{5, 0, 15, 0} << L{15, 15, 5, 200, 21, 9} << 0.0;
        QTest::newRow("hue all held 96..127")
            << L{0, 0, 96, 127} << five << L{} << L{96, 96, 127, 127} << 0.0;
        QTest::newRow("hue 0..4") << L{0, 4} << five << L{} << L{3, 0, 1, 1, 0, 2, 4, 3, 2, 4}
                                  << 0.0;
        QTest::newRow("lightness 4..0")
            << L{4, 0} << five << L{} << L{3, 0, 2, 1, 1, 2, 0, 3, 4, 4} << 0.0;
        QTest::newRow("chroma 0..4")
            << L{0, 4} << five << L{} << L{1, 0, 3, 1, 0, 2, 4, 3, 2, 4} << 0.0;
        QTest::newRow("usage 0..2")
            << L{0, 2} << L{} << L{0, 5, 1, 9, 2, 9} << L{1, 0, 2, 1, 0, 2} << 0.0;
        QTest::newRow("swap 7 3") << L{7, 3} << L{} << L{} << L{7, 3, 3, 7} << 0.0;
        QTest::newRow("reduce 3 closest")
            << L{0, 4} << L{0, 10, 10, 10, 1, 12, 10, 10, 2, 200, 0, 0, 3, 202, 0, 0} << L{}
            << L{1, 0, 3, 2, 4, 4} << 1.0;
        QTest::newRow("reduce 4 weighted")
            << L{0, 4} << L{0, 100, 100, 100, 1, 103, 100, 100, 2, 200, 0, 0, 3, 208, 0, 0}
            << L{0, 1000, 1, 1000} << L{1, 1, 3, 2} << 1.5;
        QTest::newRow("reduce 1 held 0..1")
            << L{0, 3, 0, 1} << L{0, 10, 10, 10, 1, 12, 10, 10, 2, 200, 0, 0, 3, 202, 0, 0} << L{}
            << L{1, 1, 3, 2} << 1.0;
        QTest::newRow("reduce 1 255..253")
            << L{255, 253} << L{} << L{254, 0} << L{255, 253, 254, 254, 252, 252} << 4.0;
    }
    void tidy()
    {
        QFETCH(L, ends);
        QFETCH(L, colours);
        QFETCH(L, counts);
        QFETCH(L, moved);
        QFETCH(double, bound);
        const QByteArray tag = QTest::currentDataTag();
        const int s = ends[0], t = ends[1], n = tag.split(' ')[1].toInt();
        const int lo = s == t ? 0 : std::min(s, t), hi = s == t ? 255 : std::max(s, t);
        CycleRanges held;
        if (ends.size() == 4)
            held.push_back({quint8(ends[2]), quint8(ends[3])});
        const auto fixed = [&](int e) { return !held.empty() && e >= ends[2] && e <= ends[3]; };
        PalletArray p = Ramp();
        for (int i = 0; i < colours.size(); i += 4)
            p[colours[i]].set(quint8(colours[i + 1]), quint8(colours[i + 2]),
                              quint8(colours[i + 3]));
        QList<int> drawn(256, 1);
        for (int i = 0; i < counts.size(); i += 2)
            drawn[counts[i]] = counts[i + 1];
        QByteArray bytes;
        for (int e = 0; e < 256; ++e)
            bytes += QByteArray(drawn[e], char(255 - e));
        const PixelBuffer values = MakePixels(bytes);
        const UsageCounts usage = CountUsage(::PcxImage(values, int(bytes.size()), 1, 0));

        const Tidied got =
            tag.startsWith("dup")         ? MergeDuplicates(p, s, t, held)
            : tag.startsWith("similar")   ? MergeSimilar(p, usage, s, t, n, held)
            : tag.startsWith("unused")    ? UnusedToEnd(p, usage, s, t, held)
            : tag.startsWith("hue")       ? SortEntries(p, usage, s, t, TidyKey::Hue, held)
            : tag.startsWith("lightness") ? SortEntries(p, usage, s, t, TidyKey::Lightness, held)
            : tag.startsWith("chroma")    ? SortEntries(p, usage, s, t, TidyKey::Chroma, held)
            : tag.startsWith("usage")     ? SortEntries(p, usage, s, t, TidyKey::Usage, held)
            : tag.startsWith("reduce")    ? ReduceEntries(p, usage, s, t, n, held)
                                          : Tidied{SwapMap(s, t), MoveEntries(p, SwapMap(s, t))};
        for (int i = 0; i < moved.size(); i += 2)
            QCOMPARE(got.to[moved[i]], moved[i + 1]);
        const bool merge =
            tag.startsWith("dup") || tag.startsWith("similar") || tag.startsWith("reduce");
        std::set<int> landed, used;
        for (int e = 0; e < 256; ++e) {
            const int to = got.to[e];
            landed.insert(to);
            if (e < lo || e > hi || fixed(e))
                QVERIFY(to == e && got.pallet[e] == p[e]);
            if (merge)
                QVERIFY(to <= e && got.to[to] == to && (to == e || got.pallet[e] == p[e]) &&
                        (to == e || !fixed(to)));
            if (drawn[e] && to >= lo && to <= hi && !fixed(to))
                used.insert(to);
            for (int f = 0; f < e && tag.startsWith("similar"); ++f)
                if (got.to[f] == to)
                    QVERIFY(Apart(p[e], p[f]) <= n);
        }
        if (!merge)
            QVERIFY(landed.size() == 256 && got.pallet == MoveEntries(p, got.to));
        if (tag.startsWith("reduce"))
            QCOMPARE(int(used.size()), n);

        RemapUndo undo;
        const PixelBuffer after = *RemapKeeping(values, StoredValueMap(got.to), undo);
        QVERIFY(*RemapBack(after, undo) == values);
        for (std::size_t i = 0; i < values.size(); ++i) {
            const PalletEntry &a = p[255 - values.data()[i]],
                              &b = got.pallet[255 - after.data()[i]];
            const double apart = Apart(a, b);
            QVERIFY2(bound > 0 ? apart <= bound : a == b, qPrintable(QString::number(apart)));
        }
    }
};

QTEST_GUILESS_MAIN(TestPaletteOps)
#include "test_palette_ops.moc"
