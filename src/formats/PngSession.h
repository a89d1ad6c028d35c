#pragma once

// What the indexed and the truecolour PNG readers share: libpng reading from
// a ByteSource, its errors kept as text and never printed.

#include "base/ByteSource.h"
#include "formats/ImageRead.h"
#include "model/Cycling.h"
#include "model/EntryList.h"

#include <png.h>

// A private chunk as libpng hands it over, before its CRC is read: it waits
// in `pending` until the CRC of the chunk starting at pendingChunk holds.
template <std::size_t N> struct HeldChunk {
    quint8 data[N] = {};
    std::size_t size = 0;
    quint8 pending[N] = {};
    std::size_t pendingSize = 0;
    qint64 pendingChunk = -1;
    // The last chunk of the kind whose CRC was read, and whether it held.
    qint64 lastChunk = -1;
    bool lastHolds = false;
};

// What libpng's callbacks share with a reader. Plain data only: libpng
// leaves by longjmp, which runs no destructor.
struct PngState {
    ByteSource *source = nullptr;
    qint64 at = 0;
    bool ranOut = false;
    bool inRows = false;
    png_uint_32 chunk = 0; // the chunk being read when libpng gave up
    char message[160] = {};
    // The chunk passing through: where it starts, its type, where its CRC
    // starts (-1 while its header is read), the sum of what of it went by,
    // and its header's or CRC's bytes as they come.
    qint64 chunkAt = 8;
    quint32 type = 0;
    qint64 crcAt = -1;
    quint32 crc = 0;
    quint8 held[8] = {};
    bool idatSeen = false;
    // The first PLTE before any IDAT as the file holds it: libpng drops
    // entries past what the bit depth can index, and the palette shows them.
    quint8 palette[768] = {};
    qint64 paletteSize = -1;
    qint64 paletteAt = -1;
    // Rows libpng has still to decode (-1 until counted), and the bytes
    // it asked for since the last one: the end of the compressed data, or
    // data that inflates only to be thrown away.
    qint64 rowsLeft = -1;
    qint64 afterRows = 0;
    bool pastRows = false;
    // Where the next decoded row goes, and the end of the pixels.
    quint8 *nextRow = nullptr;
    quint8 *rowsEnd = nullptr;
    // GrafX2's colour cycling chunk, as many records as a palette has ranges.
    HeldChunk<6 * kMaxCycleRanges> cycles;
    // Our marks of locked and reserved entries, one whole record or none.
    HeldChunk<kMarksRecordBytes> marks;
};

struct PngHeader {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 0;
    int colourType = 0;
    int interlace = 0;
    int passes = 1;
};

PngState &StateOf(png_structp png);

struct PngReadGuard {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~PngReadGuard() { png_destroy_read_struct(&png, &info, nullptr); }
};

// A reading of state.source with the checks both readers make; false when
// memory runs out. Only the colours count: ancillary chunks are dropped,
// tRNS too unless `transparency`.
bool StartPngRead(PngReadGuard &guard, PngState &state, bool transparency);

// png_read_info: may longjmp back, so no local of the caller needs a destructor.
bool ReadPngHeader(png_structp png, png_infop info, PngHeader &h);

// After png_set_interlace_handling and before png_read_update_info: counts
// the rows as libpng decodes them, through `transform` or, when null, a
// transform of its own, which then calls PngRowDecoded.
void CountPngRows(png_structp png, const PngHeader &h, png_user_transform_ptr transform = nullptr);
inline void PngRowDecoded(PngState &s)
{
    if (s.rowsLeft > 0)
        --s.rowsLeft;
}

// Why libpng gave up, as a refusal: `header` while the header was read.
ImageRead RefusePng(const PngState &s, bool header);

// A width or height of 0, which libpng names only as "Invalid IHDR data":
// from the first 24 bytes.
bool PngHasNoPixel(QByteArrayView file);

// The crNg chunk libpng hands over, kept once its CRC holds.
void TakeCycleChunk(PngState &s, const png_unknown_chunk &chunk);
// The same for the pmLk chunk.
void TakeMarksChunk(PngState &s, const png_unknown_chunk &chunk);
