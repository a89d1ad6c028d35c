// How "Palette from pictures" makes its palette and preview on another
// thread, and converts the set.
#include "windows/palette/frmFromPictures.h"

#include "app/Document.h"
#include "app/mdlGlobal.h"
#include "base/Progress.h"
#include "convert/PictureFiles.h"
#include "convert/TrueColour.h"
#include "platform/Platform.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>

using namespace mdlGlobal;

namespace {

QImage Decoded(const QString &path, QString &why, Progress *progress)
{
    std::optional<PictureFile> p = OpenPicture(path, why);
    if (!p)
        return {};
    if (!p->rows)
        return p->whole;
    QImage whole = p->rows->readAll(progress);
    if (whole.isNull() && !Stopped(progress))
        why = p->rows->detail();
    return whole;
}

// The picture through the palette: its entries' colours, as a pixel artist sees it.
QImage Through(const QImage &rgba, const SharedPalette &palette, const RemapOptions &options)
{
    if (rgba.isNull() || palette.candidates.empty())
        return {};
    std::vector<std::uint8_t> entries(std::size_t(rgba.width()) * std::size_t(rgba.height()));
    if (!Remap(rgba.constBits(), rgba.width(), rgba.height(), palette.candidates, options,
               entries.data()))
        return {};
    QImage out(rgba.width(), rgba.height(), QImage::Format_RGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(out.scanLine(y));
        const std::uint8_t *e = entries.data() + std::size_t(y) * std::size_t(out.width());
        for (int x = 0; x < out.width(); ++x) {
            const Rgb8 c = palette.colours[e[x]];
            line[x] = qRgb(c.r, c.g, c.b);
        }
    }
    return out;
}

// A line of what went wrong with a file, from palmiro-tool's "path: reason".
QString Problem(const QString &path, const QString &line)
{
    const QString reason =
        line.startsWith(path + QStringLiteral(": ")) ? line.mid(path.size() + 2) : line;
    return Catalog.FromUnreadable.arg(QFileInfo(path).fileName(), CatalogReason(Catalog, reason));
}

} // namespace

struct frmFromPictures::Job {
    // What to do.
    QStringList files;
    ColourTally::Weighing weighing = ColourTally::Weighing::Pixels;
    std::shared_ptr<const ColourTally> tally; // none: count the files first
    PaletteGoal goal;
    QString shown;
    RemapOptions remap;
    // What came of it.
    QStringList failed;
    SharedPalette palette;
    QImage preview;
};

void frmFromPictures::startWork()
{
    job.reset();
    const QStringList set = files();
    buttons->button(QDialogButtonBox::Ok)->setEnabled(false);
    cmdConvertSet->setEnabled(false);
    if (set.isEmpty()) {
        work.stop();
        barProgress->hide();
        lblStatus->setText(Catalog.FromNoPictures);
        lblPreview->clear();
        showPalette();
        return;
    }
    auto j = std::make_shared<Job>();
    j->files = set;
    j->weighing = cboWeight->currentIndex() == 1 ? ColourTally::Weighing::Equal
                                                 : ColourTally::Weighing::Pixels;
    if (tally && tallied == set && talliedWeighing == int(j->weighing))
        j->tally = tally;
    const EntryMarks &marks = TheDocument().Marks();
    j->goal.count = spnCount->value();
    j->goal.start = PaletteColours(Pallet);
    j->goal.locked = marks.locked;
    j->goal.reserved = marks.reserved;
    const QListWidgetItem *item = lstFiles->currentItem();
    j->shown = item ? item->data(Qt::UserRole).toString() : set.first();
    j->remap = remapOptions();
    job = j;
    work.start([j](Progress &progress) {
        // A unit a file counted (told by the counting), one for the palette, one for the preview.
        progress.Expect(2);
        if (!j->tally) {
            auto counted = std::make_shared<ColourTally>(j->weighing);
            const std::vector<QString> why =
                TallyPictureFiles(j->files, *counted, 2, true, &progress);
            if (Stopped(&progress))
                return;
            for (std::size_t i = 0; i < why.size(); ++i)
                if (!why[i].isEmpty())
                    j->failed << Problem(j->files[int(i)], why[i]);
            j->tally = counted;
        }
        j->palette = MakeSharedPalette(*j->tally, j->goal);
        progress.Add(1);
        QString why;
        QImage shown = Decoded(j->shown, why, nullptr);
        if (!shown.isNull() && !Stopped(&progress)) {
            shown = shown
                        .scaled(kPreviewWidth, kPreviewHeight, Qt::KeepAspectRatio,
                                Qt::SmoothTransformation)
                        .convertToFormat(QImage::Format_RGBA8888);
            j->preview = Through(shown, j->palette, j->remap);
        }
        progress.Add(1);
    });
}

void frmFromPictures::workDone()
{
    if (!job)
        return;
    const std::shared_ptr<Job> j = std::move(job);
    tally = j->tally;
    tallied = j->files;
    talliedWeighing = int(j->weighing);
    failed = j->failed;
    palette = j->palette;
    current = !palette.candidates.empty();
    barProgress->hide();
    lblPreview->setPixmap(QPixmap::fromImage(j->preview));
    lblStatus->setText(failed.join(QLatin1Char('\n')));
    buttons->button(QDialogButtonBox::Ok)->setEnabled(current);
    cmdConvertSet->setEnabled(current);
    showPalette();
}

QStringList frmFromPictures::convertSet(const QString &folder)
{
    if (!current)
        return {};
    const QStringList set = files();
    PictureTarget target{WithColours(Pallet, palette.colours), palette.candidates};
    PictureJob job;
    job.remap = remapOptions();
    job.fixed = &target;
    QStringList problems;
    RunWithProgress(Catalog.ProgressConvertingSet, [&](Progress &progress) {
        progress.Expect(std::int64_t(set.size()));
        for (const QString &path : set) {
            if (Stopped(&progress))
                return;
            const QString out =
                QDir(folder).filePath(QFileInfo(path).completeBaseName() + QStringLiteral(".png"));
            const QString why = ConvertPictureFile(path, out, job);
            if (!why.isEmpty())
                problems << Problem(why.startsWith(out) ? out : path, why);
            progress.Add(1);
        }
    });
    return problems;
}
