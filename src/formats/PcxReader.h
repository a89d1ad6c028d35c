#pragma once

#include "base/FileAccess.h"
#include "formats/PcxHeader.h"
#include "model/Cycling.h"
#include "model/EntryList.h"
#include "model/PcxImage.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

// Why a picture was refused: a PCX by the reasons below, a picture of another
// kind as Unreadable or NotIndexed8. The editor shows one message for all of
// them; the tool names the reason.
enum class PictureRefusal {
    None,
    Unreadable,     // missing, a directory, or not readable
    TooShort,       // shorter than the header and the palette together
    NotRunLength,   // Manufacturer is not 10 or Encoding is not 1
    NotIndexed8,    // NPlanes is not 1 or BitsPerPixel is not 8
    SizeBeyondData, // the header's size could not be filled by the data present
    DataEndsEarly,  // the run-length data ran out before the image was full
    OutOfMemory,
};

QString PictureRefusalText(PictureRefusal refusal);

// The length and the two header checks.
PictureRefusal CheckPcxFile(QByteArrayView file);

// The last 768 bytes in reversed triple order: triple k is the k-th triple
// counted from the end of the file, so entry 255 - v shows pixel value v.
// Empty when the file is shorter than the palette.
QByteArray PcxPaletteBytes(QByteArrayView file);

// One continuous run-length stream from offset 128, running across rows,
// (Xmax + 1) x (Ymax + 1) bytes. The palette bytes are never part of it.
struct PcxStream {
    PictureRefusal refusal = PictureRefusal::None;
    PixelBuffer pixels;
};
PcxStream DecodePcxStream(QByteArrayView file);

// Everything opening a picture of any kind needs, laid out as a PCX gives it,
// or the reason it was refused. Nothing is returned beyond the header on
// refusal. The image shows the decoded bytes themselves.
struct DecodedPicture {
    PictureRefusal refusal = PictureRefusal::None;
    PcxHeader header;
    QByteArray palette;
    PixelBuffer decoded;
    PcxImage image;
    CycleRanges cycles;    // only a PNG or GIF holds any
    EntryMarks marks = {}; // only a PNG of ours holds any

    bool accepted() const { return refusal == PictureRefusal::None; }
};
DecodedPicture ReadPcx(QByteArrayView file);
