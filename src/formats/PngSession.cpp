#include "formats/PngSession.h"

#include "formats/Crc32.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace {

// Compressed bytes past the last row that libpng may still read, looking for
// the end of the data: a few bytes end a stream, and this much inflates to
// at most about 16 MiB. A file that holds more is refused, not inflated.
constexpr qint64 kDataAfterRows = 16 * 1024;

constexpr quint32 kIdat = 0x49444154u;
constexpr quint32 kPlte = 0x504c5445u;
constexpr quint32 kCrng = 0x63724e67u;
constexpr quint32 kPmlk = 0x706d4c6bu;

bool CrcHolds(const PngState &s)
{
#ifndef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    return s.crc == qFromBigEndian<quint32>(s.held);
#else
    (void)s;
    return true;
#endif
}

template <std::size_t N> void Settle(HeldChunk<N> &c)
{
    if (c.pendingChunk < 0 || c.pendingChunk != c.lastChunk)
        return;
    if (c.lastHolds) {
        std::memcpy(c.data, c.pending, c.pendingSize);
        c.size = c.pendingSize;
    }
    c.pendingChunk = -1;
}

template <std::size_t N> void ChunkEnded(const PngState &s, HeldChunk<N> &c, bool holds)
{
    c.lastChunk = s.chunkAt;
    c.lastHolds = holds;
    Settle(c);
}

// `size` bytes of the chunk are kept, none when it is to be ignored.
template <std::size_t N>
void Take(const PngState &s, HeldChunk<N> &c, const png_unknown_chunk &chunk, std::size_t size)
{
    c.pendingSize = size;
    if (size > 0) // an empty chunk has no data at all
        std::memcpy(c.pending, chunk.data, size);
    // Its CRC is read after, or was just before.
    c.pendingChunk = s.crcAt >= 0 ? s.chunkAt : c.lastChunk;
    Settle(c);
}

// IDAT CRCs are checked here, by a faster sum than libpng's, as the bytes go
// by, so a bad one is refused where libpng would, in the same words.
void StartChunk(png_structp png, PngState &s)
{
    s.type = qFromBigEndian<quint32>(s.held + 4);
    s.crcAt = s.chunkAt + 8 + qFromBigEndian<quint32>(s.held);
    s.crc = Crc32(0, s.held + 4, 4);
    if (s.type == kPlte && !s.idatSeen && s.paletteAt < 0) {
        s.paletteAt = s.chunkAt;
        s.paletteSize = qMin<qint64>(s.crcAt - s.chunkAt - 8, 768) / 3 * 3;
    }
    s.idatSeen = s.idatSeen || s.type == kIdat;
#ifndef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    png_set_crc_action(png, s.type == kIdat ? PNG_CRC_QUIET_USE : PNG_CRC_DEFAULT,
                       PNG_CRC_NO_CHANGE);
#else
    (void)png;
#endif
}

void EndChunk(png_structp png, PngState &s)
{
    const bool holds = CrcHolds(s);
    if (s.type == kIdat && !holds)
        png_chunk_error(png, "CRC error");
    if (s.type == kCrng)
        ChunkEnded(s, s.cycles, holds);
    if (s.type == kPmlk)
        ChunkEnded(s, s.marks, holds);
    s.chunkAt = s.crcAt + 4;
    s.crcAt = -1;
}

// Follows the chunks through the bytes libpng reads, whatever their parts.
void Follow(png_structp png, PngState &s, const quint8 *p, qint64 n)
{
    while (n > 0) {
        qint64 take;
        if (s.at < 8) {
            take = qMin(n, 8 - s.at);
        } else if (s.crcAt < 0) {
            const qint64 off = s.at - s.chunkAt;
            take = qMin(n, 8 - off);
            std::memcpy(s.held + off, p, std::size_t(take));
            if (off + take == 8)
                StartChunk(png, s);
        } else if (s.at < s.crcAt) {
            take = qMin(n, s.crcAt - s.at);
            s.crc = Crc32(s.crc, p, std::size_t(take));
            const qint64 off = s.at - s.chunkAt - 8;
            if (s.chunkAt == s.paletteAt && off < s.paletteSize)
                std::memcpy(s.palette + off, p, std::size_t(qMin(take, s.paletteSize - off)));
        } else {
            const qint64 off = s.at - s.crcAt;
            take = qMin(n, 4 - off);
            std::memcpy(s.held + off, p, std::size_t(take));
            if (off + take == 4)
                EndChunk(png, s);
        }
        s.at += take;
        p += take;
        n -= take;
    }
}

void ReadPngBytes(png_structp png, png_bytep out, std::size_t wanted)
{
    PngState &s = StateOf(png);
    if (s.rowsLeft == 0 && (s.afterRows += qint64(wanted)) > kDataAfterRows) {
        s.pastRows = true;
        png_error(png, "data past the last row");
    }
    if (s.source->read(out, qint64(wanted)) < qint64(wanted)) {
        s.ranOut = true;
        png_error(png, "the file ends early");
    }
    Follow(png, s, out, qint64(wanted));
}

[[noreturn]] void OnPngError(png_structp png, png_const_charp message)
{
    PngState &s = StateOf(png);
    qstrncpy(s.message, message, sizeof s.message);
    s.chunk = png_get_io_chunk_type(png);
    png_longjmp(png, 1);
}

void CountRow(png_structp png, png_row_infop, png_bytep)
{
    PngRowDecoded(StateOf(png));
}

// Only errors count; libpng's own lines never reach stderr.
void OnPngWarning(png_structp, png_const_charp) {}

} // namespace

PngState &StateOf(png_structp png)
{
    return *static_cast<PngState *>(png_get_error_ptr(png));
}

bool StartPngRead(PngReadGuard &guard, PngState &state, bool transparency)
{
    guard.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &state, OnPngError, OnPngWarning);
    if (guard.png)
        guard.info = png_create_info_struct(guard.png);
    if (!guard.info)
        return false;
    png_structp png = guard.png;
    png_set_read_fn(png, &state, ReadPngBytes);
    // The one size limit is CheckImageSize's; libpng's own would refuse
    // wide pictures that are well within it.
    png_set_user_limits(png, 0x7fffffff, 0x7fffffff);
    // No other ancillary chunk matters for the pixels or the colours, so none
    // is kept, decompressed or cached (libpng's chunk size limit stays).
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    if (!transparency)
        png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER,
                                    reinterpret_cast<png_const_bytep>("tRNS"), 1);
    // An index past a short PLTE shows black; it is no reason to refuse.
    png_set_check_for_invalid_index(png, 0);
    png_set_benign_errors(png, 1);
    // Every IDAT byte is under its chunk's CRC, which stays checked; zlib's
    // own checksum of the pixels would only repeat it, at a quarter of the time.
    png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    png_set_crc_action(png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
#endif
    return true;
}

bool ReadPngHeader(png_structp png, png_infop info, PngHeader &h)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_info(png, info);
    png_get_IHDR(png, info, &h.width, &h.height, &h.bitDepth, &h.colourType, &h.interlace, nullptr,
                 nullptr);
    return true;
}

void CountPngRows(png_structp png, const PngHeader &h, png_user_transform_ptr transform)
{
    qint64 rows = h.height;
    if (h.passes > 1) {
        // libpng decodes a pass's rows only when it has columns.
        rows = 0;
        for (int pass = 0; pass < 7; ++pass)
            if (PNG_PASS_COLS(h.width, pass) > 0)
                rows += PNG_PASS_ROWS(qint64(h.height), pass);
    }
    StateOf(png).rowsLeft = rows;
    png_set_read_user_transform_fn(png, transform ? transform : CountRow);
}

ImageRead RefusePng(const PngState &s, bool header)
{
    if (s.ranOut)
        return RefuseImage(ImageRefusal::Truncated,
                           QStringLiteral("the file ends before the picture is complete"));
    if (s.pastRows)
        return RefuseImage(ImageRefusal::Unreadable,
                           QStringLiteral("the image data goes on far past the last row"));
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

void TakeCycleChunk(PngState &s, const png_unknown_chunk &chunk)
{
    // Past the ranges kept, whole records are dropped; a broken one voids all.
    Take(s, s.cycles, chunk, chunk.size % 6 ? 0 : std::min(chunk.size, sizeof s.cycles.data));
}

void TakeMarksChunk(PngState &s, const png_unknown_chunk &chunk)
{
    Take(s, s.marks, chunk, chunk.size == kMarksRecordBytes ? chunk.size : 0);
}

bool PngHasNoPixel(QByteArrayView file)
{
    return file.size() >= 24 && file.sliced(12, 4) == "IHDR" &&
           (qFromBigEndian<quint32>(file.data() + 16) == 0 ||
            qFromBigEndian<quint32>(file.data() + 20) == 0);
}
