#pragma once

#include "model/PalletEntry.h"

#include <QByteArray>
#include <QByteArrayView>

#include <array>
#include <optional>
#include <vector>

// Colour cycling: ranges of entries whose colours turn round at a rate.
// Forward, the colour of entry k shows at k + 1 after one step and the last
// one's at the first; backward the other way round.
struct CycleRange {
    quint8 first = 0;
    quint8 last = 0;
    double rate = 1.0; // steps a second
    bool backward = false;
    bool on = true;

    int length() const { return int(last) - int(first) + 1; }
    // A range of one entry turns without showing it.
    bool turns() const { return on && last > first; }
};
using CycleRanges = std::vector<CycleRange>;

inline bool operator==(const CycleRange &a, const CycleRange &b)
{
    return a.first == b.first && a.last == b.last && a.rate == b.rate && a.backward == b.backward &&
           a.on == b.on;
}

constexpr int kMaxCycleRanges = 16;
constexpr double kMinCycleRate = 0.25;
constexpr double kMaxCycleRate = 60.0;

// The steps each range has made `seconds` after the start.
std::vector<qint64> CycleStepsAt(const CycleRanges &ranges, double seconds);
// The palette as shown after those steps: each range that is on rotated,
// in the order of the list.
PalletArray RotatePallet(const PalletArray &pallet, const CycleRanges &ranges,
                         const std::vector<qint64> &steps);

// Rates to the thousandth of a step: the time after which every range that
// turns is back where it started, as num / den seconds. Nothing when none
// turns or the time is too long to count.
struct CyclePeriod {
    qint64 num = 0;
    qint64 den = 1;
};
std::optional<CyclePeriod> CyclePeriodOf(const CycleRanges &ranges);

// One period as frames of an animation: one at every step of any range,
// shown for `delay` hundredths of a second. Delays are rounded with the
// error carried over, so a frame whose delay rounds to nothing is left out.
struct CycleFrame {
    std::vector<qint64> steps;
    int delay = 0;
};
struct CycleFrames {
    std::vector<CycleFrame> frames;
    bool capped = false; // the period needed more than the cap
};
CycleFrames CycleAnimation(const CycleRanges &ranges, int cap = 1000);

// The entries of the ranges that are on: a conversion leaves them out, so
// that no pixel of the picture flickers with them.
std::array<bool, kPalletEntries> CycledEntries(const CycleRanges &ranges);

// Rates as IFF counts them: 16384 is 60 steps a second.
quint16 RateToIff(double rate);
double RateFromIff(quint16 units);
// The records of ranges as GrafX2 keeps them in a PNG chunk or GIF
// extension: per range the rate and the flags (1 on, 2 backward) as
// big-endian words, then the first and the last entry.
QByteArray CycleRecords(const CycleRanges &ranges);
// Records of any other length than a whole number of ranges are ignored.
CycleRanges ReadCycleRecords(QByteArrayView bytes);
