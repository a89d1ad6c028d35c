#include "model/ZoomOut.h"

#include "base/RunTogether.h"
#include "model/Oklab.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace {

constexpr quint32 kBlack = 0xff000000u;

// Three channels of 16-bit linear light in one word, 21 bits apart: 32
// pixels add up without a field running into the next.
constexpr int kField = 21;
constexpr quint64 kFieldMask = (quint64(1) << kField) - 1;
constexpr int kChunk = 32;

struct LinearTables {
    std::array<quint16, 256> toLinear{};
    std::vector<quint8> toSrgb = std::vector<quint8>(65536);
};

const LinearTables &Tables()
{
    static const LinearTables tables = [] {
        LinearTables t;
        for (int c = 0; c < 256; ++c)
            t.toLinear[std::size_t(c)] =
                quint16(std::lround(kSrgbLinear[std::size_t(c)] * 65535.0f));
        for (int l = 0; l < 65536; ++l)
            t.toSrgb[std::size_t(l)] = LinearToSrgb8(float(l) / 65535.0f);
        return t;
    }();
    return tables;
}

std::array<quint64, 256> PackedLinear(const ColorTable &table)
{
    const auto &lin = Tables().toLinear;
    std::array<quint64, 256> packed{};
    for (std::size_t v = 0; v < 256; ++v) {
        const quint32 c = table[v];
        packed[v] = quint64(lin[(c >> 16) & 0xff]) << (2 * kField) |
                    quint64(lin[(c >> 8) & 0xff]) << kField | lin[c & 0xff];
    }
    return packed;
}

// The packed sum of n <= 32 pixels. Two sums, so that each add need not
// wait for the one before.
template <int N> quint64 SumOf(const quint8 *__restrict p, const quint64 *__restrict packed)
{
    quint64 s0 = 0, s1 = 0;
    for (int k = 0; k < N; k += 2) {
        s0 += packed[p[k]];
        s1 += packed[p[k + 1]];
    }
    return s0 + s1;
}

quint64 SumOf(const quint8 *__restrict p, qint64 n, const quint64 *__restrict packed)
{
    quint64 s = 0;
    for (qint64 k = 0; k < n; ++k)
        s += packed[p[k]];
    return s;
}

template <int N>
void AddBlocks(const quint8 *__restrict p, qint64 blocks, const quint64 *__restrict packed,
               quint64 *__restrict pending)
{
    for (qint64 b = 0; b < blocks; ++b)
        pending[b] += SumOf<N>(p + b * N, packed);
}

// Adds a row's pixels to the packed sums of the blocks of n <= 32 it
// crosses; the last block may be short.
void AddRow(const quint8 *p, qint64 len, int n, const quint64 *packed, quint64 *pending)
{
    const qint64 full = len / n;
    switch (n) {
    case 2:
        AddBlocks<2>(p, full, packed, pending);
        break;
    case 4:
        AddBlocks<4>(p, full, packed, pending);
        break;
    case 8:
        AddBlocks<8>(p, full, packed, pending);
        break;
    case 16:
        AddBlocks<16>(p, full, packed, pending);
        break;
    default:
        AddBlocks<32>(p, full, packed, pending);
        break;
    }
    if (full * n < len)
        pending[full] += SumOf(p + full * n, len - full * n, packed);
}

void Unpack(quint64 s, quint32 *sums)
{
    sums[0] += quint32(s >> (2 * kField));
    sums[1] += quint32((s >> kField) & kFieldMask);
    sums[2] += quint32(s & kFieldMask);
}

// Blocks wider than a packed sum holds: a word per chunk of the row.
void AddWideRow(const quint8 *p, qint64 len, int n, const quint64 *packed, quint32 *sums)
{
    for (qint64 x = 0; x < len; x += n, sums += 3)
        for (qint64 k = x, end = std::min<qint64>(x + n, len); k < end; k += kChunk)
            Unpack(SumOf(p + k, std::min<qint64>(kChunk, end - k), packed), sums);
}

// Flags the blocks of n in which the row holds value v.
void MarkRow(const quint8 *p, qint64 len, int n, int v, std::vector<char> &marks)
{
    for (qint64 x = 0; x < len;) {
        const void *hit = std::memchr(p + x, v, std::size_t(len - x));
        if (!hit)
            return;
        const qint64 b = (static_cast<const quint8 *>(hit) - p) / n;
        marks[std::size_t(b)] = 1;
        x = (b + 1) * n;
    }
}

// Window columns [c0, c1) or rows: the blocks ox + c that lie in the picture.
struct Span {
    qint64 first = 0;
    qint64 end = 0;
};

Span Visible(int offset, int ub, int n, int last, int limit)
{
    if (last < 0)
        return {};
    const qint64 blocks = qint64(ub) / n + 1;
    Span s{std::max<qint64>(0, -qint64(offset)),
           std::min<qint64>({qint64(last) + 1, blocks - offset, limit})};
    s.end = std::max(s.end, s.first);
    return s;
}

} // namespace

int FitReduction(int ub1, int ub2, int areaW, int areaH)
{
    for (int n = 1; n < kReductionMost; n *= 2)
        if (ub1 / n < areaW && ub2 / n < areaH)
            return n;
    return kReductionMost;
}

QString ReducedZoomText(int n)
{
    return QString::number(100.0 / std::max(1, n), 'g', 10);
}

void FillReducedView(uchar *bits, qsizetype bytesPerLine, int width, int height,
                     const PcxImage &image, const ColorTable &table, const DrawView &view,
                     int marked)
{
    if (!bits || width <= 0 || height <= 0)
        return;
    auto rowAt = [&](qint64 y) { return reinterpret_cast<quint32 *>(bits + y * bytesPerLine); };
    const int n = std::max(1, view.f);
    const bool empty = image.UB1 < 0 || image.UB2 < 0 || image.pixels.empty();
    const Span cols = empty ? Span{} : Visible(view.ox, image.UB1, n, view.w, width);
    const Span rows = empty ? Span{} : Visible(view.oy, image.UB2, n, view.h, height);
    for (qint64 y = 0; y < height; ++y)
        if (y < rows.first || y >= rows.end || cols.first == cols.end)
            std::fill_n(rowAt(y), width, kBlack);
    if (cols.first == cols.end || rows.first == rows.end)
        return;

    const std::array<quint64, 256> packed = PackedLinear(table);
    const std::vector<quint8> &toSrgb = Tables().toSrgb;
    const qint64 x0 = (view.ox + cols.first) * n;
    const qint64 x1 = std::min<qint64>((view.ox + cols.end) * n, image.width());
    const qint64 len = x1 - x0;
    const qint64 blocks = cols.end - cols.first;

    auto drawRows = [&](qint64 from, qint64 to) {
        std::vector<quint32> sums(std::size_t(blocks) * 3);
        std::vector<quint64> pending(static_cast<std::size_t>(blocks));
        std::vector<char> marks(static_cast<std::size_t>(blocks));
        std::vector<quint8> copy;
        // Packed sums wait until one more row could overflow them.
        int waiting = 0;
        auto flush = [&] {
            for (qint64 b = 0; b < blocks; ++b)
                Unpack(std::exchange(pending[std::size_t(b)], 0), &sums[std::size_t(b) * 3]);
            waiting = 0;
        };
        for (qint64 r = from; r < to; ++r) {
            std::fill(sums.begin(), sums.end(), 0);
            std::fill(marks.begin(), marks.end(), 0);
            const qint64 y0 = (view.oy + r) * n;
            const qint64 y1 = std::min<qint64>(y0 + n, image.height());
            for (qint64 y = y0; y < y1; ++y) {
                // Past the bytes it holds, a row reads one value.
                const PixelRow row = image.row(int(y));
                const quint8 *p = nullptr;
                if (row.held >= std::size_t(x1)) {
                    p = row.data + x0;
                } else {
                    copy.assign(std::size_t(len), row.rest);
                    if (row.held > std::size_t(x0))
                        std::copy(row.data + x0, row.data + row.held, copy.begin());
                    p = copy.data();
                }
                if (n > kChunk) {
                    AddWideRow(p, len, n, packed.data(), sums.data());
                } else {
                    if (waiting + n > kChunk)
                        flush();
                    AddRow(p, len, n, packed.data(), pending.data());
                    waiting += n;
                }
                if (marked >= 0)
                    MarkRow(p, len, n, marked, marks);
            }
            flush();
            quint32 *dst = rowAt(r);
            std::fill_n(dst, cols.first, kBlack);
            for (qint64 b = 0; b < blocks; ++b) {
                const quint32 count =
                    quint32((std::min<qint64>((b + 1) * n, len) - b * n) * (y1 - y0));
                const quint32 *s = &sums[std::size_t(b) * 3];
                auto channel = [&](int k) { return quint32(toSrgb[(s[k] + count / 2) / count]); };
                dst[cols.first + b] = marks[std::size_t(b)] ? table[std::size_t(marked)]
                                                            : kBlack | channel(0) << 16 |
                                                                  channel(1) << 8 | channel(2);
            }
            std::fill(dst + cols.end, dst + width, kBlack);
        }
    };
    // Two halves at once when the work is worth a thread.
    const qint64 rowCount = rows.end - rows.first;
    const bool split = len * qint64(n) * rowCount > (qint64(1) << 20) && rowCount > 1;
    if (!split)
        return drawRows(rows.first, rows.end);
    const qint64 middle = rows.first + rowCount / 2;
    RunTogether(2, [&](int k) { k ? drawRows(middle, rows.end) : drawRows(rows.first, middle); });
}
