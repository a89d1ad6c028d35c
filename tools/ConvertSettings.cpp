#include "ConvertSettings.h"

#include "base/Numbers.h"

#include <algorithm>

namespace {

struct DitherName {
    const char *name;
    Dither dither;
};
const DitherName kDithers[] = {{"none", Dither::None},
                               {"fs", Dither::FloydSteinberg},
                               {"atkinson", Dither::Atkinson},
                               {"sierra-lite", Dither::SierraLite},
                               {"jjn", Dither::JarvisJudiceNinke},
                               {"bayer2", Dither::Bayer2},
                               {"bayer4", Dither::Bayer4},
                               {"bayer8", Dither::Bayer8}};

} // namespace

std::optional<QString> ParseConvert(const QStringList &args, ConvertSettings &s)
{
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == QLatin1String("--no-serpentine")) {
            s.remap.serpentine = false;
            continue;
        }
        // --refine, the default, is still taken from scripts written when it was not.
        if (a == QLatin1String("--refine") || a == QLatin1String("--no-refine")) {
            s.remap.refine = a == QLatin1String("--refine");
            continue;
        }
        if (a == QLatin1String("--shared")) {
            s.shared = true;
            continue;
        }
        if (a == QLatin1String("--keep-cycles") || a == QLatin1String("--quiet")) {
            (a == QLatin1String("--quiet") ? s.quiet : s.keepCycles) = true;
            continue;
        }
        if (!a.startsWith(QLatin1String("-")) || a == QLatin1String("-")) {
            s.inputs << a;
            continue;
        }
        if (i + 1 >= args.size())
            return a + QStringLiteral(" needs a value");
        const QString v = args[++i];
        const auto whole = [&v](int lo, int hi) { return ReadWholeInRange(v, lo, hi); };
        if (a == QLatin1String("--palette")) {
            s.paletteFile = v;
        } else if (a == QLatin1String("--colours") || a == QLatin1String("--colors")) {
            s.colours = whole(2, 256).value_or(0);
            if (!s.colours)
                return a + QStringLiteral(" must be a number from 2 to 256");
        } else if (a == QLatin1String("--range")) {
            const QStringList ends = v.split(QLatin1Char('-'));
            const auto lo = ends.size() == 2 ? ReadWholeInRange(ends[0], 0, 255) : std::nullopt;
            const auto hi = ends.size() == 2 ? ReadWholeInRange(ends[1], 0, 255) : std::nullopt;
            if (!lo || !hi || *lo > *hi)
                return QStringLiteral("--range must be S-T with 0 <= S <= T <= 255");
            s.first = *lo;
            s.last = *hi;
        } else if (a == QLatin1String("--dither")) {
            const auto it = std::find_if(std::begin(kDithers), std::end(kDithers),
                                         [&v](const DitherName &d) { return v == d.name; });
            if (it == std::end(kDithers))
                return QStringLiteral("unknown --dither ") + v;
            s.remap.dither = it->dither;
        } else if (a == QLatin1String("--strength")) {
            const auto k = whole(0, 100);
            if (!k)
                return QStringLiteral("--strength must be a number from 0 to 100");
            s.remap.strength = *k;
        } else if (a == QLatin1String("--distance")) {
            if (v != QLatin1String("oklab") && v != QLatin1String("rgb"))
                return QStringLiteral("--distance must be oklab or rgb");
            s.remap.space = v == QLatin1String("rgb") ? ColourSpace::Rgb : ColourSpace::Oklab;
        } else if (a == QLatin1String("--transparent")) {
            const auto e = whole(0, 255);
            if (!e)
                return QStringLiteral("--transparent must be an entry from 0 to 255");
            s.remap.transparentEntry = *e;
        } else if (a == QLatin1String("--jobs")) {
            s.jobs = whole(1, 1024).value_or(0);
            if (!s.jobs)
                return QStringLiteral("--jobs must be a number from 1 to 1024");
        } else if (a == QLatin1String("--format")) {
            s.format = ExportFormatForName(QStringLiteral(".") + v);
            if (!s.format)
                return QStringLiteral("--format must be png, pcx, bmp or gif");
        } else if (a == QLatin1String("-o")) {
            s.out = v;
        } else if (a == QLatin1String("--levels")) {
            const std::optional<Levels> levels = ParseLevels(v);
            if (!levels)
                return QStringLiteral("--levels must be R,G,B of 2 to 256");
            s.levels = *levels;
        } else if (a == QLatin1String("--lock") || a == QLatin1String("--reserve")) {
            const EntryListRead read = ParseEntryList(v);
            if (!read.ok())
                return a + QStringLiteral(" ") + v + QStringLiteral(": ") + read.error;
            (a == QLatin1String("--lock") ? s.locked : s.reserved) = read.entries;
        } else if (a == QLatin1String("--weight")) {
            if (v != QLatin1String("pixels") && v != QLatin1String("equal"))
                return QStringLiteral("--weight must be pixels or equal");
            s.weighing = v == QLatin1String("equal") ? ColourTally::Weighing::Equal
                                                     : ColourTally::Weighing::Pixels;
        } else if (a == QLatin1String("--write-palette")) {
            s.writePalette = v;
        } else {
            return QStringLiteral("unknown option ") + a;
        }
    }
    if (s.paletteFile.isEmpty() && s.colours == 0)
        return QStringLiteral("convert takes one of --palette and --colours");
    if ((s.locked || s.reserved) && s.paletteFile.isEmpty())
        return QStringLiteral("--lock and --reserve take their colours from --palette");
    if ((s.shared || !s.writePalette.isEmpty()) && !s.colours)
        return QStringLiteral("--shared and --write-palette need --colours");
    s.shared = s.shared || !s.writePalette.isEmpty();
    const int e = s.remap.transparentEntry;
    const bool inside = s.first >= 0 && e >= s.first && e <= s.last;
    if (s.colours && s.first >= 0 && s.last - s.first + 1 - int(inside) < s.colours)
        return inside ? QStringLiteral("--range must hold the --colours besides --transparent")
                      : QStringLiteral("--range must hold the --colours");
    if ((s.out.isEmpty() && s.writePalette.isEmpty()) || s.inputs.isEmpty())
        return QStringLiteral("convert takes -o OUT and at least one picture");
    return std::nullopt;
}
