#include "windows/palette/frmFromPictures.h"

#include "app/Document.h"
#include "app/mdlGlobal.h"
#include "base/FileAccess.h"
#include "base/Progress.h"
#include "base/SaveFile.h"
#include "convert/PictureFiles.h"
#include "convert/TrueColour.h"
#include "formats/ImageExport.h"
#include "platform/Platform.h"
#include "windows/kit/Companions.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPainter>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

using namespace mdlGlobal;

namespace {

// The preview's box: the picture chosen in the list, reduced to fit.
constexpr int kPreviewWidth = 320, kPreviewHeight = 240;
constexpr int kSwatch = 10; // pixels a side of each entry in the strip
// Progress units of one file's reading, and of making the palette.
constexpr std::int64_t kFileUnits = 1000;

// Dithering offered: none first, the conversion's own default second.
constexpr Dither kDithers[] = {Dither::None, Dither::FloydSteinberg};

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

// The picture onto the palette as an indexed PNG, or nothing when it cannot be.
std::optional<QByteArray> EncodedOnto(const QImage &rgba, const SharedPalette &made,
                                      const PalletArray &pallet, const RemapOptions &options)
{
    const std::size_t count = std::size_t(rgba.width()) * std::size_t(rgba.height());
    PixelBytes entries = AllocatePixels(count);
    if (!entries || !Remap(rgba.constBits(), rgba.width(), rgba.height(), made.candidates, options,
                           entries.get()))
        return std::nullopt;
    int highest = 0;
    // The program holds entry e as value 255 - e.
    for (std::size_t i = 0; i < count; ++i) {
        highest = std::max<int>(highest, entries[i]);
        entries[i] = std::uint8_t(255 - entries[i]);
    }
    const ::PcxImage image(PixelBuffer(std::move(entries), count), rgba.width(), rgba.height(),
                           std::size_t(rgba.width()));
    return EncodeImage(ExportFormat::Png, image, pallet, {highest + 1, -1, {}});
}

QString MarkText(const EntrySet &set)
{
    return set.any() ? FormatEntryList(set) : Catalog.FromNoEntries;
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

frmFromPictures::frmFromPictures(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(Catalog.TitleFromPictures);
    setAttribute(Qt::WA_DeleteOnClose);
    setAcceptDrops(true);
    lstFiles = new QListWidget(this);
    lstFiles->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstFiles->setMinimumWidth(260);
    cmdAdd = new QPushButton(Catalog.FromAdd, this);
    cmdRemove = new QPushButton(Catalog.FromRemove, this);
    spnCount = new QSpinBox(this);
    spnCount->setRange(2, 256);
    spnCount->setValue(256);
    cboWeight = new QComboBox(this);
    cboWeight->addItems(Catalog.FromWeights.split(QLatin1Char('|')));
    cboDither = new QComboBox(this);
    const QStringList dithers = Catalog.ConvertDithers.split(QLatin1Char('|'));
    for (const Dither d : kDithers)
        cboDither->addItem(dithers.value(int(d)));
    lblMarks = new QLabel(this);
    lblMarks->setWordWrap(true);
    lblSwatches = new QLabel(this);
    lblSwatches->setFixedSize(16 * kSwatch + 1, 16 * kSwatch + 1);
    lblPreview = new QLabel(this);
    lblPreview->setFixedSize(kPreviewWidth, kPreviewHeight);
    lblPreview->setAlignment(Qt::AlignCenter);
    lblStatus = new QLabel(this);
    lblStatus->setWordWrap(true);
    barProgress = new QProgressBar(this);
    barProgress->setRange(0, 1000);
    barProgress->setFormat(Catalog.ProgressMakingPalette + QStringLiteral(" %p%"));
    barProgress->hide();
    cmdConvertSet = new QPushButton(Catalog.FromConvertSet, this);
    buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->addButton(cmdConvertSet, QDialogButtonBox::ActionRole);
    // Return is OK wherever the focus is, once the palette is made.
    for (QPushButton *b : {cmdAdd, cmdRemove, cmdConvertSet})
        b->setAutoDefault(false);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);

    auto *fileButtons = new QVBoxLayout;
    fileButtons->addWidget(cmdAdd);
    fileButtons->addWidget(cmdRemove);
    fileButtons->addStretch();
    auto *form = new QFormLayout;
    form->addRow(Catalog.FromCount, spnCount);
    form->addRow(Catalog.FromWeight, cboWeight);
    form->addRow(Catalog.CaptionConvertDither, cboDither);
    form->addRow(lblMarks);
    auto *grid = new QGridLayout;
    grid->addWidget(lstFiles, 0, 0);
    grid->addLayout(fileButtons, 0, 1);
    grid->addLayout(form, 1, 0, 1, 2);
    grid->addWidget(lblPreview, 0, 2);
    grid->addWidget(lblSwatches, 1, 2, Qt::AlignLeft | Qt::AlignTop);
    auto *all = new QVBoxLayout(this);
    all->addLayout(grid);
    all->addWidget(lblStatus);
    all->addWidget(barProgress);
    all->addWidget(buttons);

    connect(cmdAdd, &QPushButton::clicked, this, &frmFromPictures::chooseFiles);
    connect(cmdRemove, &QPushButton::clicked, this, [this] {
        qDeleteAll(lstFiles->selectedItems());
        settingsChanged();
    });
    connect(lstFiles, &QListWidget::currentRowChanged, this, &frmFromPictures::settingsChanged);
    connect(spnCount, &QSpinBox::valueChanged, this, &frmFromPictures::settingsChanged);
    connect(cboWeight, &QComboBox::currentIndexChanged, this, &frmFromPictures::settingsChanged);
    connect(cboDither, &QComboBox::currentIndexChanged, this, &frmFromPictures::settingsChanged);
    connect(cmdConvertSet, &QPushButton::clicked, this, &frmFromPictures::chooseFolder);
    connect(buttons, &QDialogButtonBox::accepted, this, &frmFromPictures::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &frmFromPictures::reject);
    connect(&work, &BackgroundWork::finished, this, &frmFromPictures::workDone);
    connect(&work, &BackgroundWork::slow, barProgress, &QWidget::show);
    auto *tick = new QTimer(this);
    connect(tick, &QTimer::timeout, this, [this] { barProgress->setValue(work.permille()); });
    tick->start(100);
    Document &doc = TheDocument();
    connect(&doc, &Document::marksChanged, this, &frmFromPictures::settingsChanged);
    connect(&doc, &Document::palletChanged, this, &frmFromPictures::settingsChanged);
    settingsChanged();
}

frmFromPictures::~frmFromPictures() = default;

void frmFromPictures::addFiles(const QStringList &paths)
{
    const QStringList have = files();
    for (const QString &p : paths)
        if (!p.isEmpty() && !have.contains(p)) {
            auto *item = new QListWidgetItem(QFileInfo(p).fileName(), lstFiles);
            item->setData(Qt::UserRole, p);
            item->setToolTip(p);
        }
    if (lstFiles->currentRow() < 0 && lstFiles->count() > 0)
        lstFiles->setCurrentRow(0);
    settingsChanged();
}

QStringList frmFromPictures::files() const
{
    QStringList out;
    for (int i = 0; i < lstFiles->count(); ++i)
        out << lstFiles->item(i)->data(Qt::UserRole).toString();
    return out;
}

RemapOptions frmFromPictures::remapOptions() const
{
    RemapOptions o;
    o.dither = kDithers[std::max(0, cboDither->currentIndex())];
    return o;
}

void frmFromPictures::settingsChanged()
{
    current = false;
    showMarks();
    cmdRemove->setEnabled(!lstFiles->selectedItems().isEmpty() || lstFiles->count() > 0);
    startWork();
}

void frmFromPictures::showMarks()
{
    const EntryMarks &marks = TheDocument().Marks();
    lblMarks->setText(Catalog.FromMarks.arg(MarkText(marks.locked), MarkText(marks.reserved)));
}

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
        const std::int64_t files = j->tally ? 0 : std::int64_t(j->files.size());
        progress.Expect((files + 2) * kFileUnits);
        if (!j->tally) {
            auto counted = std::make_shared<ColourTally>(j->weighing);
            for (const QString &path : j->files) {
                QString why;
                const QImage rgba = Decoded(path, why, nullptr);
                if (Stopped(&progress))
                    return;
                if (rgba.isNull() ||
                    !counted->add(rgba.constBits(), rgba.width(), rgba.height(), true))
                    j->failed << Catalog.FromUnreadable.arg(QFileInfo(path).fileName(), why);
                progress.Add(kFileUnits);
            }
            j->tally = counted;
        }
        j->palette = MakeSharedPalette(*j->tally, j->goal);
        progress.Add(kFileUnits);
        QString why;
        QImage shown = Decoded(j->shown, why, nullptr);
        if (!shown.isNull() && !Stopped(&progress)) {
            shown = shown
                        .scaled(kPreviewWidth, kPreviewHeight, Qt::KeepAspectRatio,
                                Qt::SmoothTransformation)
                        .convertToFormat(QImage::Format_RGBA8888);
            j->preview = Through(shown, j->palette, j->remap);
        }
        progress.Add(kFileUnits);
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

void frmFromPictures::showPalette()
{
    QPixmap strip(lblSwatches->size());
    strip.fill(Qt::black);
    QPainter p(&strip);
    const std::array<Rgb8, 256> c = current ? palette.colours : PaletteColours(Pallet);
    const EntryMarks &marks = TheDocument().Marks();
    for (int i = 0; i < 256; ++i) {
        const QRect cell(i % 16 * kSwatch + 1, i / 16 * kSwatch + 1, kSwatch - 1, kSwatch - 1);
        p.fillRect(cell, QColor(c[std::size_t(i)].r, c[std::size_t(i)].g, c[std::size_t(i)].b));
        // Entries that keep their colour show a dot: locked white, reserved grey.
        if (marks.locked[std::size_t(i)] || marks.reserved[std::size_t(i)])
            p.fillRect(cell.adjusted(2, 2, -5, -5),
                       marks.locked[std::size_t(i)] ? Qt::white : Qt::gray);
    }
    lblSwatches->setPixmap(strip);
}

void frmFromPictures::accept()
{
    if (!current)
        return;
    // Its own change makes nothing again.
    disconnect(&TheDocument(), nullptr, this, nullptr);
    TheDocument().ChangePallet(WithColours(Pallet, palette.colours));
    QDialog::accept();
}

void frmFromPictures::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void frmFromPictures::dropEvent(QDropEvent *event)
{
    QStringList paths;
    for (const QUrl &url : event->mimeData()->urls())
        if (url.isLocalFile())
            paths << url.toLocalFile();
    addFiles(paths);
    event->acceptProposedAction();
}

void frmFromPictures::chooseFiles()
{
    addFiles(ThePlatform().openFilesDialog(this, Catalog.FromAddTitle));
}

void frmFromPictures::chooseFolder()
{
    const std::optional<QString> folder = ThePlatform().folderDialog(this, Catalog.FromFolderTitle);
    if (!folder)
        return;
    const QStringList problems = convertSet(*folder);
    if (!problems.isEmpty())
        ThePlatform().messageBox(this, problems.join(QLatin1Char('\n')), Platform::Buttons::Ok);
}

void PaletteFromPictures(QWidget *parent)
{
    static QPointer<frmFromPictures> open;
    if (!open) {
        open = new frmFromPictures(parent);
        MoveBesideWindows(open);
    }
    open->show();
    open->raise();
    open->activateWindow();
}

QStringList frmFromPictures::convertSet(const QString &folder)
{
    if (!current)
        return {};
    const QStringList set = files();
    const SharedPalette made = palette;
    const PalletArray pallet = WithColours(Pallet, made.colours);
    const RemapOptions options = remapOptions();
    QStringList problems;
    RunWithProgress(Catalog.ProgressConvertingSet, [&](Progress &progress) {
        progress.Expect(std::int64_t(set.size()));
        for (const QString &path : set) {
            if (Stopped(&progress))
                return;
            const QString name = QFileInfo(path).completeBaseName() + QStringLiteral(".png");
            QString why;
            const QImage rgba = Decoded(path, why, nullptr);
            const std::optional<QByteArray> bytes =
                rgba.isNull() ? std::nullopt : EncodedOnto(rgba, made, pallet, options);
            if (!bytes && why.isEmpty())
                why = QStringLiteral("cannot be converted");
            const FileError error =
                bytes ? SaveWholeFile(QDir(folder).filePath(name), *bytes) : FileError{};
            if (!bytes || error)
                problems << Catalog.FromUnreadable.arg(QFileInfo(path).fileName(),
                                                       bytes ? FileProblemText(error) : why);
            progress.Add(1);
        }
    });
    return problems;
}
