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
#include "base/SaveFile.h"
#include "convert/ConvertPicture.h"
#include "convert/Dither.h"
#include "convert/PictureFiles.h"
#include "convert/SharedPalette.h"
#include "convert/TrueColour.h"
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

// --lock and --reserve, else what the palette file marks.
EntryMarks MarksOf(const ConvertSettings &s, const EntryMarks &file)
{
    if (!s.locked && !s.reserved)
        return file;
    return {s.locked.value_or(EntrySet()), s.reserved.value_or(EntrySet())};
}

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
    const EntryMarks marks = MarksOf(s, read.marks);
    t.candidates = MakeTarget(nullptr, 0, 0, colours, range, s.remap.transparentEntry).candidates;
    t.candidates.erase(std::remove_if(t.candidates.begin(), t.candidates.end(),
                                      [&marks](const Candidate &c) {
                                          return marks.reserved[std::size_t(c.entry)];
                                      }),
                       t.candidates.end());
    if (t.candidates.empty()) {
        why = marks.reserved.any() ? QStringLiteral("offers no entry but reserved ones")
                                   : QStringLiteral("offers no entry but the --transparent one");
        return std::nullopt;
    }
    if (!s.keepCycles && read.format == PaletteFormat::Image &&
        !LeaveOutCycled(s.paletteFile, t.candidates, why))
        return std::nullopt;
    SnapCandidates(s.levels, t.pallet, t.candidates, marks.locked);
    return t;
}

// The span --colours makes new colours in, around the locked and reserved
// entries of --palette (the transparent one reserved too).
std::optional<PaletteGoal> ReadGoal(const ConvertSettings &s, QString &why)
{
    PaletteGoal goal;
    goal.first = std::max(s.first, 0);
    goal.count = s.colours;
    EntryMarks marks = MarksOf(s, {});
    if (!s.paletteFile.isEmpty()) {
        const PaletteRead read = ReadPaletteAt(s.paletteFile);
        why = read.file ? FileProblemText(read.file) : read.error;
        if (!read.ok())
            return std::nullopt;
        PalletArray pallet{};
        ApplyActBytes(pallet, read.rgb, read.rgb.size());
        goal.start = PaletteColours(pallet);
        marks = MarksOf(s, read.marks);
    }
    goal.locked = marks.locked;
    goal.reserved = marks.reserved;
    if (s.remap.transparentEntry >= 0)
        goal.reserved.set(std::size_t(s.remap.transparentEntry));
    return goal;
}

// Every core counts the pictures' colours: the one palette made of them, written to
// --write-palette when given. skip: the pictures that could not be counted, said on stderr.
std::optional<PictureTarget> MakeSetTarget(const ConvertSettings &s, const PaletteGoal &goal,
                                           int jobs, std::vector<bool> &skip)
{
    ColourTally tally(s.weighing);
    const int total = int(s.inputs.size());
    const bool report = total > 1 && !s.quiet, bar = report && isatty(2);
    std::mutex print;
    int started = 0;
    const std::vector<QString> problems = TallyPictureFiles(
        s.inputs, tally, jobs, s.remap.transparentEntry >= 0, nullptr, [&](int i) {
            if (!report)
                return;
            const std::lock_guard<std::mutex> lock(print);
            std::fprintf(stderr, bar ? "\r\033[K[%d/%d] counting %s" : "[%d/%d] counting %s\n",
                         ++started, total, qPrintable(s.inputs[i]));
        });
    if (bar)
        std::fprintf(stderr, "\r\033[K");
    for (std::size_t i = 0; i < problems.size(); ++i) {
        skip[i] = !problems[i].isEmpty();
        if (skip[i])
            std::fprintf(stderr, "palmiro-tool: %s\n", qPrintable(problems[i]));
    }
    const SharedPalette made = MakeSharedPalette(tally, goal);
    if (made.candidates.empty()) {
        std::fprintf(stderr, "palmiro-tool: the pictures hold no colour to make a palette of\n");
        return std::nullopt;
    }
    PictureTarget t;
    for (std::size_t e = 0; e < 256; ++e)
        t.pallet[e].set(made.colours[e].r, made.colours[e].g, made.colours[e].b);
    t.candidates = made.candidates;
    SnapCandidates(s.levels, t.pallet, t.candidates, goal.locked);
    if (s.writePalette.isEmpty())
        return t;
    const PaletteFormat as = PaletteFormatForName(s.writePalette).value_or(PaletteFormat::Act);
    const FileError error = SaveWholeFile(
        s.writePalette, WritePaletteFile(as, t.pallet, goal.first + goal.count,
                                         {goal.locked & ~goal.reserved, goal.reserved}));
    if (!error)
        return t;
    std::fprintf(stderr, "palmiro-tool: %s: %s\n", qPrintable(s.writePalette),
                 qPrintable(WriteProblemText(s.writePalette, error)));
    return std::nullopt;
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
    ConvertOutput output{};
    if (!s.out.isEmpty()) {
        const std::variant<ConvertOutput, QString> planned =
            PlanConvertOutput(s.out, s.format, int(s.inputs.size()));
        if (const QString *problem = std::get_if<QString>(&planned)) {
            // OUT cannot take these pictures: one line, as the usage is not what is wrong.
            std::fprintf(stderr, "palmiro-tool: %s\n", qPrintable(*problem));
            return 2;
        }
        output = std::get<ConvertOutput>(planned);
    }
    QString why;
    std::optional<PictureTarget> fixed;
    std::optional<PaletteGoal> goal;
    // --colours with --palette or --shared: around the locked entries of a given span.
    const bool around = s.colours && (s.shared || !s.paletteFile.isEmpty());
    if (around ? !(goal = ReadGoal(s, why))
               : !s.paletteFile.isEmpty() && !(fixed = ReadTarget(s, why))) {
        std::fprintf(stderr, "palmiro-tool: %s: %s\n", qPrintable(s.paletteFile), qPrintable(why));
        return 1;
    }
    const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
    const int jobs = std::min<int>(s.jobs ? s.jobs : cores, int(s.inputs.size()));
    std::vector<bool> skip(std::size_t(s.inputs.size()), false);
    if (s.shared && !(fixed = MakeSetTarget(s, *goal, jobs, skip)))
        return 1;
    const bool counted = std::find(skip.begin(), skip.end(), true) == skip.end();
    if (s.out.isEmpty())
        return counted ? 0 : 1;
    const bool many = s.inputs.size() > 1;
    if (output.folder && !QDir().mkpath(s.out)) {
        std::fprintf(stderr, "palmiro-tool: %s: cannot be made a folder\n", qPrintable(s.out));
        return 1;
    }
    const ExportFormat format = output.format;
    PictureJob job;
    job.remap = s.remap;
    job.fixed = fixed ? &*fixed : nullptr;
    job.goal = goal && !fixed ? &*goal : nullptr;
    job.first = std::max(s.first, 0);
    job.colours = s.colours;
    job.levels = s.levels;
    if (goal)
        job.unsnapped = goal->locked;
    job.format = format;
    // Every picture of a set with the one table.
    if (s.shared)
        job.tableEntries = std::max(goal->first + goal->count, s.remap.transparentEntry + 1);
    // A lone picture is split over the cores instead.
    const int threadsEach = jobs == 1 ? (s.jobs ? s.jobs : cores) : 1;
    // Each picture named as it starts, on a line of its own, or over the last on a terminal.
    const int total = int(s.inputs.size());
    const bool report = many && !s.quiet, bar = report && isatty(2);
    std::atomic<int> next{0};
    int started = 0;
    std::atomic<bool> failed{!counted};
    const char *const verb = s.shared ? "converting " : "";
    std::mutex print;
    const auto work = [&] {
        for (int i; (i = next++) < total;) {
            if (skip[std::size_t(i)])
                continue;
            const QString &in = s.inputs[i];
            const QString out = output.folder
                                    ? QDir(s.out).filePath(QFileInfo(in).completeBaseName() +
                                                           QLatin1Char('.') + ExtensionOf(format))
                                    : s.out;
            if (report) {
                const std::lock_guard<std::mutex> lock(print);
                std::fprintf(stderr, bar ? "\r\033[K[%d/%d] %s%s" : "[%d/%d] %s%s\n", ++started,
                             total, verb, qPrintable(in));
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
