// One source, one target per reader: FUZZ_PREFIX (a format's first bytes)
// is put in front of inputs that lack it, so each target stays in its reader.
// FUZZ_RAW: the hardware formats, which have no signature; the first byte
// picks one.

#include "base/ByteSource.h"
#include "convert/TrueColour.h"
#include "formats/ImageFormats.h"
#include "formats/PaletteFormats.h"
#include "model/ActApply.h"

#include <QBuffer>

#include <algorithm>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray prefix(FUZZ_PREFIX, sizeof(FUZZ_PREFIX) - 1);
    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    if (!bytes.startsWith(prefix))
        bytes.prepend(prefix);
#ifdef FUZZ_IMAGE
    const AnyImage image = ReadAnyImage(bytes);
    if (image.refusal == ImageRefusal::None &&
        (image.pcx.palette.size() != 768 || image.pcx.cycles.size() > kMaxCycleRanges ||
         image.pcx.image.pixels.size() !=
             std::size_t(image.pcx.image.width()) * image.pcx.image.height()))
        __builtin_trap();
    // The same bytes taken a part at a time, as PCX Open reads a file, read the same.
    if (prefix.startsWith("\x89PNG") || prefix.startsWith("BM")) {
        QBuffer file(&bytes);
        file.open(QIODevice::ReadOnly);
        ByteSource source(file);
        const AnyImage streamed = ReadStreamedImage(source);
        if (streamed.refusal != image.refusal || streamed.detail != image.detail ||
            streamed.pcx.palette != image.pcx.palette || streamed.pcx.cycles != image.pcx.cycles ||
            streamed.pcx.image.pixels != image.pcx.image.pixels)
            __builtin_trap();
    }
    // PNG and JPEG without a palette, band by band as the tool reads one to
    // convert it. Large pictures only spend the time of their buffers.
    if (prefix.startsWith("\x89PNG") || prefix.startsWith("\xFF\xD8")) {
        TrueColourRows rows(bytes);
        if (rows.refusal() != ImageRefusal::None)
            return 0;
        if (CheckImageSize(rows.width(), rows.height()) != ImageRefusal::None)
            __builtin_trap();
        const std::size_t stride = std::size_t(rows.width()) * 4;
        if (!rows.inOrder() && qint64(rows.width()) * rows.height() <= (1 << 22)) {
            if (!rows.readAll().isNull() && rows.refusal() != ImageRefusal::None)
                __builtin_trap();
        } else if (rows.inOrder() && stride <= (1 << 20)) {
            const int band = int(std::min<std::size_t>((1 << 20) / stride, 64));
            std::vector<std::uint8_t> buffer(stride * std::size_t(band));
            for (int y = 0; y < rows.height(); y += band)
                if (!rows.read(buffer.data(), std::min(band, rows.height() - y)))
                    break;
        }
    }
#elif defined(FUZZ_RAW)
    // What a format reads is on its levels: written and read again, it stays.
    const auto format = PaletteFormat(int(PaletteFormat::Vga) + (size ? data[0] % 4 : 0));
    const auto readRaw = [format](QByteArray in) {
        QBuffer file(&in);
        file.open(QIODevice::ReadOnly);
        return ReadRawPalette(file, format);
    };
    const PaletteRead read = readRaw(bytes.mid(1));
    PalletArray pallet{};
    const int n = ApplyActBytes(pallet, read.rgb, read.rgb.size());
    if (read.rgb.size() > 768 || read.rgb.size() % 3 ||
        (read.ok() && readRaw(WriteRawPalette(format, pallet, n)).rgb != read.rgb))
        __builtin_trap();
#else
    const PaletteRead read = ReadPaletteFile(bytes);
    // ACT bytes come as read; every other kind as whole colours.
    if (read.rgb.size() > 768 || (read.format != PaletteFormat::Act && read.rgb.size() % 3))
        __builtin_trap();
#endif
    return 0;
}
