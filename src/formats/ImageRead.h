#pragma once

#include "model/Cycling.h"
#include "model/EntryList.h"
#include "model/PcxImage.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// One limit for every kind of picture, checked before anything is allocated.
constexpr qint64 kMaxImagePixels = qint64(1) << 28;
// A picture that opens is held as a PCX's pixels are, 16 bits a side.
constexpr qint64 kMaxOpenedSide = 65536;

// Why a picture was refused; each has a message of its own.
enum class ImageRefusal {
    None,
    NotIndexed,  // truecolour: no palette to edit
    Unreadable,  // damaged: a bad checksum, code or header field
    Truncated,   // the data ends before the picture is complete
    TooLarge,    // past kMaxImagePixels, or memory ran out
    Empty,       // no pixel at all: a width or height of 0
    Unsupported, // a valid file of a kind this program does not read
};

// What the PNG, BMP and GIF readers yield: the pixels already stored as the
// PCX rules store them, so opening needs no second copy.
struct ImageRead {
    ImageRefusal refusal = ImageRefusal::None;
    // What is wrong, in English, for the tool and after the message.
    QString detail;
    int width = 0;
    int height = 0;
    // Row after row, width bytes each: file index i stored as 255 - i.
    PixelBuffer pixels;
    // R, G, B per colour in file order, at most 256 colours.
    QByteArray palette;
    // Colour cycling ranges a PNG or GIF holds, file index i as entry i.
    CycleRanges cycles;
    // The locked and reserved entries a PNG of ours holds.
    EntryMarks marks;
};

ImageRead RefuseImage(ImageRefusal why, const QString &detail);

// Refuses a size that is empty or past the limit; None when it may be read.
ImageRefusal CheckImageSize(qint64 width, qint64 height);
// The same, and a side past kMaxOpenedSide is too large: for the readers of
// pictures that open.
ImageRefusal CheckOpenedSize(qint64 width, qint64 height);
// "a picture of W x H pixels is too large", and the limit it is past: the
// opened pictures' one when `opened`.
QString TooLargeText(qint64 width, qint64 height, bool opened);

class ByteSource;
ImageRead ReadPng(QByteArrayView file);
ImageRead ReadPng(ByteSource &file);
ImageRead ReadBmp(QByteArrayView file);
ImageRead ReadBmp(ByteSource &file);
// The first frame on the logical screen.
ImageRead ReadGif(QByteArrayView file);
