#pragma once

#include "image/PcxReader.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <vector>

// Images are told apart by their first bytes, never by their names.
enum class ImageFormat { Unknown, Pcx, Png, Bmp, Gif };

ImageFormat DetectImageFormat(QByteArrayView file);

// Whether a file given without a command (on the command line, dropped on a
// window) is a picture rather than a palette.
bool IsImageFile(QByteArrayView file, const QString &name);

// Palette images of other formats, reduced to what a PCX gives: the stored
// value of each pixel (the file's colour index) and the palette in file order.
struct IndexedImage {
    int width = 0;
    int height = 0;
    // Row after row, width bytes each.
    std::vector<quint8> pixels;
    // R, G, B per entry, at most 256 entries.
    QByteArray palette;
};

enum class ImageRefusal { None, NotIndexed, Unreadable };

struct ImageRead {
    ImageRefusal refusal = ImageRefusal::None;
    QString detail;
    IndexedImage image;
};

// PNG and BMP through Qt's readers, GIF (its first frame) through giflib.
ImageRead ReadIndexedImage(QByteArrayView file);

// The image as the PCX reader yields one, so that opening it follows the
// same rules: the palette reversed and padded with black to 256 entries,
// stored value v drawn through entry 255 - v, which is file colour v.
PcxFile ToPcxFile(IndexedImage image);

// Any image this program opens, PCX included, as a PcxFile; a refusal's
// reason in `detail`.
struct AnyImage {
    ImageRefusal refusal = ImageRefusal::None;
    QString detail;
    PcxFile pcx;
};
AnyImage ReadAnyImage(QByteArrayView file);
