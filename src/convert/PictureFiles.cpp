#include "convert/PictureFiles.h"

#include "base/FileAccess.h"
#include "base/FileBytes.h"
#include "base/Progress.h"
#include "base/RunTogether.h"
#include "base/SaveFile.h"
#include "convert/ConvertPicture.h"
#include "convert/RemapBands.h"
#include "formats/ImageFormats.h"
#include "model/ActApply.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <mutex>

std::optional<PictureFile> OpenPicture(const QString &path, QString &why)
{
    auto opened = std::make_unique<QFile>();
    FileError error = OpenRegularFile(path, *opened);
    // A plain truecolour BMP, the largest file for its picture, is read as
    // it is turned, a block of rows at a time on every core, never whole.
    if (!error) {
        if (std::unique_ptr<TrueColourRows> rows = TrueColourRows::FromBmpFile(opened)) {
            if (rows->refusal() == ImageRefusal::None)
                return PictureFile{{}, std::move(rows), {}};
            why = rows->detail();
            return std::nullopt;
        }
        if (!opened->seek(0))
            error = {FileProblem::ReadError, opened->errorString()};
    }
    std::optional<QByteArray> file;
    if (!error)
        file = ReadOpenedFile(*opened, error);
    if (!file) {
        why = FileProblemText(error);
        return std::nullopt;
    }
    PictureFile p{std::move(*file), {}, {}};
    const QByteArrayView bytes(p.file);
    const ImageFormat format = DetectImageFormat(bytes);
    const bool indexedFirst = format == ImageFormat::Bmp || format == ImageFormat::Pcx;
    AnyImage any;
    if (indexedFirst)
        any = ReadAnyImage(bytes);
    if (!indexedFirst || (format == ImageFormat::Bmp && any.refusal == ImageRefusal::NotIndexed)) {
        p.rows = std::make_unique<TrueColourRows>(bytes, path);
        const ImageRefusal refusal = p.rows->refusal();
        if (refusal == ImageRefusal::None)
            return p;
        if (indexedFirst || (refusal != ImageRefusal::Unsupported && format != ImageFormat::Gif)) {
            why = p.rows->detail();
            return std::nullopt;
        }
        p.rows.reset();
        any = ReadAnyImage(bytes);
    }
    if (any.refusal != ImageRefusal::None) {
        why = any.detail.isEmpty() ? QStringLiteral("not a picture") : any.detail;
        return std::nullopt;
    }
    PalletArray pallet{};
    ApplyActBytes(pallet, any.pcx.palette, any.pcx.palette.size());
    p.whole = PictureColours(any.pcx.image, pallet);
    if (p.whole.isNull()) {
        why = QStringLiteral("not enough memory");
        return std::nullopt;
    }
    return p;
}

QString WriteProblemText(const QString &path, const FileError &error)
{
    const QFileInfo folder(QFileInfo(path).path());
    if (error.problem != FileProblem::Missing || folder.isDir())
        return FileProblemText(error);
    return folder.exists() ? QStringLiteral("%1 is not a folder").arg(folder.filePath())
                           : QStringLiteral("the folder %1 is missing").arg(folder.filePath());
}

void SnapCandidates(const Levels &levels, PalletArray &pallet, Candidates &candidates,
                    const std::bitset<256> &keep)
{
    for (Candidate &c : candidates) {
        PalletEntry &e = pallet[c.entry];
        if (!keep[std::size_t(c.entry)])
            e = SnapEntry(levels, e);
        c.colour = {e.R, e.G, e.B};
    }
}

namespace {

// The palette made for one picture, whole as RGBA; o's dithering dropped
// where the picture's colours are all there.
PictureTarget MakeOwnTarget(const uchar *rgba, int w, int h, const PictureJob &job, RemapOptions &o)
{
    PictureTarget made;
    bool exact = false;
    int base = std::max(job.first, 0);
    if (job.goal) {
        ColourTally tally;
        tally.add(rgba, w, h, o.transparentEntry >= 0);
        if (o.progress)
            o.progress->Expect(std::int64_t(tally.size()));
        const SharedPalette shared = MakeSharedPalette(tally, *job.goal, o.progress);
        for (int e = 0; e < 256; ++e)
            made.pallet[std::size_t(e)].set(shared.colours[std::size_t(e)].r,
                                            shared.colours[std::size_t(e)].g,
                                            shared.colours[std::size_t(e)].b);
        made.candidates = shared.candidates;
        exact = shared.exact;
        base = job.goal->first;
    } else {
        const TargetPalette t =
            MakeTarget(rgba, w, h, {}, {ConvertTarget::Kind::NewPalette, base, 255, job.colours},
                       o.transparentEntry, o.progress);
        for (const Candidate &c : t.candidates)
            made.pallet[std::size_t(c.entry)].set(c.colour.r, c.colour.g, c.colour.b);
        made.candidates = t.candidates;
        exact = t.exact;
    }
    // Snapped colours are no longer the picture's own: dithering has work again.
    if (exact && !job.levels.any())
        o.dither = Dither::None;
    // A picture all see-through: its pixels take the transparent entry, but Remap wants one.
    if (made.candidates.empty())
        made.candidates.push_back({base == o.transparentEntry ? base + 1 : base, {}});
    SnapCandidates(job.levels, made.pallet, made.candidates, job.unsnapped);
    return made;
}

} // namespace

QString ConvertPictureFile(const QString &in, const QString &outPath, const PictureJob &job)
{
    QString why;
    // Room for the file first, then for the RGBA pixels, the entries and the
    // work's own planes; where that must wait, the file waits unread.
    const std::int64_t fileRoom = QFileInfo(in).size();
    std::int64_t room = fileRoom;
    if (job.gate)
        job.gate->take(room);
    std::optional<PictureFile> picture = OpenPicture(in, why);
    const std::int64_t pixelRoom =
        picture ? 8 * std::int64_t(picture->width()) * picture->height() : 0;
    if (picture && job.gate && !job.gate->tryTake(pixelRoom)) {
        picture.reset();
        job.gate->give(room);
        job.gate->take(room = fileRoom + pixelRoom);
        picture = OpenPicture(in, why);
    } else {
        room += pixelRoom;
    }
    struct Taken {
        MemoryGate *gate;
        const std::int64_t &room;
        ~Taken()
        {
            if (gate)
                gate->give(room);
        }
    } const taken{job.gate, room};
    if (!picture)
        return in + QStringLiteral(": ") + why;
    const int w = picture->width(), h = picture->height();
    const std::size_t count = std::size_t(w) * std::size_t(h);
    RemapOptions o = job.remap;
    const int threads = std::max(o.threads, 1);
    const PictureTarget *fixed = job.fixed;
    // Onto a fixed palette, most conversions need only a band of the
    // picture at a time: a large one is decoded as they go, never held whole.
    TrueColourRows *const rows = picture->rows.get();
    const bool banded =
        fixed && rows && rows->inOrder() && RemapsInBands(o) && count * 4 > RemapBandBytes(o);
    const bool decodes = rows && !banded;
    const std::int64_t decoded = decodes ? std::int64_t(count) : 0;
    if (o.progress)
        o.progress->Expect(
            decoded +
            (fixed || job.goal ? 0 : TargetUnits(w, h, {ConvertTarget::Kind::NewPalette})) +
            RemapUnits(w, h, o));
    if (decodes && (picture->whole = rows->readAll()).isNull())
        return in + QStringLiteral(": ") + rows->detail();
    Add(o.progress, decoded);
    // Decoded whole, the file is no longer needed while the picture converts.
    if (!banded) {
        picture->rows.reset();
        picture->file = QByteArray();
    }
    const uchar *const rgba = picture->whole.constBits();
    PictureTarget made;
    if (!fixed) {
        made = MakeOwnTarget(rgba, w, h, job, o);
        fixed = &made;
    }
    PixelBytes entries = AllocatePixels(count);
    if (!entries)
        return in + QStringLiteral(": not enough memory");
    const bool remapped =
        banded ? RemapBands([rows](std::uint8_t *to, int n) { return rows->read(to, n); }, w, h,
                            fixed->candidates, o, entries.get(), RemapBandBytes(o))
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
        EncodeImage(job.format, pcx, fixed->pallet,
                    {job.tableEntries ? job.tableEntries : highest + 1, o.transparentEntry, {}});
    if (!bytes)
        return outPath + QStringLiteral(": cannot be encoded");
    const FileError error = SaveWholeFile(outPath, *bytes);
    return error ? outPath + QStringLiteral(": ") + WriteProblemText(outPath, error) : QString();
}

namespace {

// Rows a tally reads at a time: a band, not the picture.
constexpr std::size_t kTallyBandBytes = std::size_t(16) << 20;

// One picture's colours by its pixels into `into`; the reason when it cannot be read.
QString TallyOne(const QString &path, ColourTally &into, bool skip, const Progress *progress)
{
    QString why;
    std::optional<PictureFile> picture = OpenPicture(path, why);
    if (!picture)
        return path + QStringLiteral(": ") + why;
    const int w = picture->width(), h = picture->height();
    TrueColourRows *const rows = picture->rows.get();
    if (rows && rows->inOrder()) {
        const int band =
            int(std::clamp<std::size_t>(kTallyBandBytes / (std::size_t(w) * 4), 1, std::size_t(h)));
        std::vector<std::uint8_t> buffer(std::size_t(w) * 4 * std::size_t(band));
        for (int y = 0; y < h && !Stopped(progress); y += band) {
            const int n = std::min(band, h - y);
            if (!rows->read(buffer.data(), n))
                return path + QStringLiteral(": ") + rows->detail();
            into.add(buffer.data(), w, n, skip);
        }
        return {};
    }
    if (rows && (picture->whole = rows->readAll()).isNull())
        return path + QStringLiteral(": ") + rows->detail();
    picture->rows.reset();
    picture->file = QByteArray();
    into.add(picture->whole.constBits(), w, h, skip);
    return {};
}

} // namespace

std::vector<QString> TallyPictureFiles(const QStringList &files, ColourTally &tally, int jobs,
                                       bool skipTransparent, Progress *progress,
                                       const std::function<void(int)> &starting, MemoryGate *gate)
{
    std::vector<QString> failed(std::size_t(files.size()));
    if (progress)
        progress->Expect(files.size());
    std::atomic<int> next{0};
    std::mutex merging;
    // Each picture counted apart, then merged under the lock: the counting,
    // the long part, goes on on every thread, and no more than one picture's
    // tally a thread is held besides the set's.
    RunTogether(std::clamp(jobs, 1, int(std::max<qsizetype>(files.size(), 1))), [&](int) {
        for (int i; (i = next++) < files.size() && !Stopped(progress);) {
            if (starting)
                starting(i);
            ColourTally own;
            // The file, a band of its rows and its own tally.
            const std::int64_t room = QFileInfo(files[i]).size() + (std::int64_t(40) << 20);
            if (gate)
                gate->take(room);
            failed[std::size_t(i)] = TallyOne(files[i], own, skipTransparent, progress);
            if (gate)
                gate->give(room);
            const double total = own.total();
            if (failed[std::size_t(i)].isEmpty() && total > 0 && !Stopped(progress)) {
                const std::lock_guard<std::mutex> lock(merging);
                tally.merge(own, tally.weighing() == ColourTally::Weighing::Equal ? 1 / total : 1);
            }
            Add(progress, 1);
        }
    });
    return failed;
}
