// palmiro-tool tidy: one palette tidying step on a picture, which looks the
// same afterwards unless the step merges colours.

#include "Tidy.h"
#include "ToolFiles.h"

#include "base/FileAccess.h"
#include "base/FileBytes.h"
#include "base/Numbers.h"
#include "base/SaveFile.h"
#include "formats/ImageExport.h"
#include "formats/ImageFormats.h"
#include "model/ActApply.h"
#include "model/PaletteTidy.h"

#include <QIODevice>

#include <cstdio>
#include <functional>

namespace {

struct Settings {
    // The picture's cycling ranges keep their entries, so they keep turning.
    std::function<Tidied(const PalletArray &, const UsageCounts &, int, int, const CycleRanges &)>
        step;
    int s = 0, t = 0; // every entry unless --range
    QString in, out;
};

std::optional<TidyKey> KeyNamed(const QString &name)
{
    const char *names[] = {"hue", "lightness", "chroma", "usage"};
    for (int k = 0; k < 4; ++k)
        if (name == QLatin1String(names[k]))
            return TidyKey(k);
    return std::nullopt;
}

std::optional<QString> Parse(const QStringList &args, Settings &s)
{
    QStringList files;
    int steps = 0;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == QLatin1String("--merge-duplicates")) {
            s.step = [](const PalletArray &p, const UsageCounts &, int s, int t,
                        const CycleRanges &held) { return MergeDuplicates(p, s, t, held); };
            ++steps;
            continue;
        }
        if (a == QLatin1String("--unused-to-end")) {
            s.step = UnusedToEnd;
            ++steps;
            continue;
        }
        if (!a.startsWith(QLatin1String("--"))) {
            files << a;
            continue;
        }
        if (i + 1 >= args.size())
            return a + QStringLiteral(" needs a value");
        const QString v = args[++i];
        if (a == QLatin1String("--merge-similar")) {
            const std::optional<double> d = ReadNumericText(v);
            if (!d || !(*d >= 0 && *d <= 100))
                return QStringLiteral("--merge-similar must be a distance from 0 to 100");
            s.step = [d = *d](const PalletArray &p, const UsageCounts &u, int s, int t,
                              const CycleRanges &held) {
                return MergeSimilar(p, u, s, t, d, held);
            };
        } else if (a == QLatin1String("--sort")) {
            const std::optional<TidyKey> key = KeyNamed(v);
            if (!key)
                return QStringLiteral("--sort must be hue, lightness, chroma or usage");
            s.step = [key = *key](const PalletArray &p, const UsageCounts &u, int s, int t,
                                  const CycleRanges &held) {
                return SortEntries(p, u, s, t, key, held);
            };
        } else if (a == QLatin1String("--reduce")) {
            const std::optional<int> n = ReadWholeInRange(v, 1, 256);
            if (!n)
                return QStringLiteral("--reduce must be a number from 1 to 256");
            s.step = [n = *n](const PalletArray &p, const UsageCounts &u, int s, int t,
                              const CycleRanges &held) {
                return ReduceEntries(p, u, s, t, n, held);
            };
        } else if (a == QLatin1String("--range")) {
            const QStringList ends = v.split(QLatin1Char('-'));
            const auto lo = ends.size() == 2 ? ReadWholeInRange(ends[0], 0, 255) : std::nullopt;
            const auto hi = ends.size() == 2 ? ReadWholeInRange(ends[1], 0, 255) : std::nullopt;
            // S = T names every entry, as in the palette window; one entry
            // alone has nothing to tidy.
            if (!lo || !hi)
                return QStringLiteral("--range must be S-T with entries from 0 to 255");
            s.s = *lo;
            s.t = *hi;
            continue;
        } else {
            return QStringLiteral("unknown option ") + a;
        }
        ++steps;
    }
    if (steps != 1)
        return QStringLiteral("tidy takes exactly one of --merge-duplicates, --merge-similar, "
                              "--unused-to-end, --sort and --reduce");
    if (files.size() != 2)
        return QStringLiteral("tidy takes a picture and an output file");
    s.in = files[0];
    s.out = files[1];
    return std::nullopt;
}

} // namespace

int Tidy(const QStringList &args, QString &usageProblem)
{
    Settings s;
    if (const std::optional<QString> problem = Parse(args, s)) {
        usageProblem = *problem;
        return -1;
    }
    const std::optional<ExportFormat> format = ExportFormatForName(s.out);
    if (!format) {
        usageProblem = QStringLiteral("OUT must end in .png, .pcx, .bmp or .gif");
        return -1;
    }
    QByteArray bytes;
    DecodedPicture read;
    QString why;
    if (!Open(s.in, bytes, read, why))
        return Fail(s.in, why);
    const PcxImage &image = read.image;
    PalletArray pallet{};
    ApplyActBytes(pallet, read.palette, read.palette.size());

    const Tidied tidied = s.step(pallet, CountUsage(image), s.s, s.t, read.cycles);
    const std::optional<PixelBuffer> values = RemapStored(image.pixels, StoredValueMap(tidied.to));
    if (!values)
        return Fail(s.in, QStringLiteral("not enough memory"));
    const PcxImage after(*values, image.width(), image.height(), image.stride);
    const std::optional<QByteArray> encoded =
        EncodeImage(*format, after, tidied.pallet, {}, read.cycles);
    if (!encoded)
        return Fail(s.out, QStringLiteral("cannot be encoded"));
    const FileError written = SaveWholeFile(s.out, *encoded);
    return written ? Fail(s.out, WriteProblemText(s.out, written)) : 0;
}
