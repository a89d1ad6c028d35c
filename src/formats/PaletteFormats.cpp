#include "formats/PaletteFormats.h"

#include "formats/ActFile.h"
#include "formats/ImageFormats.h"
#include "formats/PaletteReaders.h"

#include <QBuffer>
#include <QtEndian>

#include <limits>

namespace {

// Enough for every signature looked for, a BMP's header included.
constexpr qint64 kHeadBytes = 256;

QByteArray Head(QIODevice &file)
{
    file.seek(0);
    QByteArray head = file.read(kHeadBytes);
    file.seek(0);
    return head;
}

bool IsRiff(QByteArrayView head)
{
    return head.size() >= 12 && head.first(4) == "RIFF" && head.sliced(8, 4) == "PAL ";
}

std::optional<QByteArray> ReadExactly(QIODevice &file, qint64 at, qint64 n, FileError &error)
{
    if (!file.seek(at))
        return std::nullopt;
    std::optional<QByteArray> bytes = ReadAtMost(file, n, &error);
    return bytes && bytes->size() == n ? bytes : std::nullopt;
}

// Real files put the data chunk first or after a few others; a walk past
// this many chunks only costs time.
constexpr int kMaxRiffChunks = 1024;

// Walks the chunks to the data chunk; only its first 256 entries are read.
PaletteRead ReadRiff(QIODevice &file)
{
    PaletteRead r{PaletteFormat::Riff, {}, {}, {}};
    const qint64 fileSize = file.size();
    qint64 pos = 12;
    for (int visited = 0; pos + 8 <= fileSize; ++visited) {
        if (visited == kMaxRiffChunks) {
            r.error = QStringLiteral("RIFF PAL: no data chunk among the first %1 chunks")
                          .arg(kMaxRiffChunks);
            return r;
        }
        const std::optional<QByteArray> chunk = ReadExactly(file, pos, 8, r.file);
        if (!chunk)
            break;
        const quint32 size = qFromLittleEndian<quint32>(chunk->constData() + 4);
        const qint64 body = pos + 8;
        if (chunk->first(4) == "data") {
            const qint64 room = qMin<qint64>(size, fileSize - body);
            const std::optional<QByteArray> top = ReadExactly(file, body, 4, r.file);
            if (room < 4 || !top)
                break;
            const int count = qFromLittleEndian<quint16>(top->constData() + 2);
            if (4 + 4 * qint64(count) > room) {
                r.error = QStringLiteral("RIFF PAL: %1 colours announced, room for %2")
                              .arg(count)
                              .arg((room - 4) / 4);
                return r;
            }
            const int kept = qMin(count, kMaxColours);
            const std::optional<QByteArray> entries = ReadExactly(file, body + 4, 4 * kept, r.file);
            if (!entries)
                break;
            for (int i = 0; i < kept; ++i) {
                const auto *e = reinterpret_cast<const quint8 *>(entries->constData() + 4 * i);
                AppendRgb(r.rgb, e[0], e[1], e[2]);
            }
            return r;
        }
        pos = body + qint64(size) + (size & 1);
    }
    if (!r.file)
        r.error = QStringLiteral("RIFF PAL: no complete data chunk");
    return r;
}

// The palette as PCX Open would take it; the picture itself is not kept.
PaletteRead ReadImagePalette(QIODevice &file)
{
    PaletteRead r{PaletteFormat::Image, {}, {}, {}};
    const std::optional<QByteArray> bytes =
        ReadAtMost(file, std::numeric_limits<qsizetype>::max() / 2, &r.file);
    if (!bytes)
        return r;
    const AnyImage image = ReadAnyImage(*bytes);
    // A JPEG or such, or a PNG, BMP or GIF of more colours: PCX Open converts them, as it does
    // no PCX.
    const ImageFormat format = DetectImageFormat(*bytes);
    r.noPalette = image.refusal != ImageRefusal::None &&
                  (format == ImageFormat::Unknown ||
                   (image.refusal == ImageRefusal::NotIndexed && format != ImageFormat::Pcx));
    if (image.refusal != ImageRefusal::None) {
        r.error = image.detail;
    } else {
        r.rgb = image.pcx.palette;
        r.colours = image.colours;
        r.marks = image.pcx.marks;
    }
    return r;
}

} // namespace

// A file named as a text palette is read as one, so that a mistake in it is
// reported rather than taken for ACT bytes; a .pal may be binary, though.
PaletteFormat DetectPaletteFormat(QIODevice &file, const QString &name)
{
    const QByteArray head = Head(file);
    if (IsImageFile(head, name))
        return PaletteFormat::Image;
    if (IsRiff(head))
        return PaletteFormat::Riff;
    LineReader lines(file);
    const TextSniff sniff = SniffText(lines);
    file.seek(0);
    if (sniff.format != PaletteFormat::Act)
        return sniff.format;
    const std::optional<PaletteFormat> named = PaletteFormatForName(name);
    if (!named || *named == PaletteFormat::Act || IsRawFormat(*named) ||
        (*named == PaletteFormat::Jasc && !sniff.text))
        return PaletteFormat::Act;
    return *named;
}

PaletteRead ReadPalette(QIODevice &file, const QString &name)
{
    const PaletteFormat format = DetectPaletteFormat(file, name);
    LineReader lines(file);
    switch (format) {
    case PaletteFormat::Gpl:
        return ReadGpl(lines);
    case PaletteFormat::Jasc:
        return ReadJasc(lines);
    case PaletteFormat::PaintNet:
    case PaletteFormat::Hex:
        return ReadHexLines(lines, format);
    case PaletteFormat::Riff:
        return ReadRiff(file);
    case PaletteFormat::Image:
        return ReadImagePalette(file);
    case PaletteFormat::Act:
    case PaletteFormat::Vga:
    case PaletteFormat::Bgr555:
    case PaletteFormat::MegaDrive:
    case PaletteFormat::Amiga:
        break;
    }
    // Entries past the 256th are never applied, whatever the file's length.
    PaletteRead r;
    if (std::optional<QByteArray> bytes = ReadAtMost(file, kActFileBytes, &r.file))
        r.rgb = std::move(*bytes);
    return r;
}

PaletteFormat DetectPaletteFormat(QByteArrayView file, const QString &name)
{
    QByteArray bytes = file.toByteArray();
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return DetectPaletteFormat(buffer, name);
}

PaletteRead ReadPaletteFile(QByteArrayView file, const QString &name)
{
    QByteArray bytes = file.toByteArray();
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return ReadPalette(buffer, name);
}
