#pragma once

#include "convert/ConvertPicture.h"
#include "formats/ImageRead.h"
#include "formats/PcxReader.h"
#include "model/PalletEntry.h"

#include <QByteArrayView>
#include <QImage>

#include <cstdint>
#include <memory>

class Progress;
class QFile;
class RowDecoder;

// A picture's rows as 8-bit RGBA, decoded as they are asked for: PNG of any
// colour type and JPEG through their libraries, plain 24- and 32-bit BMP
// directly, other kinds whole through Qt's plug-ins. The header is read and
// its size checked by CheckImageSize before anything as large as the picture
// is allocated. A damaged file is refused as ImageRead's are, and nothing
// reaches stderr.
class TrueColourRows {
public:
    // `name` tells the kind of a file whose bytes do not, such as an empty one.
    explicit TrueColourRows(QByteArrayView file, const QString &name = {});
    // A plain 24- or 32-bit BMP read from the open file as its rows are asked
    // for, which then holds the file; null, the file's position moved, when
    // it is a file of any other kind.
    static std::unique_ptr<TrueColourRows> FromBmpFile(std::unique_ptr<QFile> &file);
    ~TrueColourRows();
    TrueColourRows(const TrueColourRows &) = delete;
    TrueColourRows &operator=(const TrueColourRows &) = delete;

    // Unsupported: not a picture of any kind read here.
    ImageRefusal refusal() const;
    const QString &detail() const;
    int width() const;
    int height() const;
    // False when the rows come only all at once (an interlaced PNG).
    bool inOrder() const;
    // The next `rows` rows, width * 4 bytes each, at `out`; all of them when
    // not inOrder. False, with the refusal set, when the file is damaged.
    bool read(std::uint8_t *out, int rows);
    // Before any read: the whole picture as Format_RGBA8888 in one buffer;
    // null, with the refusal set, when it cannot be read or was stopped.
    // progress: told of width * height units, as rows come.
    QImage readAll(Progress *progress = nullptr);

private:
    explicit TrueColourRows(std::unique_ptr<RowDecoder> d);
    std::unique_ptr<RowDecoder> d_;
};

// The picture as drawn through the palette, as 8-bit RGBA.
QImage PictureColours(const PcxImage &image, const PalletArray &pallet);

std::array<Rgb8, 256> PaletteColours(const PalletArray &pallet);
// The palette with every entry whose colour differs from `colours` written.
PalletArray WithColours(PalletArray pallet, const std::array<Rgb8, 256> &colours);

// Converted entries as the program holds a picture: value 255 - entry. Not
// accepted when memory runs out.
DecodedPicture ConvertedPcx(const ConvertedPicture &converted, int width, int height);
