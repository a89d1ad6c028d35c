#include "windows/screen/frmConvert.h"

#include "app/Document.h"
#include "app/MessageCatalog.h"
#include "app/mdlGlobal.h"
#include "convert/ConvertCycles.h"
#include "convert/TrueColour.h"
#include "model/Render.h"
#include "windows/kit/Companions.h"
#include "windows/kit/WindowKit.h"
#include "windows/screen/DrawPcxImage.h"
#include "windows/screen/ScreenForm.h"
#include "windows/screen/frmPCX.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QFormLayout>
#include <QProgressBar>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QThread>

using namespace mdlGlobal;

namespace {

// Everything that makes up the picture shown, so a step can put one back.
struct PictureState {
    ::PcxImage image;
    PixelBuffer decoded;
    ::PcxHeader header;
    QByteArray fileBytes;
    qint64 fileLen = 0;
    quint64 number = 0;
    QString path;
    CycleRanges cycles;
};

PictureState CurrentPicture()
{
    return {mdlGlobal::PcxImage, PcxDecodedBytes,  mdlGlobal::PcxHeader, PcxFileBytes,
            PcxFileLen,          PcxImagesDecoded, PcxFilePath,          Cycles};
}

// Drawn by the caller once the palette it goes with is written: the start image, which no
// change of the palette redraws, would keep the colours of the palette it left.
void ShowState(const PictureState &state)
{
    mdlGlobal::PcxImage = state.image;
    PcxDecodedBytes = state.decoded;
    mdlGlobal::PcxHeader = state.header;
    PcxFileBytes = state.fileBytes;
    PcxFileLen = state.fileLen;
    PcxImagesDecoded = state.number;
    PcxFilePath = state.path;
    if (!(Cycles == state.cycles))
        TheDocument().TakeCycles(state.cycles);
    TheDocument().PictureChanged();
    FrmPCX().intScr();
}

QSpinBox *SpinBox(int low, int high, int value)
{
    auto *box = new QSpinBox;
    box->setRange(low, high);
    box->setValue(value);
    return box;
}

QComboBox *Choices(QString MessageCatalog::*items, int chosen)
{
    auto *box = new QComboBox;
    box->addItems(CatalogItems(Catalog, items));
    box->setCurrentIndex(chosen);
    return box;
}

} // namespace

frmConvert::frmConvert(QImage picture, bool fresh, QWidget *parent, QString path, CycleRanges left)
    : QDialog(parent), rgba(std::move(picture)), fresh(fresh),
      leftCycles(fresh ? std::move(left) : Cycles), path(std::move(path)),
      startImage(mdlGlobal::PcxImage), startPallet(Pallet), startH(FrmPCX().scrlH->value()),
      startV(FrmPCX().scrlV->value())
{
    setWindowTitle(Catalog.TitleConvert);
    SetDesignedFont(this);
    ApplyFontName(this, Catalog.UiFontName);
    const ConvertSettings &was = ConvertChoices;
    // A palette file opened since is the one the picture is meant for.
    const bool toOpenPalette = PaletteFileOpened != was.paletteFile;
    cboTarget = Choices(&MessageCatalog::ConvertTargets, toOpenPalette ? 0 : was.target);
    spnCount = SpinBox(2, 256, was.count);
    spnFirst = SpinBox(0, 255, was.first);
    spnLast = SpinBox(0, 255, was.last);
    cboDistance = Choices(&MessageCatalog::ConvertDistances, was.distance);
    cboDither = Choices(&MessageCatalog::ConvertDithers, was.dither);
    spnStrength = SpinBox(0, 100, was.strength);
    chkSerpentine = new QCheckBox(Catalog.CaptionConvertSerpentine);
    chkSerpentine->setChecked(was.serpentine);
    chkRefine = new QCheckBox(Catalog.CaptionConvertRefine);
    chkRefine->setChecked(was.refine);
    spnTransparent = SpinBox(-1, 255, was.transparent);
    spnTransparent->setSpecialValueText(Catalog.ConvertNoTransparent);
    buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);

    auto *form = new QFormLayout(this);
    form->addRow(Catalog.CaptionConvertTarget, cboTarget);
    form->addRow(Catalog.CaptionConvertCount, spnCount);
    form->addRow(Catalog.CaptionConvertFirst, spnFirst);
    form->addRow(Catalog.CaptionConvertLast, spnLast);
    form->addRow(Catalog.CaptionConvertDistance, cboDistance);
    form->addRow(Catalog.CaptionConvertDither, cboDither);
    form->addRow(Catalog.CaptionConvertStrength, spnStrength);
    form->addRow(chkSerpentine);
    form->addRow(chkRefine);
    form->addRow(Catalog.CaptionConvertTransparent, spnTransparent);
    chkKeepCycles = new QCheckBox(Catalog.CaptionConvertKeepCycles);
    chkKeepCycles->setChecked(was.keepCycles);
    form->addRow(chkKeepCycles);
    barProgress = new QProgressBar;
    barProgress->setRange(0, 1000);
    barProgress->setFormat(Catalog.ProgressConverting + QStringLiteral(" %p%"));
    // Its room is kept, so that the buttons do not jump when it shows.
    QSizePolicy keep = barProgress->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    barProgress->setSizePolicy(keep);
    barProgress->hide();
    form->addRow(barProgress);
    form->addRow(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &frmConvert::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &frmConvert::reject);
    for (QComboBox *box : {cboTarget, cboDistance, cboDither})
        connect(box, &QComboBox::currentIndexChanged, this, &frmConvert::settingsChanged);
    for (QSpinBox *box : {spnCount, spnFirst, spnLast, spnStrength, spnTransparent})
        connect(box, &QSpinBox::valueChanged, this, &frmConvert::settingsChanged);
    for (QCheckBox *box : {chkSerpentine, chkRefine})
        connect(box, &QCheckBox::toggled, this, &frmConvert::settingsChanged);
    connect(chkKeepCycles, &QCheckBox::toggled, this, &frmConvert::settingsChanged);
    // Settings changed in a burst are converted once.
    later.setSingleShot(true);
    later.setInterval(0);
    connect(&later, &QTimer::timeout, this, &frmConvert::refresh);
    connect(&work, &BackgroundWork::finished, this, &frmConvert::workDone);
    tick.setInterval(50);
    connect(&tick, &QTimer::timeout, this, [this] { barProgress->setValue(work.permille()); });
    connect(&work, &BackgroundWork::slow, this, [this] {
        barProgress->setValue(work.permille());
        barProgress->show();
        tick.start();
    });

    if (fresh) {
        FrmPCX().scrlH->setValue(0);
        FrmPCX().scrlV->setValue(0);
    }
    settingsChanged();
    refresh();
}

ConvertTarget frmConvert::target() const
{
    ConvertTarget t;
    t.kind = ConvertTarget::Kind(cboTarget->currentIndex());
    t.first = spnFirst->value();
    t.last = spnLast->value();
    t.count = spnCount->value();
    t.marks = TheDocument().Marks();
    return t;
}

RemapOptions frmConvert::options() const
{
    RemapOptions o;
    o.dither = Dither(cboDither->currentIndex());
    o.strength = spnStrength->value();
    o.serpentine = chkSerpentine->isChecked();
    o.refine = chkRefine->isChecked() && chkRefine->isEnabled();
    // The result is the same on any number of threads.
    o.threads = QThread::idealThreadCount();
    o.space = cboDistance->currentIndex() == 1 ? ColourSpace::Rgb : ColourSpace::Oklab;
    o.transparentEntry = spnTransparent->value();
    return o;
}

void frmConvert::settingsChanged()
{
    const ConvertTarget t = target();
    const bool newPalette = t.kind == ConvertTarget::Kind::NewPalette;
    {
        // A new palette must fit from its first entry on.
        const QSignalBlocker quiet(spnCount);
        spnCount->setMaximum(newPalette ? 256 - std::min(t.first, 254) : 256);
        const QSignalBlocker quietFirst(spnFirst);
        spnFirst->setMaximum(newPalette ? 254 : 255);
    }
    spnCount->setEnabled(newPalette);
    spnFirst->setEnabled(t.kind != ConvertTarget::Kind::Whole);
    spnLast->setEnabled(t.kind == ConvertTarget::Kind::Range);
    RemapOptions o = options();
    const Dither d = o.dither;
    const bool diffused =
        (d != Dither::None && d != Dither::Bayer2 && d != Dither::Bayer4 && d != Dither::Bayer8);
    chkSerpentine->setEnabled(diffused);
    o.refine = true;
    chkRefine->setEnabled(Refines(o));
    current = false;
    later.start();
}

void frmConvert::showPicture(const ::PcxImage &image, const PalletArray &pallet)
{
    mdlGlobal::PcxImage = image;
    Pallet = pallet;
    TheDocument().ColoursPreviewed();
    FrmPCX().intScr();
    DrawPcxImage();
}

void frmConvert::keepChoices() const
{
    ConvertChoices = {
        cboTarget->currentIndex(), spnCount->value(),           spnFirst->value(),
        spnLast->value(),          cboDistance->currentIndex(), cboDither->currentIndex(),
        spnStrength->value(),      spnTransparent->value(),     chkSerpentine->isChecked(),
        chkRefine->isChecked(),    chkKeepCycles->isChecked(),  PaletteFileOpened};
}

void frmConvert::accept()
{
    if (!current && !work.running())
        refresh();
    if (!current) {
        // The controls wait with the result, which takes the rest of the step.
        acceptWhenDone = true;
        for (QWidget *w : findChildren<QWidget *>())
            if (w != barProgress && w != buttons->button(QDialogButtonBox::Cancel) && w != buttons)
                w->setEnabled(false);
        return;
    }
    acceptWhenDone = false;
    const DecodedPicture kept = ConvertedPcx(result, rgba.width(), rgba.height());
    if (!kept.accepted())
        return;
    // The palette goes back first, so that the step records what changed.
    Pallet = startPallet;
    mdlGlobal::PcxImage = startImage;
    PictureState before = CurrentPicture();
    before.cycles = leftCycles;
    const PictureState after{kept.image,
                             kept.decoded,
                             kept.header,
                             {},
                             0,
                             NewPictureNumber(),
                             fresh ? path : before.path,
                             Cycles};
    PcxTransparent = {after.number, spnTransparent->value()};
    ShowState(after);
    // Undo and redo touch only the picture they left; another opened since keeps its own.
    auto alongside = [before, after](PalletHistory::Side side) {
        const bool back = side == PalletHistory::Side::Before;
        if (PcxImagesDecoded == (back ? after : before).number)
            ShowState(back ? before : after);
    };
    TheDocument().ChangePallet(WithColours(startPallet, result.palette),
                               {PalletFollow::How::Reselect, 0, -1, false, 0, alongside});
    DrawPcxImage();
    keepChoices();
    QDialog::accept();
}

void frmConvert::reject()
{
    dropWork();
    acceptWhenDone = false;
    showPicture(startImage, startPallet);
    FrmPCX().scrlH->setValue(startH);
    FrmPCX().scrlV->setValue(startV);
    DrawPcxImage();
    keepChoices();
    QDialog::reject();
}

bool ConvertToPalette(const QImage &picture, bool fresh, const QString &path,
                      const CycleRanges &left)
{
    frmConvert dialog(picture, fresh, MainWindow(), path, left);
    // Beside the windows, so that the preview it draws can be seen.
    MoveBesideWindows(&dialog);
    // Not modal: the other windows repaint and About answers while it works.
    const InputGate gate;
    QEventLoop loop;
    QObject::connect(&dialog, &QDialog::finished, &loop, &QEventLoop::quit);
    dialog.show();
    loop.exec();
    return dialog.QDialog::result() == QDialog::Accepted;
}
