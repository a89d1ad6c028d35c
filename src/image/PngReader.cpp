#include "image/ImageRead.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>

#include <cstring>

ImageRead ReadPng(QByteArrayView file)
{
    QByteArray bytes = file.toByteArray();
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    const QSize size = reader.size();
    if (size.isValid() && CheckImageSize(size.width(), size.height()) != ImageRefusal::None)
        return RefuseImage(CheckImageSize(size.width(), size.height()),
                           QStringLiteral("the picture is too large"));
    QImage image = reader.read();
    if (image.isNull())
        return RefuseImage(ImageRefusal::Unreadable, reader.errorString());
    ImageRead r;
    if (image.format() == QImage::Format_Grayscale8) {
        for (int i = 0; i < 256; ++i)
            r.palette.append(char(i)).append(char(i)).append(char(i));
    } else if (image.format() == QImage::Format_Mono || image.format() == QImage::Format_MonoLSB ||
               image.format() == QImage::Format_Indexed8) {
        image = image.convertToFormat(QImage::Format_Indexed8);
        for (const QRgb c : image.colorTable().mid(0, 256))
            r.palette.append(char(qRed(c))).append(char(qGreen(c))).append(char(qBlue(c)));
    } else {
        return RefuseImage(ImageRefusal::NotIndexed,
                           QStringLiteral("no palette of 256 colours or fewer"));
    }
    r.width = image.width();
    r.height = image.height();
    const std::size_t n = std::size_t(r.width) * std::size_t(r.height);
    std::unique_ptr<quint8[]> pixels = AllocatePixels(n);
    if (!pixels)
        return RefuseImage(ImageRefusal::TooLarge, QStringLiteral("out of memory"));
    for (int y = 0; y < r.height; ++y) {
        quint8 *out = pixels.get() + std::size_t(y) * std::size_t(r.width);
        const uchar *in = image.constScanLine(y);
        for (int x = 0; x < r.width; ++x)
            out[x] = quint8(255 - in[x]);
    }
    r.pixels = PixelBuffer(std::move(pixels), n);
    return r;
}
