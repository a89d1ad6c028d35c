#include "windows/palette/frmFromPictures.h"

#include "app/Document.h"
#include "app/mdlGlobal.h"
#include "convert/TrueColour.h"
#include "platform/Platform.h"
#include "windows/kit/Companions.h"

#include <QComboBox>
#include <QDialogButtonBox>
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

constexpr int kSwatch = 10; // pixels a side of each entry in the strip

// Dithering offered: none first, the conversion's own default second.
constexpr Dither kDithers[] = {Dither::None, Dither::FloydSteinberg};

QString MarkText(const EntrySet &set)
{
    return set.any() ? FormatEntryList(set) : Catalog.FromNoEntries;
}

} // namespace

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
