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
#include "convert/RemapBands.h"
#include "convert/TrueColour.h"
#include "formats/ActFile.h"
#include "formats/ImageExport.h"
#include "formats/ImageFormats.h"
#include "model/ActApply.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <variant>

namespace {

// The fixed palette and its candidates, shared by every picture.
struct Target {
    PalletArray pallet{};
    Candidates candidates;
};

std::optional<Target> ReadTarget(const ConvertSettings &s, QString &why)
{
    Target t;
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
QString ConvertOne(const QString &in, const QString &outPath, ExportFormat format,
                   const ConvertSettings &s, const Target *fixed, int threads, bool percent)
{
    QString why;
    std::optional<PictureFile> picture = OpenPicture(in, why);
    if (!picture)
        return in + QStringLiteral(": ") + why;
    const int w = picture->width(), h = picture->height();
    const std::size_t count = std::size_t(w) * std::size_t(h);
    RemapOptions o = s.remap;
    o.threads = threads;
    Progress progress;
    const TerminalProgress shown(progress, in, percent);
    o.progress = &progress;
    // Onto a fixed palette, most conversions need only a band of the
    // picture at a time: a large one is decoded as they go, never held whole.
    TrueColourRows *const rows = picture->rows.get();
    const bool banded =
        fixed && rows && rows->inOrder() && RemapsInBands(o) && count * 4 > kRemapBandBytes;
    const bool decodes = rows && !banded;
    const std::int64_t decoded = decodes ? std::int64_t(count) : 0;
    progress.Expect(decoded + (fixed ? 0 : TargetUnits(w, h, {ConvertTarget::Kind::NewPalette})) +
                    RemapUnits(w, h, o));
    if (decodes && (picture->whole = rows->readAll()).isNull())
        return in + QStringLiteral(": ") + rows->detail();
    progress.Add(decoded);
    // Decoded whole, the file is no longer needed while the picture converts.
    if (!banded) {
        picture->rows.reset();
        picture->file = QByteArray();
    }
    const uchar *const rgba = picture->whole.constBits();
    Target made;
    if (!fixed) {
        const int base = std::max(s.first, 0);
        const TargetPalette t =
            MakeTarget(rgba, w, h, {}, {ConvertTarget::Kind::NewPalette, base, 255, s.colours},
                       o.transparentEntry, &progress);
        for (const Candidate &c : t.candidates)
            made.pallet[std::size_t(c.entry)].set(c.colour.r, c.colour.g, c.colour.b);
        made.candidates = t.candidates;
        // Snapped colours are no longer the picture's own: dithering has work again.
        if (t.exact && !s.levels.any())
            o.dither = Dither::None;
        // A picture all see-through: its pixels take the transparent entry, but Remap wants one.
        if (made.candidates.empty())
            made.candidates.push_back({base == o.transparentEntry ? base + 1 : base, {}});
        SnapCandidates(s.levels, made.pallet, made.candidates);
        fixed = &made;
    }
    PixelBytes entries = AllocatePixels(count);
    if (!entries)
        return in + QStringLiteral(": not enough memory");
    const bool remapped =
        banded ? RemapBands([rows](std::uint8_t *to, int n) { return rows->read(to, n); }, w, h,
                            fixed->candidates, o, entries.get())
               : Remap(rgba, w, h, fixed->candidates, o, entries.get());
    if (!remapped)
        return in + QStringLiteral(": ") +
               (banded && rows->refusal() != ImageRefusal::None ? rows->detail()
                                                                : QStringLiteral("holds no pixel"));
    picture.reset(); // its memory is the encoder's now
    // Stored values are 255 - entry; the PNG's table ends at the highest entry used.
    std::vector<int> highests(std::size_t(threads), 0);
    RunTogether(threads, [&](int k) {
        int highest = 0;
        quint8 *e = entries.get();
        for (std::size_t i = count * std::size_t(k) / std::size_t(threads),
                         end = count * std::size_t(k + 1) / std::size_t(threads);
             i < end; ++i) {
            highest = std::max<int>(highest, e[i]);
            e[i] = quint8(255 - e[i]);
        }
        highests[std::size_t(k)] = highest;
    });
    const int highest = *std::max_element(highests.begin(), highests.end());
    const PcxImage pcx(PixelBuffer(std::move(entries), count), w, h, std::size_t(w));
    const std::optional<QByteArray> bytes =
        EncodeImage(format, pcx, fixed->pallet, {highest + 1, o.transparentEntry, {}});
    if (!bytes)
        return outPath + QStringLiteral(": cannot be encoded");
    const FileError error = SaveWholeFile(outPath, *bytes);
    return error ? outPath + QStringLiteral(": ") + WriteProblemText(outPath, error) : QString();
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
    std::optional<Target> fixed;
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
            const QString problem = ConvertOne(in, out, format, s, fixed ? &*fixed : nullptr,
                                               threadsEach, !many && !s.quiet && isatty(2));
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
