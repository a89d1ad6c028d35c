#include "app/CyclePlayer.h"

#include "app/Document.h"
#include "app/mdlGlobal.h"

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
    clock.start();
    drawn = 0;
    steps.assign(Cycles.size(), 0);
    lastShown = Pallet;
    on = true;
    emit playingChanged(true);
    schedule();
}

void CyclePlayer::stop()
{
    if (!playing())
        return;
    halt();
    emit coloursShown(Pallet);
    if (mdlGlobal::PcxImage.isLoaded())
        TheDocument().Redraw();
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
        emit coloursShown(colours);
        if (mdlGlobal::PcxImage.isLoaded())
            TheDocument().Redraw();
        ++drawn;
    }
    schedule();
}
