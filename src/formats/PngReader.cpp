#include "formats/PngSession.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace {

// Only the cycling and the marks chunks are taken; every other unknown chunk
// is dropped.
int ReadPrivateChunk(png_structp png, png_unknown_chunkp chunk)
{
    PngState &s = *static_cast<PngState *>(png_get_user_chunk_ptr(png));
    if (std::memcmp(chunk->name, "crNg", 4) == 0)
        TakeCycleChunk(s, *chunk);
    if (std::memcmp(chunk->name, "pmLk", 4) == 0)
        TakeMarksChunk(s, *chunk);
    return 1;
}

// 255 - v is v with every bit flipped: eight pixels at a time.
void FlipPixels(quint8 *out, const quint8 *in, std::size_t n)
{
    std::size_t i = 0;
    for (quint64 word; i + 8 <= n; i += 8) {
        std::memcpy(&word, in + i, 8);
        word = ~word;
        std::memcpy(out + i, &word, 8);
    }
    for (; i < n; ++i)
        out[i] = quint8(~in[i]);
}

// Turns each decoded row into its place in the pixels, in the one pass that
// takes it out of libpng's buffer.
void FlipRowInto(png_structp png, png_row_infop row, png_bytep data)
{
    PngState &s = StateOf(png);
    const std::size_t n = qMin(std::size_t(row->rowbytes), std::size_t(s.rowsEnd - s.nextRow));
    FlipPixels(s.nextRow, data, n);
    s.nextRow += n;
    PngRowDecoded(s);
}

// libpng allocates its row buffers here, once the size is known to be within
// the limit.
bool ReadPngRows(png_structp png, png_infop info, PngHeader &h, quint8 *pixels)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    StateOf(png).inRows = true;
    if (h.bitDepth < 8)
        png_set_packing(png);
    h.passes = png_set_interlace_handling(png);
    const std::size_t w = h.width;
    if (h.passes == 1) {
        PngState &s = StateOf(png);
        s.nextRow = pixels;
        s.rowsEnd = pixels + w * h.height;
        CountPngRows(png, h, FlipRowInto);
        png_read_update_info(png, info);
        for (std::size_t y = 0; y < h.height; ++y)
            png_read_row(png, nullptr, nullptr);
        return true;
    }
    CountPngRows(png, h);
    png_read_update_info(png, info);
    // Each Adam7 pass writes only its own pixels of a row, so the rows are
    // read in place pass after pass and turned once at the end.
    for (int pass = 0; pass < h.passes; ++pass)
        for (std::size_t y = 0; y < h.height; ++y)
            png_read_row(png, pixels + y * w, nullptr);
    FlipPixels(pixels, pixels, w * h.height);
    return true;
}

} // namespace

ImageRead ReadPng(QByteArrayView file)
{
    ByteSource source(file);
    return ReadPng(source);
}

ImageRead ReadPng(ByteSource &source)
{
    if (PngHasNoPixel(source.peek(24)))
        return RefuseImage(ImageRefusal::Empty, QStringLiteral("the picture has no pixel"));

    PngState state;
    state.source = &source;
    PngReadGuard guard;
    if (!StartPngRead(guard, state, false))
        return RefuseImage(ImageRefusal::TooLarge, QStringLiteral("out of memory"));
    png_structp png = guard.png;
    png_set_read_user_chunk_fn(png, &state, ReadPrivateChunk);

    PngHeader h;
    if (!ReadPngHeader(png, guard.info, h))
        return RefusePng(state, true);

    ImageRead r;
    if (h.bitDepth > 8 ||
        (h.colourType != PNG_COLOR_TYPE_PALETTE && h.colourType != PNG_COLOR_TYPE_GRAY))
        return RefuseImage(ImageRefusal::NotIndexed,
                           QStringLiteral("no palette of 256 colours or fewer"));
    if (const ImageRefusal size = CheckOpenedSize(h.width, h.height); size != ImageRefusal::None)
        return RefuseImage(size, size == ImageRefusal::Empty
                                     ? QStringLiteral("the picture has no pixel")
                                     : TooLargeText(h.width, h.height, true));
    if (h.colourType == PNG_COLOR_TYPE_GRAY) {
        const int levels = 1 << h.bitDepth;
        for (int k = 0; k < levels; ++k) {
            const char grey = char(k * 255 / (levels - 1));
            r.palette.append(grey).append(grey).append(grey);
        }
    } else {
        r.palette = QByteArray(reinterpret_cast<const char *>(state.palette),
                               qMax<qint64>(state.paletteSize, 0));
    }

    const std::size_t n = std::size_t(h.width) * h.height;
    PixelBytes pixels = AllocatePixels(n);
    if (!pixels)
        return RefuseImage(ImageRefusal::TooLarge, QStringLiteral("out of memory"));
    if (!ReadPngRows(png, guard.info, h, pixels.get()))
        return RefusePng(state, false);
    r.width = int(h.width);
    r.height = int(h.height);
    r.pixels = PixelBuffer(std::move(pixels), n);
    r.cycles = ReadCycleRecords(QByteArrayView(state.cycles.data, qsizetype(state.cycles.size)));
    r.marks = ReadMarksRecord(QByteArrayView(state.marks.data, qsizetype(state.marks.size)))
                  .value_or(EntryMarks{});
    return r;
}
