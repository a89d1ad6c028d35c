#include "model/Render.h"

#include "base/Numbers.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr quint32 kBlack = 0xff000000u;

// Writes n source pixels as n * F raster pixels; F is fixed so the copies
// unroll. Without the restrict the compiler must assume a store to the
// raster can change the table and reloads in order, at half the speed.
template <int F>
void MapRow(quint32 *__restrict dst, const quint8 *__restrict src, qsizetype n,
            const quint32 *__restrict table)
{
    for (qsizetype i = 0; i < n; ++i) {
        const quint32 c = table[src[i]];
        for (int k = 0; k < F; ++k)
            dst[i * F + k] = c;
    }
}

void MapRowAnyZoom(quint32 *__restrict dst, const quint8 *__restrict src, qsizetype n, int f,
                   const quint32 *__restrict table)
{
    for (qsizetype i = 0; i < n; ++i)
        std::fill_n(dst + i * f, f, table[src[i]]);
}

void MapRowZoom(quint32 *dst, const quint8 *src, qsizetype n, int f, const ColorTable &table)
{
    const quint32 *t = table.data();
    switch (f) {
    case 1:
        return MapRow<1>(dst, src, n, t);
    case 2:
        return MapRow<2>(dst, src, n, t);
    case 3:
        return MapRow<3>(dst, src, n, t);
    case 4:
        return MapRow<4>(dst, src, n, t);
    default:
        return MapRowAnyZoom(dst, src, n, f, t);
    }
}

// Blocks [first, end) of an axis that show image pixels: a block index i
// shows image index offset + i, which must lie in 0..ub; blocks start at
// i * f <= last.
struct BlockSpan {
    qint64 first = 0;
    qint64 end = 0;
};

BlockSpan VisibleBlocks(int offset, int ub, int last, int f)
{
    if (last < 0)
        return {};
    const qint64 count = qint64(last) / f + 1;
    BlockSpan s;
    s.first = std::max<qint64>(0, -qint64(offset));
    s.end = std::min<qint64>(count, qint64(ub) - offset + 1);
    if (s.end < s.first)
        s.end = s.first;
    return s;
}

} // namespace

int ZoomFactor(int percent)
{
    return int(DivRoundHalfEven(percent, 100));
}

qint32 GetPixelColor(const PalletArray &pallet, int searchId, quint8 v)
{
    const int i = 255 - v;
    if (searchId >= 0 && searchId <= 255 && i != searchId && i != 255)
        return pallet[std::size_t(searchId)].complement();
    return pallet[std::size_t(i)].color();
}

ColorTable BuildColorTable(const PalletArray &pallet, int searchId)
{
    ColorTable table{};
    for (int v = 0; v < 256; ++v)
        table[std::size_t(v)] = PackedToRgb32(GetPixelColor(pallet, searchId, quint8(v)));
    return table;
}

bool DrawResetsScroll(int ub, int f, int area)
{
    return qint64(area) >= qint64(ub) * f;
}

int DrawOffset(int scrollPos, int f)
{
    return int(DivRoundHalfEven(scrollPos, std::max(1, f)));
}

DrawAxis PlanDrawAxis(int ub, int f, int area, int scrollPos)
{
    const qint64 zoomed = qint64(ub) * f;
    const int offset = DrawOffset(scrollPos, f);
    if (zoomed >= qint64(offset) + area)
        return {offset, area, true};
    return {0, int(zoomed), false};
}

void FillView(uchar *bits, qsizetype bytesPerLine, int width, int height, const PcxImage &image,
              const ColorTable &table, const DrawView &view)
{
    if (!bits || width <= 0 || height <= 0)
        return;
    const int f = std::max(1, view.f);
    if (image.UB1 < 0 || image.UB2 < 0 || image.pixels.empty()) {
        for (int y = 0; y < height; ++y)
            std::fill_n(reinterpret_cast<quint32 *>(bits + y * bytesPerLine), width, kBlack);
        return;
    }
    const BlockSpan cols = VisibleBlocks(view.ox, image.UB1, view.w, f);
    const BlockSpan rows = VisibleBlocks(view.oy, image.UB2, view.h, f);

    // Raster columns [x0, x1) show image pixels; a partial block at the
    // right edge is cut by the raster.
    const qint64 x0 = std::min<qint64>(cols.first * f, width);
    const qint64 x1 = std::min<qint64>(cols.end * f, width);
    const qint64 fullBlocks = (x1 - x0) / f;
    const qint64 partial = (x1 - x0) % f;
    const qsizetype rowBytes = qsizetype(width) * 4;

    auto rowAt = [&](qint64 y) { return reinterpret_cast<quint32 *>(bits + y * bytesPerLine); };

    qint64 y = 0;
    const qint64 yDrawn = std::min<qint64>(rows.first * f, height);
    for (; y < yDrawn; ++y)
        std::fill_n(rowAt(y), width, kBlack);

    for (qint64 iy = rows.first; iy < rows.end && y < height; ++iy) {
        quint32 *dst = rowAt(y);
        // Past the bytes it holds, a row reads its last byte: those blocks
        // take one colour.
        const PixelRow row = image.row(int(view.oy + iy));
        const std::size_t from = std::size_t(view.ox + cols.first);
        const qint64 held = row.held > from ? qint64(row.held - from) : 0;
        const qint64 mapped = std::min(held, fullBlocks);
        std::fill_n(dst, x0, kBlack);
        if (mapped > 0)
            MapRowZoom(dst + x0, row.data + from, mapped, f, table);
        std::fill_n(dst + x0 + mapped * f, (fullBlocks - mapped) * f, table[row.rest]);
        if (partial > 0)
            std::fill_n(dst + x0 + fullBlocks * f, partial,
                        table[fullBlocks < held ? row.data[from + fullBlocks] : row.rest]);
        std::fill_n(dst + x1, width - x1, kBlack);
        const qint64 repeat = std::min<qint64>(f, height - y);
        for (qint64 k = 1; k < repeat; ++k)
            std::memcpy(rowAt(y + k), dst, std::size_t(rowBytes));
        y += repeat;
    }

    for (; y < height; ++y)
        std::fill_n(rowAt(y), width, kBlack);
}
