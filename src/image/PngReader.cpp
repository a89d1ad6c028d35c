#include "image/Crc32.h"
#include "image/PngSession.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace {

// libpng hands an unknown chunk over whatever its CRC says.
bool ChunkCrcHolds(const PngState &s)
{
#ifndef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    const auto *bytes = reinterpret_cast<const quint8 *>(s.bytes.data());
    return s.typeAt >= 0 && s.crcAt + 4 <= s.bytes.size() &&
           Crc32(0, bytes + s.typeAt, std::size_t(s.crcAt - s.typeAt)) ==
               qFromBigEndian<quint32>(bytes + s.crcAt);
#else
    (void)s;
    return true;
#endif
}

// Only the cycling chunk is taken; every other unknown chunk is dropped.
int ReadPrivateChunk(png_structp png, png_unknown_chunkp chunk)
{
    if (std::memcmp(chunk->name, "crNg", 4) != 0)
        return 0;
    auto *s = static_cast<PngState *>(png_get_user_chunk_ptr(png));
    if (!ChunkCrcHolds(*s))
        return 1;
    // Past the ranges kept, whole records are dropped; a broken one voids all.
    s->cycleSize = chunk->size % 6 ? 0 : std::min(chunk->size, sizeof s->cycles);
    if (s->cycleSize > 0) // an empty chunk has no data at all
        std::memcpy(s->cycles, chunk->data, s->cycleSize);
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

// PLTE as the file holds it: libpng drops entries past what the bit depth
// can index, and the working palette still shows them.
QByteArray FilePalette(QByteArrayView file)
{
    for (qsizetype at = 8; at + 8 <= file.size();) {
        const quint32 length = qFromBigEndian<quint32>(file.data() + at);
        const QByteArrayView type = file.sliced(at + 4, 4);
        if (type == "IDAT" || length > quint32(file.size() - at - 8))
            break;
        if (type == "PLTE")
            return file.sliced(at + 8, qMin<qsizetype>(length, 768) / 3 * 3).toByteArray();
        at += 12 + qsizetype(length);
    }
    return {};
}

} // namespace

ImageRead ReadPng(QByteArrayView file)
{
    if (PngHasNoPixel(file))
        return RefuseImage(ImageRefusal::Empty, QStringLiteral("the picture has no pixel"));

    PngState state;
    state.bytes = file;
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
        return RefuseImage(size, QStringLiteral("%1 x %2 pixels").arg(h.width).arg(h.height));
    if (h.colourType == PNG_COLOR_TYPE_GRAY) {
        const int levels = 1 << h.bitDepth;
        for (int k = 0; k < levels; ++k) {
            const char grey = char(k * 255 / (levels - 1));
            r.palette.append(grey).append(grey).append(grey);
        }
    } else {
        r.palette = FilePalette(file);
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
    r.cycles = ReadCycleRecords(QByteArrayView(state.cycles, qsizetype(state.cycleSize)));
    return r;
}
