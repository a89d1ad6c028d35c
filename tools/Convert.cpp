// palmiro-tool convert: pictures of any kind onto a palette, many at once.

#include "Convert.h"

#include "ConvertOutput.h"
#include "ConvertSettings.h"
#include "Cycle.h"
#include "Levels.h"
#include "TerminalProgress.h"
#include "ToolFiles.h"
#include "base/FileAccess.h"
#include "base/FileBytes.h"
#include "base/RunTogether.h"
#include "convert/ConvertPicture.h"
#include "convert/Dither.h"
#include "convert/PictureFiles.h"
#include "formats/ActFile.h"
#include "formats/ImageExport.h"
#include "model/ActApply.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <variant>

namespace {

std::optional<PictureTarget> ReadTarget(const ConvertSettings &s, QString &why)
{
    PictureTarget t;
    const PaletteRead read = ReadPaletteAt(s.paletteFile);
    why = read.file ? FileProblemText(read.file) : read.error;
    if (!read.ok())
        return std::nullopt;
    const int n = ApplyActBytes(t.pallet, read.rgb, read.rgb.size());
    if (n <= 0) {
        why = QStringLiteral("holds no colour");
        return std::nullopt;
    }
    std::array<Rgb8, 256> colours;
    for (int i = 0; i < 256; ++i)
        colours[i] = {t.pallet[i].R, t.pallet[i].G, t.pallet[i].B};
    const ConvertTarget range{ConvertTarget::Kind::Range, std::max(s.first, 0),
                              s.first >= 0 ? s.last : n - 1};
    t.candidates = MakeTarget(nullptr, 0, 0, colours, range, s.remap.transparentEntry).candidates;
    if (t.candidates.empty()) {
        why = QStringLiteral("offers no entry but the --transparent one");
        return std::nullopt;
    }
    if (!s.keepCycles && read.format == PaletteFormat::Image &&
        !LeaveOutCycled(s.paletteFile, t.candidates, why))
        return std::nullopt;
    SnapCandidates(s.levels, t.pallet, t.candidates);
    return t;
}

// Converts one picture; a reason when it cannot be read, converted or written. percent: how
// far it got shows on the terminal.
QString ConvertOne(const QString &in, const QString &outPath, PictureJob job, int threads,
                   bool percent)
{
    Progress progress;
    const TerminalProgress shown(progress, in, percent);
    job.remap.threads = threads;
    job.remap.progress = &progress;
    return ConvertPictureFile(in, outPath, job);
}

} // namespace

int Convert(const QStringList &args, QString &usageProblem)
{
    ConvertSettings s;
    if (const std::optional<QString> problem = ParseConvert(args, s)) {
        usageProblem = *problem;
        return -1;
    }
    const std::variant<ConvertOutput, QString> planned =
        PlanConvertOutput(s.out, s.format, int(s.inputs.size()));
    if (const QString *problem = std::get_if<QString>(&planned)) {
        // OUT cannot take these pictures: one line, as the usage is not what is wrong.
        std::fprintf(stderr, "palmiro-tool: %s\n", qPrintable(*problem));
        return 2;
    }
    const ConvertOutput output = std::get<ConvertOutput>(planned);
    QString why;
    std::optional<PictureTarget> fixed;
    if (!s.paletteFile.isEmpty() && !(fixed = ReadTarget(s, why))) {
        std::fprintf(stderr, "palmiro-tool: %s: %s\n", qPrintable(s.paletteFile), qPrintable(why));
        return 1;
    }
    const bool many = s.inputs.size() > 1;
    if (output.folder && !QDir().mkpath(s.out)) {
        std::fprintf(stderr, "palmiro-tool: %s: cannot be made a folder\n", qPrintable(s.out));
        return 1;
    }
    const ExportFormat format = output.format;
    PictureJob job;
    job.remap = s.remap;
    job.fixed = fixed ? &*fixed : nullptr;
    job.first = std::max(s.first, 0);
    job.colours = s.colours;
    job.levels = s.levels;
    job.format = format;
    const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
    const int jobs = std::min<int>(s.jobs ? s.jobs : cores, int(s.inputs.size()));
    // A lone picture is split over the cores instead.
    const int threadsEach = jobs == 1 ? (s.jobs ? s.jobs : cores) : 1;
    // Each picture named as it starts, on a line of its own, or over the last on a terminal.
    const int total = int(s.inputs.size());
    const bool report = many && !s.quiet, bar = report && isatty(2);
    std::atomic<int> next{0};
    int started = 0;
    std::atomic<bool> failed{false};
    std::mutex print;
    const auto work = [&] {
        for (int i; (i = next++) < total;) {
            const QString &in = s.inputs[i];
            const QString out = output.folder
                                    ? QDir(s.out).filePath(QFileInfo(in).completeBaseName() +
                                                           QLatin1Char('.') + ExtensionOf(format))
                                    : s.out;
            if (report) {
                const std::lock_guard<std::mutex> lock(print);
                std::fprintf(stderr, bar ? "\r\033[K[%d/%d] %s" : "[%d/%d] %s\n", ++started, total,
                             qPrintable(in));
            }
            const QString problem =
                ConvertOne(in, out, job, threadsEach, !many && !s.quiet && isatty(2));
            if (!problem.isEmpty()) {
                const std::lock_guard<std::mutex> lock(print);
                failed = true;
                std::fprintf(stderr, "%spalmiro-tool: %s\n", bar ? "\r\033[K" : "",
                             qPrintable(problem));
            }
        }
    };
    RunTogether(jobs, [&](int) { work(); });
    if (bar)
        std::fprintf(stderr, "\r\033[K");
    return failed ? 1 : 0;
}
