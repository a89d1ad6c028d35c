// How the Convert dialog's preview is made: here and now for a small picture,
// on another thread for a large one, the part in view shown first.
#include "windows/screen/frmConvert.h"

#include "app/Document.h"
#include "app/mdlGlobal.h"
#include "base/Progress.h"
#include "convert/ConvertCycles.h"
#include "convert/TrueColour.h"
#include "model/Levels.h"
#include "model/Render.h"
#include "windows/screen/DrawPcxImage.h"
#include "windows/screen/ScreenForm.h"
#include "windows/screen/frmPCX.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>

#include <cmath>

using namespace mdlGlobal;

struct frmConvert::Job {
    Made made;
    ConvertedPicture result;
};

namespace {

// What a quick preview converts at most: a few tens of milliseconds.
constexpr qint64 kQuickPixels = qint64(1) << 18;
// A quick new palette is made from this many pixels: the palette maker's time grows
// with the colours it is given.
constexpr qint64 kQuickPalettePixels = qint64(1) << 13;

// Every n-th pixel of every n-th row, at most about `pixels` of them: quick, and
// enough for a preview and its palette.
QImage Reduced(const QImage &picture, qint64 pixels)
{
    const qint64 area = qint64(picture.width()) * picture.height();
    if (area <= pixels)
        return picture;
    const int n = int(std::ceil(std::sqrt(double(area) / double(pixels))));
    QImage out((picture.width() + n - 1) / n, (picture.height() + n - 1) / n,
               QImage::Format_RGBA8888);
    if (out.isNull())
        return out;
    for (int y = 0; y < out.height(); ++y) {
        const auto *from = reinterpret_cast<const quint32 *>(picture.constScanLine(y * n));
        auto *to = reinterpret_cast<quint32 *>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            to[x] = from[x * n];
    }
    return out;
}

} // namespace

frmConvert::Made frmConvert::settingsNow() const
{
    Made m;
    m.target = target();
    m.transparent = options().transparentEntry;
    m.keepCycles = chkKeepCycles->isChecked();
    return m;
}

const TargetPalette &frmConvert::targetFor(bool quick)
{
    Made want = settingsNow();
    if (made.matches(want))
        return made.made;
    const bool fromPixels = want.target.kind == ConvertTarget::Kind::NewPalette;
    Made &into = quick && fromPixels ? quickMade : made;
    if (into.matches(want))
        return into.made;
    const QImage from = quick ? Reduced(rgba, kQuickPalettePixels) : rgba;
    // Only transparent pixels may take their entry: a new palette goes past it.
    want.made = MakeTargetOffCycles(from.constBits(), from.width(), from.height(),
                                    PaletteColours(startPallet), want.target, want.transparent,
                                    want.keepCycles ? Cycles : CycleRanges{});
    SnapTarget(want.made, TheDocument().CurrentLevels());
    want.valid = true;
    into = std::move(want);
    return into.made;
}

void frmConvert::refresh()
{
    if (qint64(rgba.width()) * rgba.height() <= quickAbove)
        return preview();
    dropWork();
    previewVisible();
    startWork();
}

void frmConvert::dropWork()
{
    later.stop();
    work.stop();
    job.reset();
}

void frmConvert::preview()
{
    dropWork();
    result =
        ConvertPicture(rgba.constBits(), rgba.width(), rgba.height(), targetFor(false), options());
    current = true;
    showResult();
}

void frmConvert::showResult()
{
    const DecodedPicture shown = ConvertedPcx(result, rgba.width(), rgba.height());
    buttons->button(QDialogButtonBox::Ok)->setEnabled(shown.accepted());
    if (shown.accepted())
        showPicture(shown.image, WithColours(startPallet, result.palette));
}

// Over the last whole result, or none: what lies outside the view waits for the next.
void frmConvert::previewVisible()
{
    frmPCX &pcx = FrmPCX();
    const int percent = CurrentZoomPercent(), f = ZoomFactor(percent),
              shown = percent > 100 ? f : 1, n = pcx.Reduction();
    // Zoomed out, a screen pixel stands for n x n of the picture's.
    const QRect view =
        QRect(DrawOffset(pcx.scrlH->value(), f) * n, DrawOffset(pcx.scrlV->value(), f) * n,
              (pcx.innerWidth() / shown + 2) * n, (pcx.innerHeight() / shown + 2) * n) &
        rgba.rect();
    if (view.isEmpty())
        return;
    const TargetPalette &quickTarget = targetFor(true);
    const QImage part = Reduced(rgba.copy(view), kQuickPixels);
    const ConvertedPicture seen =
        ConvertPicture(part.constBits(), part.width(), part.height(), quickTarget, options());
    if (seen.entries.empty())
        return;
    ConvertedPicture quick{seen.palette, result.entries};
    quick.entries.resize(std::size_t(rgba.width()) * std::size_t(rgba.height()));
    // A reduced part is laid back at full size, each of its pixels a block.
    for (int y = 0; y < view.height(); ++y) {
        const std::uint8_t *from =
            seen.entries.data() + std::ptrdiff_t(y * part.height() / view.height()) * part.width();
        std::uint8_t *to =
            quick.entries.data() + std::ptrdiff_t(view.y() + y) * rgba.width() + view.x();
        for (int x = 0; x < view.width(); ++x)
            to[x] = from[x * part.width() / view.width()];
    }
    const DecodedPicture drawn = ConvertedPcx(quick, rgba.width(), rgba.height());
    if (drawn.accepted())
        showPicture(drawn.image, WithColours(startPallet, quick.palette));
}

void frmConvert::startWork()
{
    auto out = std::make_shared<Job>();
    const Made want = settingsNow();
    out->made = made.matches(want) ? made : want;
    job = out;
    RemapOptions o = options();
    const std::array<Rgb8, 256> colours = PaletteColours(startPallet);
    const CycleRanges ranges = out->made.keepCycles ? Cycles : CycleRanges{};
    const Levels levels = TheDocument().CurrentLevels();
    // The worker holds its own copies: the dialog may go before it ends.
    work.start([out, o, picture = rgba, colours, ranges, levels](Progress &progress) mutable {
        const int w = picture.width(), h = picture.height();
        Made &m = out->made;
        progress.Expect((m.valid ? 0 : TargetUnits(w, h, m.target)) + RemapUnits(w, h, o));
        if (!m.valid) {
            m.made = MakeTargetOffCycles(picture.constBits(), w, h, colours, m.target,
                                         m.transparent, ranges, &progress);
            if (progress.Stopped())
                return;
            SnapTarget(m.made, levels);
            m.valid = true;
        }
        o.progress = &progress;
        out->result = ConvertPicture(picture.constBits(), w, h, m.made, o);
    });
}

void frmConvert::workDone()
{
    tick.stop();
    barProgress->hide();
    if (!job)
        return;
    made = std::move(job->made);
    result = std::move(job->result);
    job.reset();
    current = true;
    showResult();
    if (acceptWhenDone)
        accept();
}
