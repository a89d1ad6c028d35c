#include "formats/EngineTableFiles.h"

#include "base/ByteOrder.h"

#include <QLocale>

#include <cstring>

namespace {

constexpr int kRow = 256;
constexpr int kBlend = kRow * kRow;
constexpr int kPaletteBytes = 768;

QString Count(qint64 n)
{
    return QLocale(QLocale::English).toString(n);
}

QString SizeProblem(const QString &what, const QString &expected, qint64 got)
{
    return QStringLiteral("%1 is %2 bytes; this file has %3").arg(what, expected, Count(got));
}

EnginePalette PaletteAt(QByteArrayView bytes, qsizetype at, int scale = 1)
{
    EnginePalette p;
    for (int e = 0; e < kRow; ++e) {
        const auto c = [&](int k) { return std::uint8_t(quint8(bytes[at + 3 * e + k]) * scale); };
        p[std::size_t(e)] = {c(0), c(1), c(2)};
    }
    return p;
}

void AppendPalette(QByteArray &out, const EnginePalette &p, int shift = 0)
{
    for (const Rgb8 &c : p)
        out.append(char(c.r >> shift)).append(char(c.g >> shift)).append(char(c.b >> shift));
}

TableRows Slice(QByteArrayView bytes, qsizetype at, qsizetype n)
{
    const auto *p = reinterpret_cast<const std::uint8_t *>(bytes.data()) + at;
    return TableRows(p, p + n);
}

void Append(QByteArray &out, const TableRows &rows)
{
    out.append(reinterpret_cast<const char *>(rows.data()), qsizetype(rows.size()));
}

int Le(QByteArrayView b, qsizetype at, int bytes)
{
    quint32 v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | quint8(b[at + i]);
    return bytes == 2 ? int(qint16(v)) : int(qint32(v));
}

EngineTablesRead Refused(const QString &why)
{
    return {{}, why};
}

EngineTablesRead ReadBuild(QByteArrayView b)
{
    if (b.size() < kPaletteBytes + 2)
        return Refused(
            QStringLiteral("PALETTE.DAT: the file ends before its shade count (%1 bytes)")
                .arg(Count(b.size())));
    for (int i = 0; i < kPaletteBytes; ++i)
        if (quint8(b[i]) > 63)
            return Refused(QStringLiteral("PALETTE.DAT: a colour past 63 (%1 at byte %2)")
                               .arg(quint8(b[i]))
                               .arg(i));
    const int shades = Le(b, kPaletteBytes, 2);
    if (shades < 1 || shades > 256)
        return Refused(
            QStringLiteral("PALETTE.DAT: %1 shades; a palette has 1 to 256").arg(shades));
    const qint64 size = kPaletteBytes + 2 + qint64(shades) * kRow + kBlend;
    if (b.size() != size)
        return Refused(SizeProblem(QStringLiteral("PALETTE.DAT with %1 shades").arg(shades),
                                   Count(size), b.size()));
    EngineTables t;
    t.palettes = {PaletteAt(b, 0, 4)};
    t.shades = Slice(b, kPaletteBytes + 2, qsizetype(shades) * kRow);
    t.blend = Slice(b, size - kBlend, kBlend);
    return {t, {}};
}

} // namespace

EngineTablesRead ReadEngineTables(TableFormat format, QByteArrayView b)
{
    const qint64 size = b.size();
    EngineTables t;
    switch (format) {
    case TableFormat::Colormap:
        if (size != 34 * kRow)
            return Refused(SizeProblem(QStringLiteral("a COLORMAP"), Count(34 * kRow), size));
        t.shades = Slice(b, 0, size);
        break;
    case TableFormat::Tranmap:
        if (size != kBlend)
            return Refused(SizeProblem(QStringLiteral("a TRANMAP"), Count(kBlend), size));
        t.blend = Slice(b, 0, size);
        break;
    case TableFormat::Playpal:
        if (size != 14 * kPaletteBytes)
            return Refused(
                SizeProblem(QStringLiteral("a PLAYPAL"), Count(14 * kPaletteBytes), size));
        for (int p = 0; p < 14; ++p)
            t.palettes.push_back(PaletteAt(b, p * kPaletteBytes));
        break;
    case TableFormat::QuakeColormap:
        if (size != 64 * kRow && size != 64 * kRow + 1)
            return Refused(SizeProblem(QStringLiteral("a Quake colormap"),
                                       Count(64 * kRow) + " or " + Count(64 * kRow + 1), size));
        t.shades = Slice(b, 0, 64 * kRow);
        if (size > 64 * kRow)
            t.quakeBrights = quint8(b[64 * kRow]);
        break;
    case TableFormat::QuakePalette:
        if (size != kPaletteBytes)
            return Refused(
                SizeProblem(QStringLiteral("a Quake palette"), Count(kPaletteBytes), size));
        t.palettes = {PaletteAt(b, 0)};
        break;
    case TableFormat::BuildPalette:
        return ReadBuild(b);
    case TableFormat::Raw:
        if (size == 0 || size % kRow)
            return Refused(QStringLiteral("a raw table is rows of 256 bytes; this file has %1")
                               .arg(Count(size)));
        t.shades = Slice(b, 0, size);
        break;
    }
    return {t, {}};
}

QByteArray WriteEngineTables(TableFormat format, const EngineTables &t)
{
    const std::size_t shades = t.shades.size();
    const bool blend = t.blend.size() == std::size_t(kBlend);
    QByteArray out;
    switch (format) {
    case TableFormat::Colormap:
        if (shades == 34 * kRow)
            Append(out, t.shades);
        break;
    case TableFormat::Tranmap:
        if (blend)
            Append(out, t.blend);
        break;
    case TableFormat::Playpal:
        if (t.palettes.size() == 14)
            for (const EnginePalette &p : t.palettes)
                AppendPalette(out, p);
        break;
    case TableFormat::QuakeColormap:
        if (shades == 64 * kRow) {
            Append(out, t.shades);
            if (t.quakeBrights >= 0)
                out.append(char(t.quakeBrights));
        }
        break;
    case TableFormat::QuakePalette:
        if (t.palettes.size() == 1)
            AppendPalette(out, t.palettes[0]);
        break;
    case TableFormat::BuildPalette:
        if (t.palettes.size() == 1 && blend && shades && shades % kRow == 0 &&
            shades <= std::size_t(kBlend)) {
            AppendPalette(out, t.palettes[0], 2);
            AppendLe16(out, int(shades / kRow));
            Append(out, t.shades);
            Append(out, t.blend);
        }
        break;
    case TableFormat::Raw:
        if (shades && shades % kRow == 0)
            Append(out, t.shades);
        break;
    }
    return out;
}

std::optional<QByteArray> WadLump(QByteArrayView wad, const char *name, QString &why)
{
    if (wad.size() < 12 || (!wad.startsWith("IWAD") && !wad.startsWith("PWAD"))) {
        why = QStringLiteral("not a WAD file");
        return std::nullopt;
    }
    const qint64 lumps = Le(wad, 4, 4), directory = Le(wad, 8, 4);
    if (lumps < 0 || directory < 0 || directory + 16 * lumps > wad.size()) {
        why = QStringLiteral("the WAD's directory is past the end of the file");
        return std::nullopt;
    }
    // Later lumps override earlier ones, as engines load them.
    for (qint64 i = lumps - 1; i >= 0; --i) {
        const qsizetype at = qsizetype(directory + 16 * i);
        if (std::strncmp(wad.data() + at + 8, name, 8) != 0)
            continue;
        const qint64 pos = Le(wad, at, 4), size = Le(wad, at + 4, 4);
        if (pos < 0 || size < 0 || pos + size > wad.size()) {
            why = QStringLiteral("the WAD's %1 is past the end of the file").arg(name);
            return std::nullopt;
        }
        return wad.sliced(qsizetype(pos), qsizetype(size)).toByteArray();
    }
    why = QStringLiteral("the WAD has no %1").arg(name);
    return std::nullopt;
}
