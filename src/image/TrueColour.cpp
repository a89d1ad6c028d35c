#include "image/TrueColour.h"

#include "image/ImageExport.h"
#include "image/ImageFormats.h"

#include <QBuffer>
#include <QImageReader>

QImage ReadTrueColour(QByteArrayView file)
{
    QByteArray bytes = QByteArray::fromRawData(file.data(), file.size());
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (!reader.canRead())
        return {};
    const QSize size = reader.size();
    if (size.isValid() && CheckImageSize(size.width(), size.height()) != ImageRefusal::None)
        return {};
    QImage read = reader.read();
    if (read.isNull() || CheckImageSize(read.width(), read.height()) != ImageRefusal::None)
        return {};
    // In place when the depth stays: no second copy of a large picture.
    read.convertTo(QImage::Format_RGBA8888);
    return read;
}

QImage PictureColours(const PcxImage &image, const PalletArray &pallet)
{
    return ::IndexedPicture(image, pallet).convertToFormat(QImage::Format_RGBA8888);
}

std::array<Rgb8, 256> PaletteColours(const PalletArray &pallet)
{
    std::array<Rgb8, 256> colours;
    for (int i = 0; i < kPalletEntries; ++i)
        colours[std::size_t(i)] = {pallet[std::size_t(i)].R, pallet[std::size_t(i)].G,
                                   pallet[std::size_t(i)].B};
    return colours;
}

PalletArray WithColours(PalletArray pallet, const std::array<Rgb8, 256> &colours)
{
    const std::array<Rgb8, 256> now = PaletteColours(pallet);
    for (std::size_t i = 0; i < colours.size(); ++i)
        if (!(now[i] == colours[i]))
            pallet[i].set(colours[i].r, colours[i].g, colours[i].b);
    return pallet;
}

PcxFile ConvertedPcx(const ConvertedPicture &converted, int width, int height)
{
    const std::size_t n = converted.entries.size();
    PixelBytes bytes = n ? AllocatePixels(n) : PixelBytes();
    if (!bytes)
        return PcxFile{PcxRefusal::Unreadable, {}, {}, {}, {}, {}};
    for (std::size_t i = 0; i < n; ++i)
        bytes[i] = quint8(255 - converted.entries[i]);
    ImageRead read;
    read.width = width;
    read.height = height;
    read.pixels = PixelBuffer(std::move(bytes), n);
    return ToPcxFile(std::move(read));
}
