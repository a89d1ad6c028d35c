#pragma once

#include "formats/ImageExport.h"
#include "formats/ImageRead.h"
#include "formats/PcxReader.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <array>
#include <optional>

// Images are told apart by their first bytes, never by their names.
enum class ImageFormat { Unknown, Pcx, Png, Bmp, Gif };

ImageFormat DetectImageFormat(QByteArrayView file);

// What the program does with one kind of picture. A null reader where the
// kind is read otherwise: a PCX by ReadPcx, a GIF only whole.
class ByteSource;
struct ImageFormatRow {
    ImageFormat format;
    ExportFormat exported;
    const char *name;      // "PNG"
    const char *extension; // ".png", for names that choose a writer
    bool (*sniff)(QByteArrayView file);
    // Whether a file that sniffs as this kind, with this name, is a picture
    // rather than a palette; null when the sniff says so already.
    bool (*isPicture)(QByteArrayView file, const QString &name);
    ImageRead (*read)(QByteArrayView file);
    ImageRead (*stream)(ByteSource &source);
    std::optional<QByteArray> (*write)(const PcxImage &image, const PalletArray &pallet,
                                       PngTable png, const CycleRanges &cycles);
};
const std::array<ImageFormatRow, 4> &ImageFormatRows();
// Null for Unknown.
const ImageFormatRow *FormatRowOf(ImageFormat format);
const ImageFormatRow &FormatRowOf(ExportFormat format);

// The kind of picture a file's name says ("PNG", "JPEG"...), for a file
// whose bytes cannot; empty when it says none.
QString PictureKindOfName(const QString &name);

// Whether a file given without a command (on the command line, dropped on a
// window) is a picture rather than a palette.
bool IsImageFile(QByteArrayView file, const QString &name);

// PNG, BMP and GIF through their readers.
ImageRead ReadIndexedImage(QByteArrayView file);

// The image as the PCX reader yields one, so that opening it follows the
// same rules. The file's colour i becomes entry i (black past its table), as
// every other program numbers it; the reader stored its pixels as 255 - i,
// which entry 255 - (255 - i) shows.
DecodedPicture ToDecodedPicture(ImageRead image);

// Any image this program opens, PCX included, as a DecodedPicture; a refusal's
// reason in `detail`.
struct AnyImage {
    ImageRefusal refusal = ImageRefusal::None;
    QString detail;
    DecodedPicture pcx;
    // The colours the file's own table holds; pcx.palette always has 256.
    int colours = 256;
};
AnyImage ReadAnyImage(QByteArrayView file);
// A PNG or BMP read from the source a part at a time, as ReadAnyImage reads it.
AnyImage ReadStreamedImage(ByteSource &source);
