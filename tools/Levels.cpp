#include "Levels.h"

#include "base/Numbers.h"

namespace {

std::optional<PaletteFormat> RawFormatNamed(const QString &name)
{
    const std::optional<PaletteFormat> format = PaletteFormatForName(QStringLiteral(".") + name);
    return format && IsRawFormat(*format) ? format : std::nullopt;
}

QString OptionProblem(const QString &option)
{
    if (option == QLatin1String("--levels"))
        return QStringLiteral("--levels must be R,G,B of 2 to 256, or one count for all three");
    if (option == QLatin1String("--as") || option == QLatin1String("--from"))
        return option + QStringLiteral(" must be vga, bgr555, md or amiga");
    if (option == QLatin1String("--count"))
        return QStringLiteral("--count must be 1 to 256");
    return QStringLiteral("unknown option ") + option;
}

} // namespace

std::optional<Levels> ParseLevels(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 1 && parts.size() != 3)
        return std::nullopt;
    Levels levels;
    for (int k = 0; k < 3; ++k) {
        const std::optional<int> n =
            ReadWholeInRange(parts[parts.size() == 1 ? 0 : k], kMinLevels, kMaxLevels);
        if (!n)
            return std::nullopt;
        levels.count[k] = *n;
    }
    return levels;
}

std::optional<PaletteJob> ParsePaletteJob(const QStringList &args, QString &problem)
{
    PaletteJob job;
    QStringList files;
    std::optional<PaletteFormat> as;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (!a.startsWith(QLatin1String("--"))) {
            files << a;
            continue;
        }
        const QString v = i + 1 < args.size() ? args[++i] : QString();
        std::optional<Levels> levels;
        std::optional<int> count;
        if (a == QLatin1String("--levels") && (levels = ParseLevels(v))) {
            job.levels = *levels;
        } else if (a == QLatin1String("--as") && (as = RawFormatNamed(v))) {
        } else if (a == QLatin1String("--from") && (job.from = RawFormatNamed(v))) {
        } else if (a == QLatin1String("--count") &&
                   (count = ReadWholeInRange(v, 1, kPalletEntries))) {
            job.count = count;
        } else {
            problem = OptionProblem(a);
            return std::nullopt;
        }
    }
    if (files.size() != 2) {
        problem = QStringLiteral("palette takes an image or palette and an output file");
        return std::nullopt;
    }
    job.in = files[0], job.out = files[1];
    job.as = as ? *as : PaletteFormatForName(job.out).value_or(PaletteFormat::Act);
    const std::optional<PaletteFormat> named = PaletteFormatForName(job.in);
    if (!job.from && named && IsRawFormat(*named))
        job.from = named;
    return job;
}
