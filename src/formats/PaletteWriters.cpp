// Writing other programs' palettes, and the names of the formats.
#include "formats/PaletteFormats.h"

#include "base/ByteOrder.h"
#include "formats/ActFile.h"

namespace {

// "# Palmiro: locked 0,15,224-255 reserved 16", or nothing without marks.
QByteArray GplMarksLine(const EntryMarks &marks)
{
    if (!marks.any())
        return {};
    QString line = QStringLiteral("# Palmiro:");
    if (marks.locked.any())
        line += QStringLiteral(" locked ") + FormatEntryList(marks.locked);
    if (marks.reserved.any())
        line += QStringLiteral(" reserved ") + FormatEntryList(marks.reserved);
    return line.toLatin1() + '\n';
}

} // namespace

QByteArray WritePaletteFile(PaletteFormat format, const PalletArray &pallet, int count,
                            const EntryMarks &marks)
{
    count = qBound(1, count, kPalletEntries);
    QByteArray out;
    switch (format) {
    case PaletteFormat::Gpl:
        out = "GIMP Palette\nName: Palmiro\nColumns: 16\n#\n" + GplMarksLine(marks);
        for (int i = 0; i < count; ++i)
            out += QString::asprintf("%3d %3d %3d\tIndex %d\n", pallet[i].R, pallet[i].G,
                                     pallet[i].B, i)
                       .toLatin1();
        break;
    case PaletteFormat::Jasc:
        out = "JASC-PAL\r\n0100\r\n" + QByteArray::number(count) + "\r\n";
        for (int i = 0; i < count; ++i)
            out +=
                QString::asprintf("%d %d %d\r\n", pallet[i].R, pallet[i].G, pallet[i].B).toLatin1();
        break;
    case PaletteFormat::Riff:
        out = "RIFF";
        AppendLe(out, 4 + 8 + 4 + 4 * quint32(count), 4);
        out += "PAL data";
        AppendLe(out, 4 + 4 * quint32(count), 4);
        AppendLe(out, 0x0300, 2);
        AppendLe(out, quint32(count), 2);
        for (int i = 0; i < count; ++i)
            out.append(char(pallet[i].R))
                .append(char(pallet[i].G))
                .append(char(pallet[i].B))
                .append('\0');
        break;
    case PaletteFormat::PaintNet:
        out = "; Palmiro\r\n";
        for (int i = 0; i < count; ++i)
            out += QString::asprintf("FF%02X%02X%02X\r\n", pallet[i].R, pallet[i].G, pallet[i].B)
                       .toLatin1();
        break;
    case PaletteFormat::Hex:
        for (int i = 0; i < count; ++i)
            out += QString::asprintf("%02x%02x%02x\n", pallet[i].R, pallet[i].G, pallet[i].B)
                       .toLatin1();
        break;
    case PaletteFormat::Act:
    case PaletteFormat::Image:
        out = BuildActBytes(pallet);
        // Fewer colours: the 772-byte form, with the count and "no transparent entry" after the
        // 256, big-endian.
        if (count < kPalletEntries)
            out.append(char(0)).append(char(count)).append('\xFF').append('\xFF');
        break;
    case PaletteFormat::Vga:
    case PaletteFormat::Bgr555:
    case PaletteFormat::MegaDrive:
    case PaletteFormat::Amiga:
        out = WriteRawPalette(format, pallet, count);
        break;
    }
    return out;
}

std::optional<PaletteFormat> PaletteFormatForName(const QString &name)
{
    static const std::pair<const char *, PaletteFormat> kExtensions[] = {
        {"act", PaletteFormat::Act},       {"gpl", PaletteFormat::Gpl},
        {"pal", PaletteFormat::Jasc},      {"hex", PaletteFormat::Hex},
        {"txt", PaletteFormat::PaintNet},  {"vga", PaletteFormat::Vga},
        {"bgr555", PaletteFormat::Bgr555}, {"md", PaletteFormat::MegaDrive},
        {"amiga", PaletteFormat::Amiga}};
    if (!name.contains(QLatin1Char('.')))
        return std::nullopt;
    const QString ext = name.section(QLatin1Char('.'), -1).toLower();
    for (const auto &[text, format] : kExtensions)
        if (ext == QLatin1String(text))
            return format;
    return std::nullopt;
}

QString PaletteFormatName(PaletteFormat format)
{
    switch (format) {
    case PaletteFormat::Act:
        return QStringLiteral("ACT");
    case PaletteFormat::Gpl:
        return QStringLiteral("GIMP palette");
    case PaletteFormat::Jasc:
        return QStringLiteral("JASC-PAL");
    case PaletteFormat::Riff:
        return QStringLiteral("RIFF PAL");
    case PaletteFormat::PaintNet:
        return QStringLiteral("Paint.NET palette");
    case PaletteFormat::Hex:
        return QStringLiteral("hex palette");
    case PaletteFormat::Image:
        return QStringLiteral("picture");
    case PaletteFormat::Vga:
        return QStringLiteral("VGA DAC");
    case PaletteFormat::Bgr555:
        return QStringLiteral("BGR555");
    case PaletteFormat::MegaDrive:
        return QStringLiteral("Mega Drive CRAM");
    case PaletteFormat::Amiga:
        return QStringLiteral("Amiga OCS");
    }
    return {};
}
