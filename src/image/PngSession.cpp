#include "image/PngSession.h"

#include "image/Crc32.h"

#include <QtEndian>

#include <cstring>

namespace {

// Compressed bytes past the last row that libpng may still read, looking for
// the end of the data: a few bytes end a stream, and this much inflates to
// at most about 16 MiB. A file that holds more is refused, not inflated.
constexpr qint64 kDataAfterRows = 16 * 1024;

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
    if (s.rowsLeft == 0 && (s.afterRows += qint64(wanted)) > kDataAfterRows) {
        s.pastRows = true;
        png_error(png, "data past the last row");
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

bool PngHasNoPixel(QByteArrayView file)
{
    return file.size() >= 24 && file.sliced(12, 4) == "IHDR" &&
           (qFromBigEndian<quint32>(file.data() + 16) == 0 ||
            qFromBigEndian<quint32>(file.data() + 20) == 0);
}
