#include "image/Crc32.h"
#include "image/ImageRead.h"
#include "palette/Cycling.h"

#include <QtEndian>

#include <png.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

// What libpng's callbacks share with the reader. Plain data only: libpng
// leaves by longjmp, which runs no destructor.
struct PngState {
    QByteArrayView bytes;
    qsizetype at = 0;
    bool ranOut = false;
    bool inRows = false;
    png_uint_32 chunk = 0; // the chunk being read when libpng gave up
    char message[160] = {};
    // Where the next chunk starts, and the current one's type and CRC.
    qint64 nextChunk = 8;
    qint64 typeAt = -1;
    qint64 crcAt = -1;
    bool idat = false;
    // Where the next decoded row goes, and the end of the pixels.
    quint8 *nextRow = nullptr;
    quint8 *rowsEnd = nullptr;
    // GrafX2's colour cycling chunk, as many records as a palette has ranges.
    quint8 cycles[6 * kMaxCycleRanges] = {};
    std::size_t cycleSize = 0;
};

struct PngHeader {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 0;
    int colourType = 0;
    int passes = 1;
};

PngState &StateOf(png_structp png)
{
    return *static_cast<PngState *>(png_get_error_ptr(png));
}

// IDAT CRCs are checked here, by a faster sum than libpng's, when libpng
// reads them, so a bad one is refused at the same point and in the same words.
void CheckIdatCrc(png_structp png, PngState &s, std::size_t wanted)
{
#ifndef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    const auto *bytes = reinterpret_cast<const quint8 *>(s.bytes.data());
    if (s.at == s.nextChunk && wanted == 8) {
        s.typeAt = s.at + 4;
        s.crcAt = s.typeAt + 4 + qint64(qFromBigEndian<quint32>(bytes + s.at));
        s.nextChunk = s.crcAt + 4;
        s.idat = std::memcmp(bytes + s.typeAt, "IDAT", 4) == 0;
        png_set_crc_action(png, s.idat ? PNG_CRC_QUIET_USE : PNG_CRC_DEFAULT, PNG_CRC_NO_CHANGE);
    } else if (s.idat && s.at == s.crcAt && wanted == 4) {
        if (Crc32(0, bytes + s.typeAt, std::size_t(s.crcAt - s.typeAt)) !=
            qFromBigEndian<quint32>(bytes + s.crcAt))
            png_chunk_error(png, "CRC error");
    }
#else
    (void)png;
    (void)s;
    (void)wanted;
#endif
}

void ReadPngBytes(png_structp png, png_bytep out, std::size_t wanted)
{
    PngState &s = StateOf(png);
    if (wanted > std::size_t(s.bytes.size() - s.at)) {
        s.ranOut = true;
        png_error(png, "the file ends early");
    }
    CheckIdatCrc(png, s, wanted);
    std::memcpy(out, s.bytes.data() + s.at, wanted);
    s.at += qsizetype(wanted);
}

[[noreturn]] void OnPngError(png_structp png, png_const_charp message)
{
    PngState &s = StateOf(png);
    qstrncpy(s.message, message, sizeof s.message);
    s.chunk = png_get_io_chunk_type(png);
    png_longjmp(png, 1);
}

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

// Only errors count; libpng's own lines never reach stderr.
void OnPngWarning(png_structp, png_const_charp) {}

// The two steps that may longjmp back here: no local needs a destructor.
bool ReadPngHeader(png_structp png, png_infop info, PngHeader &h)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_info(png, info);
    png_get_IHDR(png, info, &h.width, &h.height, &h.bitDepth, &h.colourType, nullptr, nullptr,
                 nullptr);
    return true;
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
        png_set_read_user_transform_fn(png, FlipRowInto);
        png_read_update_info(png, info);
        for (std::size_t y = 0; y < h.height; ++y)
            png_read_row(png, nullptr, nullptr);
        return true;
    }
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

ImageRead RefusePng(const PngState &s, bool header)
{
    if (s.ranOut)
        return RefuseImage(ImageRefusal::Truncated,
                           QStringLiteral("the file ends before the picture is complete"));
    const QString message = QString::fromLatin1(s.message);
    // libpng reaches IEND before any IDAT as a chunk out of place.
    if (header && s.chunk == 0x49454e44u /* IEND */)
        return RefuseImage(ImageRefusal::Truncated, QStringLiteral("the file holds no image data"));
    if (s.inRows && message == QLatin1String("Not enough image data"))
        return RefuseImage(ImageRefusal::Truncated,
                           QStringLiteral("the image data ends before the last row"));
    if (message == QLatin1String("Out of memory"))
        return RefuseImage(ImageRefusal::TooLarge, QStringLiteral("out of memory"));
    return RefuseImage(ImageRefusal::Unreadable, message);
}

struct PngReadGuard {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~PngReadGuard() { png_destroy_read_struct(&png, &info, nullptr); }
};

} // namespace

ImageRead ReadPng(QByteArrayView file)
{
    // libpng names a zero size only as "Invalid IHDR data".
    if (file.size() >= 24 && file.sliced(12, 4) == "IHDR" &&
        (qFromBigEndian<quint32>(file.data() + 16) == 0 ||
         qFromBigEndian<quint32>(file.data() + 20) == 0))
        return RefuseImage(ImageRefusal::Empty, QStringLiteral("the picture has no pixel"));

    PngState state;
    state.bytes = file;
    PngReadGuard guard;
    guard.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &state, OnPngError, OnPngWarning);
    if (guard.png)
        guard.info = png_create_info_struct(guard.png);
    if (!guard.info)
        return RefuseImage(ImageRefusal::TooLarge, QStringLiteral("out of memory"));
    png_structp png = guard.png;
    png_set_read_fn(png, &state, ReadPngBytes);
    // The one size limit is CheckImageSize's; libpng's own would refuse
    // wide pictures that are well within it.
    png_set_user_limits(png, 0x7fffffff, 0x7fffffff);
    // No ancillary chunk matters for the pixels or the colour table, so none
    // is kept, decompressed or cached (libpng's chunk size limit stays).
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER,
                                reinterpret_cast<png_const_bytep>("tRNS"), 1);
    png_set_read_user_chunk_fn(png, &state, ReadPrivateChunk);
    // An index past a short PLTE shows black; it is no reason to refuse.
    png_set_check_for_invalid_index(png, 0);
    png_set_benign_errors(png, 1);
    // Every IDAT byte is under its chunk's CRC, which stays checked; zlib's
    // own checksum of the pixels would only repeat it, at a quarter of the time.
    png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    png_set_crc_action(png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
#endif

    PngHeader h;
    if (!ReadPngHeader(png, guard.info, h))
        return RefusePng(state, true);

    ImageRead r;
    if (h.bitDepth > 8 ||
        (h.colourType != PNG_COLOR_TYPE_PALETTE && h.colourType != PNG_COLOR_TYPE_GRAY))
        return RefuseImage(ImageRefusal::NotIndexed,
                           QStringLiteral("no palette of 256 colours or fewer"));
    if (const ImageRefusal size = CheckImageSize(h.width, h.height); size != ImageRefusal::None)
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
