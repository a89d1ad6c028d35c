#include "formats/ImageExport.h"

#include "base/ByteOrder.h"
#include "base/PixelBuffer.h"
#include "formats/Crc32.h"
#include "formats/GifWriter.h"
#include "formats/ImageFormats.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QtEndian>

#include <cstring>

namespace {

constexpr int kEntries = 256;

// Runs never cross a row, so other readers, which decode by scan line, see
// the same picture.
void AppendRow(QByteArray &out, const quint8 *row, int width)
{
    for (int x = 0; x < width;) {
        int run = 1;
        while (x + run < width && run < 63 && row[x + run] == row[x])
            ++run;
        if (run > 1 || row[x] >= 0xC0)
            out.append(char(0xC0 | run));
        out.append(char(row[x]));
        x += run;
    }
}

} // namespace

QImage IndexedPicture(const PcxImage &image, const PalletArray &pallet)
{
    QImage picture(image.width(), image.height(), QImage::Format_Indexed8);
    if (picture.isNull())
        return picture;
    QList<QRgb> table;
    for (int i = 0; i < kEntries; ++i)
        table << PackedToRgb32(pallet[std::size_t(i)].color());
    picture.setColorTable(table);
    // Stored value v is entry 255 - v, which other programs call index 255 - v.
    for (int y = 0; y < image.height(); ++y) {
        uchar *line = picture.scanLine(y);
        image.copyRow(y, line);
        for (int x = 0; x < image.width(); ++x)
            line[x] = uchar(255 - line[x]);
    }
    return picture;
}

QByteArray EncodePcx(const PcxImage &image, const PalletArray &pallet)
{
    QByteArray out(128, '\0');
    out[0] = 10;
    out[1] = 5;
    out[2] = 1;
    out[3] = 8;
    QByteArray words;
    for (const int v : {0, 0, image.UB1, image.UB2, 72, 72})
        AppendLe16(words, v);
    out.replace(4, words.size(), words);
    out[65] = 1;
    QByteArray line;
    AppendLe16(line, image.width());
    AppendLe16(line, 1);
    out.replace(66, line.size(), line);
    std::vector<quint8> row(std::size_t(image.width()));
    for (int y = 0; y < image.height(); ++y) {
        image.copyRow(y, row.data());
        AppendRow(out, row.data(), image.width());
    }
    out.append(char(0x0C));
    for (int i = 0; i < kEntries; ++i) {
        const PalletEntry &e = pallet[std::size_t(kEntries - 1 - i)];
        out.append(char(e.R)).append(char(e.G)).append(char(e.B));
    }
    return out;
}

std::optional<QByteArray> EncodeAsPng(const PcxImage &image, const PalletArray &pallet,
                                      PngTable png, const CycleRanges &cycles)
{
    QByteArray bytes;
    // Room for any picture's file, only the pages written ever touched.
    bytes.reserve(qsizetype(std::min<qint64>(qint64(image.width() + 2) * image.height() * 101 / 100,
                                             qint64(256) << 20)) +
                  65536);
    AdviseHugePages(bytes.data(), std::size_t(bytes.capacity()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    ColorTable colours;
    for (int v = 0; v < kEntries; ++v)
        colours[std::size_t(v)] = PackedToRgb32(pallet[std::size_t(255 - v)].color());
    png.cycleRecords = CycleRecords(cycles);
    return WriteIndexedPng(buffer, image, 1, colours, png) ? std::optional(bytes) : std::nullopt;
}

std::optional<QByteArray> EncodeAsPcx(const PcxImage &image, const PalletArray &pallet, PngTable,
                                      const CycleRanges &)
{
    // A PCX header holds the width and the last row in 16 bits.
    return image.width() <= 0xFFFF && image.UB2 <= 0xFFFF ? std::optional(EncodePcx(image, pallet))
                                                          : std::nullopt;
}

std::optional<QByteArray> EncodeAsBmp(const PcxImage &image, const PalletArray &pallet, PngTable,
                                      const CycleRanges &)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const QImage picture = IndexedPicture(image, pallet);
    QImageWriter writer(&buffer, "bmp");
    if (picture.isNull() || !writer.write(picture))
        return std::nullopt;
    return bytes;
}

std::optional<QByteArray> EncodeAsGif(const PcxImage &image, const PalletArray &pallet, PngTable,
                                      const CycleRanges &cycles)
{
    return EncodeGif(image, pallet, cycles);
}

std::optional<QByteArray> EncodeImage(ExportFormat format, const PcxImage &image,
                                      const PalletArray &pallet, PngTable png,
                                      const CycleRanges &cycles)
{
    return FormatRowOf(format).write(image, pallet, png, cycles);
}

std::optional<ExportFormat> ExportFormatForName(const QString &name)
{
    const QString lower = name.toLower();
    for (const ImageFormatRow &row : ImageFormatRows())
        if (lower.endsWith(QLatin1String(row.extension)))
            return row.exported;
    return std::nullopt;
}

QString NameBesidePicture(const QString &picture, const QString &extension)
{
    if (picture.isEmpty())
        return QStringLiteral("USER") + extension;
    const QFileInfo info(picture);
    return info.dir().filePath(info.completeBaseName() + extension);
}
