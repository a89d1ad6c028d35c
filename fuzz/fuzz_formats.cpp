// One source, one target per reader: FUZZ_PREFIX (a format's first bytes)
// is put in front of inputs that lack it, so each target stays in its reader.
// FUZZ_RAW: the hardware formats, which have no signature; the first byte
// picks one.

#include "image/ImageFormats.h"
#include "palette/ActApply.h"
#include "palette/PaletteFormats.h"

#include <QBuffer>

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
