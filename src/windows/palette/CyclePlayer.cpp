#include "windows/palette/CyclePlayer.h"

#include "app/mdlGlobal.h"
#include "windows/Forms.h"
#include "windows/kit/WindowKit.h"
#include "windows/palette/frmPallet.h"
#include "windows/screen/DrawPcxImage.h"

#include <QShortcut>
#include <QWidget>

#include <cmath>

using namespace mdlGlobal;

CyclePlayer::CyclePlayer()
{
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, &QTimer::timeout, this, &CyclePlayer::tick);
}

CyclePlayer &ThePlayer()
{
    static CyclePlayer player;
    return player;
}

void CyclePlayer::toggle()
{
    if (playing())
        return stop();
    // The windows may go first (the end of the run): play ends with them.
    connect(&FrmPallet(), &QObject::destroyed, this, &CyclePlayer::halt, Qt::UniqueConnection);
    clock.start();
    drawn = 0;
    steps.assign(Cycles.size(), 0);
    lastShown = lastPallet = Pallet;
    painted.fill(-1);
    on = true;
    emit playingChanged(true);
    schedule();
}

void CyclePlayer::stop()
{
    if (!playing())
        return;
    halt();
    paintCells(Pallet);
    if (mdlGlobal::PcxImage.isLoaded())
        DrawPcxImage();
}

void CyclePlayer::halt()
{
    timer.stop();
    on = false;
    steps.clear();
    emit playingChanged(false);
}

PalletArray CyclePlayer::shown() const
{
    return playing() ? RotatePallet(Pallet, Cycles, steps) : Pallet;
}

void CyclePlayer::rangesChanged()
{
    emit cyclesChanged();
    if (playing())
        tick();
}

// Waits for the earliest next step of any range that turns.
void CyclePlayer::schedule()
{
    const double now = clock.nsecsElapsed() / 1e9;
    double next = -1;
    for (const CycleRange &r : Cycles)
        if (r.turns()) {
            const double at = (std::floor(now * r.rate) + 1) / r.rate;
            next = next < 0 ? at : std::min(next, at);
        }
    // With nothing to turn no timer runs, until the ranges change.
    if (next >= 0)
        timer.start(int(std::ceil((next - now) * 1000)));
}

void CyclePlayer::tick()
{
    steps = CycleStepsAt(Cycles, clock.nsecsElapsed() / 1e9);
    const PalletArray colours = RotatePallet(Pallet, Cycles, steps);
    if (colours != lastShown) {
        lastShown = colours;
        paintCells(colours);
        if (mdlGlobal::PcxImage.isLoaded())
            DrawPcxImage();
        ++drawn;
    }
    schedule();
}

// Only cells whose colour changed are given one. An edit shows its entry's
// own colour in the cell, which is taken into account here.
void CyclePlayer::paintCells(const PalletArray &colours)
{
    frmPallet &pallet = FrmPallet();
    for (std::size_t i = 0; i < kPalletEntries; ++i) {
        if (Pallet[i] != lastPallet[i])
            painted[i] = -1;
        const qint64 now = painted[i] >= 0 ? painted[i] : Pallet[i].color();
        const qint64 want = colours[i].color();
        if (want == now)
            continue;
        SetBackground(pallet.lblColor[i], PackedToQColor(qint32(want)));
        painted[i] = want;
    }
    lastPallet = Pallet;
}

void AddPlayKey(QWidget *window)
{
    auto *key = new QShortcut(QKeySequence(Qt::Key_F5), window);
    QObject::connect(key, &QShortcut::activated, window, [] { ThePlayer().toggle(); });
}

void ChangeCycles(const CycleRanges &after)
{
    const CycleRanges before = Cycles;
    if (before == after)
        return;
    Cycles = after;
    // Ranges belong to their picture: another opened since keeps its own.
    const quint64 picture = mdlGlobal::PcxImagesDecoded;
    FrmPallet().History().record({}, 0, [before, after, picture](PalletHistory::Side side) {
        if (mdlGlobal::PcxImagesDecoded != picture)
            return;
        Cycles = side == PalletHistory::Side::Before ? before : after;
        ThePlayer().rangesChanged();
    });
    ThePlayer().rangesChanged();
}
