// Thousands of random edits on an open image, checking after each one that
// the palette window shows the selected entry consistently and that the
// picture is exactly what a fresh redraw gives. The seed is printed; set
// PALMIRO_SOAK_SEED to repeat a run.

#include "image/DrawPcxImage.h"
#include "image/frmPCX.h"
#include "palette_window/ClipText.h"
#include "palette_window/frmPallet.h"
#include "shell/Forms.h"
#include "shell/Numbers.h"
#include "shell/WindowKit.h"
#include "shell/frmMain.h"
#include "shell/mdlGlobal.h"
#include "support/AppUnderTest.h"
#include "support/ScriptedPlatform.h"
#include "support/TestFiles.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <memory>
#include <random>

using namespace mdlGlobal;

namespace {

constexpr int kSteps = 10000;

// A small image keeps each redraw cheap, yet needs the scroll bars from
// 300 %; its values cover every entry.
QByteArray SmallPcx(int width, int height)
{
    QByteArray file(128, '\0');
    file[0] = 10;
    file[1] = 5;
    file[2] = 1;
    file[3] = 8;
    file[8] = char(width - 1);
    file[10] = char(height - 1);
    file[65] = 1;
    file[66] = char(width);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const auto v = quint8((x * 11 + y * 37) % 256);
            if (v >= 0xC0)
                file += char(0xC1);
            file += char(v);
        }
    file += char(0x0C);
    for (int k = 0; k < 256; ++k) {
        file += char(k);
        file += char(255 - k);
        file += char(k * 5);
    }
    return file;
}

enum class Edit { Slider, Typed, Cell, Paste, ZoomSlider, ZoomText, Adjust, Search, Scroll, Count };

const char *EditName(Edit e)
{
    static const char *names[] = {"slider",    "typed",  "cell",   "paste", "zoom slider",
                                  "zoom text", "adjust", "search", "scroll"};
    return names[int(e)];
}

// A typed colour text and the value it must give, or -1 when refused.
struct Typed {
    QString text;
    int value;
};

Typed RandomColourText(std::mt19937 &rng)
{
    const int n = int(rng() % 256);
    const int even = n % 2 == 0 ? n : n + 1;
    switch (rng() % 12) {
    case 0:
        return {QStringLiteral("00") + QString::number(n), n};
    case 1:
        return {QStringLiteral(" %1\t").arg(n), n};
    case 2:
        return {QString::number(n) + QStringLiteral(".5"), even <= 255 ? even : -1};
    case 3:
        return {QString::number(n) + QStringLiteral(".49"), n};
    case 4:
        return {QStringLiteral("%1e-2").arg(n * 100), n};
    case 5:
        return {QString(), 0};
    case 6:
        return {QString::number(256 + int(rng() % 100000)), -1};
    case 7:
        return {QStringLiteral("-") + QString::number(1 + n), -1};
    case 8:
        return {QStringLiteral("-0.4"), 0};
    case 9: {
        static const char *junk[] = {"abc", "1e400", "0x10", "12a", "1,5", "+", ".", "1e", "--1"};
        return {QString::fromLatin1(junk[rng() % std::size(junk)]), -1};
    }
    case 10:
        return {QStringLiteral("１２"), -1};
    default:
        return {QString::number(n), n};
    }
}

struct ZoomTyped {
    QString text;
    int zoom; // -1: refused
};

ZoomTyped RandomZoomText(std::mt19937 &rng)
{
    const int v = 100 + int(rng() % 301);
    const int snapped = int(DivRoundHalfEven(v, 10) * 10);
    switch (rng() % 6) {
    case 0:
        return {QString::number(99 - int(rng() % 50)), -1};
    case 1:
        return {QString::number(401 + int(rng() % 100000)), -1};
    case 2:
        return {QStringLiteral("zoom"), -1};
    case 3:
        return {QStringLiteral("%1.4").arg(v), snapped};
    default:
        return {QString::number(v), snapped};
    }
}

} // namespace

class TestSoak : public QObject {
    Q_OBJECT

    std::unique_ptr<ScriptedPlatform> platform;
    QTemporaryDir dir;
    std::mt19937 rng;
    // A refused zoom text puts "100" in the box but leaves the picture as it
    // was drawn: until the next redraw the picture must stay exactly this.
    QImage stalePicture;
    bool redrew = false;

    void activate(QWidget &window)
    {
        if (window.isActiveWindow())
            return;
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }

    // Empty when the palette window and the picture agree with the state.
    QString broken()
    {
        frmPallet &p = FrmPallet();
        const int sel = SelectedPalletID;
        if (sel < 0 || sel > 255)
            return QStringLiteral("selected entry %1").arg(sel);
        const PalletEntry &e = Pallet[sel];
        const QColor want = PackedToQColor(PackColor(e.R, e.G, e.B));
        if (!e.Color || *e.Color != PackColor(e.R, e.G, e.B))
            return QStringLiteral("Color of entry %1 is not its R, G, B").arg(sel);
        if (Background(p.lblColor[sel]) != want)
            return QStringLiteral("cell %1 shows %2, entry is %3")
                .arg(sel)
                .arg(Background(p.lblColor[sel]).name(), want.name());
        if (Background(p.lblSelectColor) != want)
            return QStringLiteral("swatch shows %1, entry is %2")
                .arg(Background(p.lblSelectColor).name(), want.name());
        if (CellLookOf(p.lblColor[sel]) != CellLook::Raised)
            return QStringLiteral("selected cell %1 is flat").arg(sel);
        for (int k = 0; k < 3; ++k)
            if (p.sldColBar[k]->value() != e.channel(k))
                return QStringLiteral("slider %1 at %2, channel is %3")
                    .arg(k)
                    .arg(p.sldColBar[k]->value())
                    .arg(e.channel(k));
        if (p.lblPalID->text() != QString::number(sel))
            return QStringLiteral("Pallet ID shows %1, selected is %2")
                .arg(p.lblPalID->text())
                .arg(sel);
        if (!stalePicture.isNull() && !redrew) {
            if (FrmPCX().raster() != stalePicture)
                return QStringLiteral("the picture changed without a redraw");
            return {};
        }
        stalePicture = QImage();
        return redrawDiffers();
    }

    // Only the drawing area counts: the columns and rows under the scroll bars
    // may keep a block from the draw nested in a scroll reset.
    QString redrawDiffers()
    {
        const QImage before = FrmPCX().raster().copy();
        DrawPcxImage();
        const QImage &after = FrmPCX().raster();
        const int w = qMin(after.width(), FrmPCX().innerWidth() - 17);
        const int h = qMin(after.height(), FrmPCX().innerHeight() - 17);
        if (before.size() != after.size())
            return QStringLiteral("the raster changed size in a redraw");
        for (int y = 0; y < h; ++y)
            if (std::memcmp(before.constScanLine(y), after.constScanLine(y), std::size_t(w) * 4) !=
                0)
                return QStringLiteral("row %1 of the picture differs from a fresh redraw").arg(y);
        return {};
    }

    // Runs one edit; empty unless its own outcome was wrong.
    QString edit(Edit kind)
    {
        frmPallet &p = FrmPallet();
        frmMain &m = FrmMain();
        const int sel = SelectedPalletID;
        const PalletEntry before = Pallet[sel];
        switch (kind) {
        case Edit::Slider: {
            const int k = int(rng() % 3);
            int v = int(rng() % 256);
            if (v == p.sldColBar[k]->value())
                v = (v + 1) % 256;
            p.sldColBar[k]->setValue(v);
            redrew = true;
            if (Pallet[sel].channel(k) != v || p.txtColor[k]->text() != QString::number(v))
                return QStringLiteral("slider %1 to %2 not taken").arg(k).arg(v);
            break;
        }
        case Edit::Typed: {
            activate(p);
            const int k = int(rng() % 3);
            const Typed t = RandomColourText(rng);
            p.txtColor[k]->setFocus(Qt::TabFocusReason);
            p.txtColor[k]->setText(t.text);
            p.txtColor[(k + 1) % 3]->setFocus(Qt::TabFocusReason);
            if (t.value < 0) {
                if (platform->messageTexts() != QStringList{Catalog.MsgOver255})
                    return QStringLiteral("no refusal of \"%1\"").arg(t.text);
                if (Pallet[sel] != before || !p.txtColor[k]->hasFocus())
                    return QStringLiteral("refused \"%1\" changed something").arg(t.text);
                // The user corrects the text and leaves again.
                platform->messages.clear();
                p.txtColor[k]->setText(QString::number(before.channel(k)));
                p.txtColor[(k + 1) % 3]->setFocus(Qt::TabFocusReason);
                if (!platform->messages.isEmpty() || Pallet[sel] != before)
                    return QStringLiteral("the corrected text was not taken");
            } else if (Pallet[sel].channel(k) != t.value || !platform->messages.isEmpty()) {
                return QStringLiteral("\"%1\" gave %2").arg(t.text).arg(Pallet[sel].channel(k));
            }
            redrew = true;
            break;
        }
        case Edit::Cell:
            p.lblColor_Click(qint16(rng() % 256));
            break;
        case Edit::Paste: {
            const PalletArray old = Pallet;
            const bool ok = rng() % 3 != 0;
            const int n = int(rng() % 24);
            PalletArray source{};
            for (int i = 0; i <= n; ++i)
                source[i].set(quint8(rng()), quint8(rng()), quint8(rng()));
            QString text = BuildClipText(source, 0, n);
            // Some texts are damaged: a field cut off entirely, or made non-numeric.
            const bool valid = rng() % 4 != 0;
            if (!valid)
                text = rng() % 2 ? text.left(text.size() - 3 - int(rng() % 7))
                                 : text.replace(10 + int(rng() % (9 * (n + 1))), 1, u'x');
            platform->clipboard = text;
            platform->answers.push_back(ok ? Platform::Answer::Ok : Platform::Answer::Cancel);
            p.cmdPaste_Click();
            redrew = valid && ok;
            const int last = qMin(sel + n, 255);
            for (int i = 0; i < kPalletEntries; ++i) {
                const bool written = valid && ok && i >= sel && i <= last;
                if (Pallet[i] != (written ? source[i - sel] : old[i]))
                    return QStringLiteral("entry %1 wrong after paste").arg(i);
            }
            if (platform->messages.size() != (valid ? 1 : 0))
                return QStringLiteral("paste asked %1 times").arg(platform->messages.size());
            break;
        }
        case Edit::ZoomSlider: {
            int v = 100 + int(rng() % 301);
            // Setting the value the slider already has is no move.
            if (v == m.sldZoom->value())
                v = v == 400 ? 100 : v + 1;
            m.sldZoom->setValue(v);
            redrew = true;
            const int snapped = int(DivRoundHalfEven(v, 100) * 100);
            if (m.txtZoom->text() != QString::number(snapped) || m.sldZoom->value() != snapped)
                return QStringLiteral("zoom slider %1 shows %2").arg(v).arg(m.txtZoom->text());
            break;
        }
        case Edit::ZoomText: {
            activate(m);
            const QString was = m.txtZoom->text();
            const int sliderWas = m.sldZoom->value();
            const QImage picture = FrmPCX().raster().copy();
            const ZoomTyped t = RandomZoomText(rng);
            m.txtZoom->setFocus(Qt::TabFocusReason);
            m.txtZoom->setText(t.text);
            m.sldZoom->setFocus(Qt::TabFocusReason);
            const QString want = t.zoom < 0 ? QStringLiteral("100") : QString::number(t.zoom);
            if (m.txtZoom->text() != want || platform->messages.size() != (t.zoom < 0 ? 1 : 0))
                return QStringLiteral("zoom \"%1\" after \"%2\" shows %3")
                    .arg(t.text, was, m.txtZoom->text());
            redrew = t.zoom >= 0;
            if (!redrew) {
                if (m.sldZoom->value() != sliderWas || FrmPCX().raster() != picture)
                    return QStringLiteral("refused zoom \"%1\" changed the picture").arg(t.text);
                if (stalePicture.isNull())
                    stalePicture = picture;
            }
            break;
        }
        case Edit::Adjust: {
            const int w = mdlGlobal::PcxImage.width();
            const bool plus = rng() % 2;
            plus ? m.cmdAdjustPlus_Click() : m.cmdAdjustMinas_Click();
            redrew = true;
            if (mdlGlobal::PcxImage.width() != (plus ? w + 1 : qMax(2, w - 1)))
                return QStringLiteral("adjust from width %1 gave %2")
                    .arg(w)
                    .arg(mdlGlobal::PcxImage.width());
            break;
        }
        case Edit::Search: {
            const PalletArray old = Pallet;
            QString during;
            platform->whileMessageShown = [&](const QString &) {
                if (SearchPalletID != sel)
                    during = QStringLiteral("search of %1 shows %2").arg(sel).arg(SearchPalletID);
                else
                    during = redrawDiffers();
            };
            p.cmdSerch_Click();
            redrew = true;
            platform->whileMessageShown = nullptr;
            if (!during.isEmpty())
                return during;
            if (SearchPalletID != -1 || Pallet != old || SelectedPalletID != sel)
                return QStringLiteral("search left a change");
            break;
        }
        case Edit::Scroll: {
            QScrollBar *bar = rng() % 2 ? FrmPCX().scrlH : FrmPCX().scrlV;
            if (!bar->isEnabled() || bar->maximum() == 0)
                break;
            int v = int(rng() % unsigned(bar->maximum() + 1));
            if (v == bar->value())
                v = (v + 1) % (bar->maximum() + 1);
            bar->setValue(v);
            redrew = true;
            break;
        }
        case Edit::Count:
            break;
        }
        return {};
    }

private slots:
    void init()
    {
        EndApplication();
        platform = std::make_unique<ScriptedPlatform>();
        QVERIFY(StartApplication(platform.get()));
        FrmPCX().resize(120, 100);
    }

    void cleanup() { EndApplication(); }

    void randomEdits()
    {
        const QByteArray seedText = qgetenv("PALMIRO_SOAK_SEED");
        const auto seed = seedText.isEmpty() ? std::random_device{}() : seedText.toUInt();
        qInfo("seed %u (PALMIRO_SOAK_SEED=%u repeats this run)", seed, seed);
        rng.seed(seed);

        platform->paths.push_back(WriteFile(dir.filePath("soak.pcx"), SmallPcx(40, 30)));
        FrmMain().cmdPcxOpen_Click();
        QCOMPARE(mdlGlobal::PcxImage.width(), 40);
        QVERIFY2(broken().isEmpty(), qPrintable(broken()));

        QElapsedTimer clock;
        clock.start();
        int counts[int(Edit::Count)] = {};
        for (int step = 0; step < kSteps; ++step) {
            const auto kind = Edit(rng() % int(Edit::Count));
            ++counts[int(kind)];
            platform->messages.clear();
            platform->answers.clear();
            redrew = false;
            QString why = edit(kind);
            if (QTest::currentTestFailed())
                return;
            if (why.isEmpty())
                why = broken();
            if (!why.isEmpty())
                QFAIL(qPrintable(QStringLiteral("step %1 (%2), seed %3: %4")
                                     .arg(step)
                                     .arg(QLatin1String(EditName(kind)))
                                     .arg(seed)
                                     .arg(why)));
        }
        QString tally;
        for (int i = 0; i < int(Edit::Count); ++i)
            tally += QStringLiteral(" %1 %2").arg(QLatin1String(EditName(Edit(i)))).arg(counts[i]);
        qInfo("%d edits in %lld ms:%s", kSteps, clock.elapsed(), qPrintable(tally));
    }
};

QTEST_MAIN(TestSoak)
#include "test_soak.moc"
