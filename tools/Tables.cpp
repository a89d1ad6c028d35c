// palmiro-tool tables: the shade, blend and flash tables 8-bit engines draw
// through, made from a palette.

#include "Tables.h"

#include "ToolFiles.h"

#include "base/FileAccess.h"
#include "base/FileBytes.h"
#include "base/Numbers.h"
#include "base/SaveFile.h"
#include "convert/EngineTables.h"
#include "formats/ActFile.h"
#include "model/EntryList.h"

#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <numeric>

namespace {

enum class Kind { Colormap, Tranmap, Playpal, QuakeColormap, BuildPalette, Raw };
const char *const kKinds[] = {"colormap",       "tranmap",       "playpal",
                              "quake-colormap", "build-palette", "raw"};

struct Settings {
    QString in, out;
    bool report = false;
    std::optional<Kind> kind;
    std::optional<int> levels;
    bool fullbrightGiven = false;
    ShadeSettings shade;
    BlendSettings blend;
    PlaypalTints tints = PlaypalTints::Doom;
};

// "#rrggbb", "rrggbb" or "R,G,B".
std::optional<Rgb8> ReadColour(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() == 3) {
        int v[3];
        for (int k = 0; k < 3; ++k) {
            const std::optional<int> c = ReadWholeInRange(parts[k].trimmed(), 0, 255);
            if (!c)
                return std::nullopt;
            v[k] = *c;
        }
        return Rgb8{std::uint8_t(v[0]), std::uint8_t(v[1]), std::uint8_t(v[2])};
    }
    const QString hex = text.startsWith(QLatin1Char('#')) ? text.mid(1) : text;
    bool ok = false;
    const uint rgb = hex.toUInt(&ok, 16);
    if (hex.size() != 6 || !ok)
        return std::nullopt;
    return Rgb8{std::uint8_t(rgb >> 16), std::uint8_t(rgb >> 8), std::uint8_t(rgb)};
}

std::optional<QString> Option(const QString &a, const QString &v, Settings &s)
{
    if (a == QLatin1String("--kind")) {
        const auto *k = std::find(std::begin(kKinds), std::end(kKinds), v);
        if (k == std::end(kKinds))
            return QStringLiteral("--kind must be colormap, tranmap, playpal, quake-colormap, "
                                  "build-palette or raw");
        s.kind = Kind(k - std::begin(kKinds));
    } else if (a == QLatin1String("--levels")) {
        s.levels = ReadWholeInRange(v, 1, 256);
        if (!s.levels)
            return QStringLiteral("--levels must be a number from 1 to 256");
    } else if (a == QLatin1String("--fade")) {
        const std::optional<Rgb8> c = ReadColour(v);
        if (!c)
            return QStringLiteral("--fade must be a colour: #rrggbb or R,G,B");
        s.shade.fade = *c;
    } else if (a == QLatin1String("--fullbright")) {
        const EntryListRead e = ParseEntryList(v);
        if (!e.ok())
            return QStringLiteral("--fullbright %1: %2").arg(v, e.error);
        s.shade.fullbright = e.entries;
        s.fullbrightGiven = true;
    } else if (a == QLatin1String("--opacity")) {
        const std::optional<int> p = ReadWholeInRange(v, 0, 100);
        if (!p)
            return QStringLiteral("--opacity must be a percentage from 0 to 100");
        s.blend.percent = *p;
    } else if (a == QLatin1String("--match")) {
        if (v != QLatin1String("oklab") && v != QLatin1String("classic"))
            return QStringLiteral("--match must be oklab or classic");
        s.shade.match = s.blend.match =
            v == QLatin1String("oklab") ? TableMatch::Oklab : TableMatch::Classic;
    } else if (a == QLatin1String("--tints")) {
        if (v != QLatin1String("doom") && v != QLatin1String("freedoom"))
            return QStringLiteral("--tints must be doom or freedoom");
        s.tints = v == QLatin1String("doom") ? PlaypalTints::Doom : PlaypalTints::Freedoom;
    } else {
        return QStringLiteral("unknown option ") + a;
    }
    return std::nullopt;
}

std::optional<QString> Parse(const QStringList &args, Settings &s)
{
    QStringList files;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == QLatin1String("--report")) {
            s.report = true;
        } else if (a == QLatin1String("--additive")) {
            s.blend.additive = true;
        } else if (!a.startsWith(QLatin1String("--"))) {
            files << a;
        } else if (i + 1 >= args.size()) {
            return a + QStringLiteral(" needs a value");
        } else if (const std::optional<QString> problem = Option(a, args[++i], s)) {
            return problem;
        }
    }
    if (s.report ? files.size() != 1 : files.size() != 2)
        return s.report ? QStringLiteral("tables --report takes one palette")
                        : QStringLiteral("tables takes a palette and an output file");
    if (!s.report && !s.kind)
        return QStringLiteral("tables needs --kind");
    const Kind kind = s.kind.value_or(Kind::Raw);
    if (s.levels && ((kind == Kind::Colormap && *s.levels != 32) || kind == Kind::QuakeColormap))
        return kind == Kind::Colormap ? QStringLiteral("a COLORMAP has 32 light levels")
                                      : QStringLiteral("a Quake colormap has 64 rows: no --levels");
    s.shade.levels = s.levels.value_or(32);
    // Quake's last 32 entries glow whatever the light.
    if (kind == Kind::QuakeColormap && !s.fullbrightGiven)
        for (int e = 224; e < 256; ++e)
            s.shade.fullbright.set(std::size_t(e));
    if (s.shade.fullbright.all())
        return QStringLiteral("--fullbright leaves no entry to shade with");
    s.in = files[0];
    s.out = files.value(1);
    return std::nullopt;
}

// Palette 0 of a WAD's or a PLAYPAL's, else any palette file the editor reads.
std::optional<EnginePalette> ReadBase(const QString &path, QString &why)
{
    FileError error;
    std::optional<QByteArray> bytes = ReadWholeFile(path, &error);
    if (!bytes) {
        why = FileProblemText(error);
        return std::nullopt;
    }
    QByteArray rgb;
    if (bytes->startsWith("IWAD") || bytes->startsWith("PWAD")) {
        const std::optional<QByteArray> lump = WadLump(*bytes, "PLAYPAL", why);
        if (!lump)
            return std::nullopt;
        rgb = *lump;
    } else if (bytes->size() == 14 * 768) {
        rgb = *bytes;
    } else {
        const PaletteRead read = ReadPaletteAt(path);
        why = read.file ? FileProblemText(read.file) : read.error;
        if (!read.ok())
            return std::nullopt;
        rgb = read.rgb;
    }
    if (rgb.size() < 768 && rgb.size() % 3 == 0)
        rgb.append(768 - rgb.size(), '\0');
    if (rgb.size() < 768) {
        why = QStringLiteral("a palette of 256 colours is 768 bytes; this one has %1")
                  .arg(rgb.size());
        return std::nullopt;
    }
    EnginePalette p;
    for (int e = 0; e < 256; ++e)
        p[std::size_t(e)] = {quint8(rgb[3 * e]), quint8(rgb[3 * e + 1]), quint8(rgb[3 * e + 2])};
    return p;
}

int Report(const EnginePalette &palette, const ShadeSettings &s)
{
    const ShadeReport r = ReportShades(palette, ShadeRows(palette, s), s);
    QTextStream out(stdout);
    out << "level  mean  worst (OKLab x 100)\n";
    for (std::size_t i = 0; i < r.levelMean.size(); ++i)
        out << QStringLiteral("%1  %2  %3\n")
                   .arg(i, 5)
                   .arg(double(r.levelMean[i]), 4, 'f', 2)
                   .arg(double(r.levelWorst[i]), 5, 'f', 2);
    std::array<int, 256> order;
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return r.entryWorst[a] > r.entryWorst[b]; });
    out << "poorest entries:";
    for (int k = 0; k < 8; ++k)
        out << QStringLiteral(" %1 (%2)")
                   .arg(order[k])
                   .arg(double(r.entryWorst[order[k]]), 0, 'f', 2);
    out << "\n";
    return 0;
}

} // namespace

int Tables(const QStringList &args, QString &usageProblem)
{
    Settings s;
    if (const std::optional<QString> problem = Parse(args, s)) {
        usageProblem = *problem;
        return -1;
    }
    QString why;
    std::optional<EnginePalette> palette = ReadBase(s.in, why);
    if (!palette)
        return Fail(s.in, why);
    if (s.report)
        return Report(*palette, s.shade);
    s.blend.reserved = s.shade.reserved;
    EngineTables t;
    TableFormat format = TableFormat::Raw;
    switch (*s.kind) {
    case Kind::Colormap:
        format = TableFormat::Colormap;
        t.shades = DoomColormap(*palette, s.shade);
        break;
    case Kind::Tranmap:
        format = TableFormat::Tranmap;
        t.blend = BlendTable(*palette, s.blend);
        break;
    case Kind::Playpal:
        format = TableFormat::Playpal;
        t.palettes = Playpal(*palette, s.tints);
        break;
    case Kind::QuakeColormap:
        format = TableFormat::QuakeColormap;
        t.shades = QuakeColormap(*palette, s.shade);
        t.quakeBrights = int(s.shade.fullbright.count());
        break;
    case Kind::BuildPalette:
        // The engine shows 6-bit values: the tables are made for those.
        format = TableFormat::BuildPalette;
        for (Rgb8 &c : *palette)
            for (std::uint8_t *v : {&c.r, &c.g, &c.b})
                *v = std::uint8_t((*v * 63 + 127) / 255 * 4);
        t.palettes = {*palette};
        t.shades = ShadeRows(*palette, s.shade);
        t.blend = BlendTable(*palette, s.blend);
        break;
    case Kind::Raw:
        t.shades = ShadeRows(*palette, s.shade);
        break;
    }
    const FileError written = SaveWholeFile(s.out, WriteEngineTables(format, t));
    return written ? Fail(s.out, WriteProblemText(s.out, written)) : 0;
}
