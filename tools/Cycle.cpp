// palmiro-tool cycle: one period of the colour cycling as an animated GIF.

#include "Cycle.h"
#include "ToolFiles.h"

#include "base/FileAccess.h"
#include "base/FileBytes.h"
#include "base/Numbers.h"
#include "base/SaveFile.h"
#include "formats/GifWriter.h"
#include "formats/ImageExport.h"
#include "formats/ImageFormats.h"
#include "model/ActApply.h"

#include <QIODevice>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kFrameCap = 1000;

// "S-T:RATE" with ":back" after it for a backward range.
std::optional<CycleRange> ParseRange(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    const QStringList ends = parts.value(0).split(QLatin1Char('-'));
    if (parts.size() < 2 || parts.size() > 3 || ends.size() != 2 ||
        (parts.size() == 3 && parts[2] != QLatin1String("back")))
        return std::nullopt;
    const std::optional<int> s = ReadWholeInRange(ends[0], 0, 255);
    const std::optional<int> t = ReadWholeInRange(ends[1], 0, 255);
    const std::optional<double> rate = ReadNumericText(parts[1]);
    if (!s || !t || !rate || *rate < kMinCycleRate || *rate > kMaxCycleRate)
        return std::nullopt;
    CycleRange r;
    r.first = quint8(std::min(*s, *t));
    r.last = quint8(std::max(*s, *t));
    r.rate = *rate;
    r.backward = parts.size() == 3;
    return r;
}

} // namespace

int Cycle(const QStringList &args, QString &usageProblem)
{
    CycleRanges ranges;
    QStringList files;
    for (int i = 0; i < args.size(); ++i) {
        QString value;
        if (args[i] == QLatin1String("--range") && i + 1 < args.size())
            value = args[++i];
        else if (args[i].startsWith(QLatin1String("--range=")))
            value = args[i].mid(8);
        else if (args[i].startsWith(QLatin1String("--"))) {
            usageProblem = args[i] == QLatin1String("--range")
                               ? QStringLiteral("--range needs a value")
                               : QStringLiteral("unknown option ") + args[i];
            return -1;
        } else {
            files << args[i];
            continue;
        }
        const std::optional<CycleRange> range = ParseRange(value);
        if (!range || ranges.size() == kMaxCycleRanges) {
            usageProblem = QStringLiteral("--range takes S-T:RATE[:back], entries 0 to 255, a rate "
                                          "from 0.25 to 60, at most 16 ranges");
            return -1;
        }
        ranges.push_back(*range);
    }
    if (files.size() != 2) {
        usageProblem = QStringLiteral("cycle takes an image and an output file");
        return -1;
    }
    if (ExportFormatForName(files[1]) != ExportFormat::Gif) {
        usageProblem = QStringLiteral("cycle writes a GIF: the output file's name ends in .gif");
        return -1;
    }
    QByteArray bytes;
    DecodedPicture picture;
    QString why;
    if (!Open(files[0], bytes, picture, why))
        return Fail(files[0], why);
    PalletArray pallet{};
    ApplyActBytes(pallet, picture.palette, picture.palette.size());
    const bool given = !ranges.empty();
    if (!given)
        ranges = picture.cycles;
    const CycleFrames frames = CycleAnimation(ranges, kFrameCap);
    if (frames.frames.empty())
        return Fail(files[0],
                    given ? QStringLiteral("no range given turns: a range needs two entries")
                          : QStringLiteral("holds no colour cycling range that turns; "
                                           "give one with --range"));
    const std::optional<QByteArray> gif = EncodeCycleGif(picture.image, pallet, ranges, frames);
    if (!gif)
        return Fail(files[1], QStringLiteral("cannot be encoded: a side past 65535 pixels, or "
                                             "frames that would take more than 1 GiB"));
    const FileError error = SaveWholeFile(files[1], *gif);
    if (error)
        return Fail(files[1], WriteProblemText(files[1], error));
    if (frames.capped)
        std::fprintf(stderr,
                     "palmiro-tool: %s: the cycle is longer than %d frames; the first %d "
                     "are written\n",
                     qPrintable(files[1]), kFrameCap, kFrameCap);
    return 0;
}

bool LeaveOutCycled(const QString &path, Candidates &candidates, QString &why)
{
    // The palette was read from this file already, so it reads again.
    const std::optional<QByteArray> bytes = ReadWholeFile(path);
    const AnyImage image = bytes ? ReadAnyImage(*bytes) : AnyImage{};
    const auto cycled = CycledEntries(image.pcx.cycles);
    candidates.erase(std::remove_if(candidates.begin(), candidates.end(),
                                    [&](const Candidate &c) { return cycled[c.entry]; }),
                     candidates.end());
    why = QStringLiteral("every entry it offers is in a cycling range (--keep-cycles uses them)");
    return !candidates.empty();
}
