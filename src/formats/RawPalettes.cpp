// The bytes palette hardware holds: a level index per channel, no header.
#include "formats/PaletteFormats.h"
#include "formats/PaletteReaders.h"

#include <QIODevice>

#include <algorithm>

namespace {

// Where each channel's level sits in a 16-bit word, red first.
struct WordLayout {
    int shift[3];
    int bits;
    bool bigEndian;
};

WordLayout LayoutOf(PaletteFormat format)
{
    switch (format) {
    case PaletteFormat::Bgr555:
        return {{0, 5, 10}, 5, false};
    case PaletteFormat::MegaDrive:
        return {{1, 5, 9}, 3, true};
    default:
        return {{8, 4, 0}, 4, true};
    }
}

int EntryBytes(PaletteFormat format)
{
    return format == PaletteFormat::Vga ? 3 : 2;
}

} // namespace

bool IsRawFormat(PaletteFormat format)
{
    return format == PaletteFormat::Vga || format == PaletteFormat::Bgr555 ||
           format == PaletteFormat::MegaDrive || format == PaletteFormat::Amiga;
}

Levels RawLevels(PaletteFormat format)
{
    if (!IsRawFormat(format))
        return {};
    const int levels = format == PaletteFormat::Vga ? 64 : 1 << LayoutOf(format).bits;
    return {{levels, levels, levels}};
}

QByteArray WriteRawPalette(PaletteFormat format, const PalletArray &pallet, int count)
{
    QByteArray out;
    if (!IsRawFormat(format))
        return out;
    const int levels = RawLevels(format).count[0];
    const WordLayout layout = LayoutOf(format);
    for (int i = 0; i < std::clamp(count, 0, kPalletEntries); ++i) {
        int word = 0;
        for (int k = 0; k < 3; ++k) {
            const int level = LevelOf(levels, pallet[i].channel(k));
            if (format == PaletteFormat::Vga)
                out.append(char(level));
            word |= level << layout.shift[k];
        }
        if (format == PaletteFormat::Vga)
            continue;
        const char hi = char(word >> 8), lo = char(word & 0xFF);
        out.append(layout.bigEndian ? hi : lo).append(layout.bigEndian ? lo : hi);
    }
    return out;
}

PaletteRead ReadRawPalette(QIODevice &file, PaletteFormat format)
{
    PaletteRead r{format, {}, {}, {}};
    const int size = EntryBytes(format);
    file.seek(0);
    const std::optional<QByteArray> bytes = ReadAtMost(file, kMaxColours * size, &r.file);
    if (!bytes || !IsRawFormat(format))
        return r;
    const int levels = RawLevels(format).count[0];
    const WordLayout layout = LayoutOf(format);
    const auto *b = reinterpret_cast<const quint8 *>(bytes->constData());
    for (int i = 0; i + size <= bytes->size(); i += size) {
        int level[3] = {b[i], b[i + 1], size == 3 ? b[i + 2] : 0};
        if (size == 2) {
            const int word = layout.bigEndian ? b[i] << 8 | b[i + 1] : b[i + 1] << 8 | b[i];
            for (int k = 0; k < 3; ++k)
                level[k] = (word >> layout.shift[k]) & ((1 << layout.bits) - 1);
        } else if (std::max({level[0], level[1], level[2]}) >= levels) {
            r.error = QStringLiteral("VGA DAC: a value over 63 in entry %1").arg(i / 3);
            r.rgb.clear();
            return r;
        }
        AppendRgb(r.rgb, LevelValue(levels, level[0]), LevelValue(levels, level[1]),
                  LevelValue(levels, level[2]));
    }
    return r;
}
