#include "model/Cycling.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

// Past this the period is longer than any animation is allowed to be: even
// the slowest range makes more steps in it than the cap.
constexpr qint64 kLongestPeriodNum = qint64(1) << 40;

qint64 Millisteps(const CycleRange &r)
{
    return std::llround(std::clamp(r.rate, kMinCycleRate, kMaxCycleRate) * 1000);
}

// Hundredths of a second at k steps of a range of m millisteps a second,
// rounded half up: 100 * k * 1000 / m.
qint64 Centis(qint64 k, qint64 m)
{
    return (200000 * k + m) / (2 * m);
}

} // namespace

std::vector<qint64> CycleStepsAt(const CycleRanges &ranges, double seconds)
{
    std::vector<qint64> steps;
    steps.reserve(ranges.size());
    for (const CycleRange &r : ranges)
        steps.push_back(qint64(std::floor(std::max(0.0, seconds) * r.rate)));
    return steps;
}

PalletArray RotatePallet(const PalletArray &pallet, const CycleRanges &ranges,
                         const std::vector<qint64> &steps)
{
    // Each range takes its colours from the palette as edited, so where
    // ranges overlap the later one shows, as GrafX2 draws them.
    PalletArray out = pallet;
    for (std::size_t i = 0; i < ranges.size() && i < steps.size(); ++i) {
        const CycleRange &r = ranges[i];
        if (!r.turns())
            continue;
        const qint64 n = r.length();
        qint64 shift = steps[i] % n;
        if (r.backward)
            shift = (n - shift) % n;
        for (qint64 j = 0; j < n; ++j)
            out[std::size_t(r.first + (j + shift) % n)] = pallet[std::size_t(r.first + j)];
    }
    return out;
}

std::optional<CyclePeriod> CyclePeriodOf(const CycleRanges &ranges)
{
    // Each range is back after length / rate = 1000 * length / m seconds;
    // together after the least common multiple of those fractions.
    qint64 num = 0;
    qint64 den = 0;
    for (const CycleRange &r : ranges) {
        if (!r.turns())
            continue;
        const qint64 m = Millisteps(r);
        const qint64 a = 1000 * qint64(r.length());
        const qint64 g = std::gcd(a, m);
        const qint64 n = a / g;
        num = num == 0 ? n : num / std::gcd(num, n) * n;
        den = std::gcd(den, m / g);
        if (num > kLongestPeriodNum)
            return std::nullopt;
    }
    if (num == 0)
        return std::nullopt;
    return CyclePeriod{num, den};
}

CycleFrames CycleAnimation(const CycleRanges &ranges, int cap)
{
    CycleFrames result;
    const std::optional<CyclePeriod> period = CyclePeriodOf(ranges);
    std::vector<qint64> m(ranges.size(), 0);
    for (std::size_t i = 0; i < ranges.size(); ++i)
        m[i] = ranges[i].turns() ? Millisteps(ranges[i]) : 0;
    // The next step of each range, as a count; the time of step k of range i
    // is k * 1000 / m[i].
    std::vector<qint64> next(ranges.size(), 1);
    std::vector<qint64> steps(ranges.size(), 0);
    qint64 shownFrom = 0; // hundredths, where the frame being built starts
    for (;;) {
        // The earliest next step of any range: k_a / m_a < k_b / m_b.
        std::size_t a = ranges.size();
        for (std::size_t i = 0; i < ranges.size(); ++i)
            if (m[i] && (a == ranges.size() || next[i] * m[a] < next[a] * m[i]))
                a = i;
        const bool atEnd =
            a == ranges.size() || (period && next[a] * 1000 * period->den >= period->num * m[a]);
        const qint64 until = a == ranges.size() ? shownFrom
                             : atEnd && period
                                 ? (200 * period->num + period->den) / (2 * period->den)
                                 : Centis(next[a], m[a]);
        if (until > shownFrom) {
            if (int(result.frames.size()) == cap) {
                result.capped = true;
                break;
            }
            result.frames.push_back({steps, int(until - shownFrom)});
            shownFrom = until;
        }
        if (atEnd)
            break;
        const qint64 k = next[a];
        for (std::size_t j = 0; j < ranges.size(); ++j)
            steps[j] = m[j] ? k * m[j] / m[a] : 0;
        for (std::size_t j = 0; j < ranges.size(); ++j)
            if (m[j] && next[j] * m[a] == k * m[j])
                ++next[j];
    }
    return result;
}

std::array<bool, kPalletEntries> CycledEntries(const CycleRanges &ranges)
{
    std::array<bool, kPalletEntries> cycled{};
    for (const CycleRange &r : ranges)
        if (r.on)
            std::fill(cycled.begin() + r.first, cycled.begin() + r.last + 1, true);
    return cycled;
}

quint16 RateToIff(double rate)
{
    return quint16(std::clamp<long>(std::lround(rate * 16384 / 60), 0, 0xFFFF));
}

double RateFromIff(quint16 units)
{
    // The roundest rate that is stored as the same units: 2731 reads as 10,
    // not 10.0012, so that ranges read back keep a period of their own.
    const double exact = units * 60.0 / 16384;
    for (const double scale : {1.0, 10.0, 100.0, 1000.0}) {
        const double round = std::round(exact * scale) / scale;
        if (RateToIff(round) == units)
            return std::clamp(round, kMinCycleRate, kMaxCycleRate);
    }
    return std::clamp(exact, kMinCycleRate, kMaxCycleRate);
}

QByteArray CycleRecords(const CycleRanges &ranges)
{
    QByteArray out;
    for (std::size_t i = 0; i < ranges.size() && i < kMaxCycleRanges; ++i) {
        const CycleRange &r = ranges[i];
        const quint16 rate = RateToIff(r.rate);
        const int flags = (r.on ? 1 : 0) | (r.backward ? 2 : 0);
        out.append(char(rate >> 8)).append(char(rate & 0xFF));
        out.append(char(0)).append(char(flags));
        out.append(char(r.first)).append(char(r.last));
    }
    return out;
}

CycleRanges ReadCycleRecords(QByteArrayView bytes)
{
    CycleRanges ranges;
    if (bytes.size() % 6 != 0)
        return ranges;
    const auto *b = reinterpret_cast<const quint8 *>(bytes.data());
    for (qsizetype at = 0; at < bytes.size() && ranges.size() < kMaxCycleRanges; at += 6) {
        CycleRange r;
        r.rate = RateFromIff(quint16(b[at] << 8 | b[at + 1]));
        const int flags = b[at + 2] << 8 | b[at + 3];
        r.on = flags & 1;
        r.backward = flags & 2;
        r.first = std::min(b[at + 4], b[at + 5]);
        r.last = std::max(b[at + 4], b[at + 5]);
        ranges.push_back(r);
    }
    return ranges;
}
