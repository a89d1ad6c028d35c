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
#include <QFormLayout>
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
    form->addRow(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &frmConvert::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &frmConvert::reject);
    for (QComboBox *box : {cboTarget, cboDistance, cboDither})
        connect(box, &QComboBox::currentIndexChanged, this, &frmConvert::settingsChanged);
    for (QSpinBox *box : {spnCount, spnFirst, spnLast, spnStrength, spnTransparent})
        connect(box, &QSpinBox::valueChanged, this, &frmConvert::settingsChanged);
    for (QCheckBox *box : {chkSerpentine, chkRefine})
        connect(box, &QCheckBox::toggled, this, &frmConvert::settingsChanged);
    connect(chkKeepCycles, &QCheckBox::toggled, this, [this] {
        madeOnce = false;
        settingsChanged();
    });
    // Settings changed in a burst are converted once.
    later.setSingleShot(true);
    later.setInterval(0);
    connect(&later, &QTimer::timeout, this, [this] {
        if (qint64(rgba.width()) * rgba.height() <= quickAbove || result.entries.empty())
            return preview();
        previewVisible();
        whole.start();
    });
    whole.setSingleShot(true);
    whole.setInterval(300);
    connect(&whole, &QTimer::timeout, this, &frmConvert::preview);

    if (fresh) {
        FrmPCX().scrlH->setValue(0);
        FrmPCX().scrlV->setValue(0);
    }
    settingsChanged();
    preview();
}

ConvertTarget frmConvert::target() const
{
    ConvertTarget t;
    t.kind = ConvertTarget::Kind(cboTarget->currentIndex());
    t.first = spnFirst->value();
    t.last = spnLast->value();
    t.count = spnCount->value();
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
    const bool made = t.kind == ConvertTarget::Kind::NewPalette;
    {
        // A new palette must fit from its first entry on.
        const QSignalBlocker quiet(spnCount);
        spnCount->setMaximum(made ? 256 - std::min(t.first, 254) : 256);
        const QSignalBlocker quietFirst(spnFirst);
        spnFirst->setMaximum(made ? 254 : 255);
    }
    spnCount->setEnabled(made);
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

void frmConvert::makeTarget()
{
    // Only transparent pixels may take their entry: a new palette goes past it.
    const int transparent = options().transparentEntry;
    if (madeOnce && madeFor == target() && madeTransparent == transparent)
        return;
    madeFor = target();
    madeTransparent = transparent;
    made = MakeTargetOffCycles(rgba.constBits(), rgba.width(), rgba.height(),
                               PaletteColours(startPallet), madeFor, transparent,
                               chkKeepCycles->isChecked() ? Cycles : CycleRanges{});
    SnapTarget(made, TheDocument().CurrentLevels());
    madeOnce = true;
}

void frmConvert::preview()
{
    later.stop();
    whole.stop();
    makeTarget();
    const RemapOptions o = options();
    result = ConvertPicture(rgba.constBits(), rgba.width(), rgba.height(), made, o);
    current = true;
    const DecodedPicture shown = ConvertedPcx(result, rgba.width(), rgba.height());
    buttons->button(QDialogButtonBox::Ok)->setEnabled(shown.accepted());
    if (shown.accepted())
        showPicture(shown.image, WithColours(startPallet, result.palette));
}

// Over the last whole preview: what lies outside the view waits for the next.
void frmConvert::previewVisible()
{
    makeTarget();
    frmPCX &pcx = FrmPCX();
    const int percent = CurrentZoomPercent(), f = ZoomFactor(percent),
              shown = percent > 100 ? f : 1;
    const QRect view = QRect(DrawOffset(pcx.scrlH->value(), f), DrawOffset(pcx.scrlV->value(), f),
                             pcx.innerWidth() / shown + 2, pcx.innerHeight() / shown + 2) &
                       rgba.rect();
    if (view.isEmpty())
        return;
    const QImage part = rgba.copy(view);
    const ConvertedPicture seen =
        ConvertPicture(part.constBits(), part.width(), part.height(), made, options());
    if (seen.entries.empty())
        return;
    ConvertedPicture quick{seen.palette, result.entries};
    for (int y = 0; y < view.height(); ++y)
        std::copy_n(seen.entries.begin() + std::ptrdiff_t(y) * view.width(), view.width(),
                    quick.entries.begin() + std::ptrdiff_t(view.y() + y) * rgba.width() + view.x());
    const DecodedPicture drawn = ConvertedPcx(quick, rgba.width(), rgba.height());
    if (drawn.accepted())
        showPicture(drawn.image, WithColours(startPallet, quick.palette));
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
    if (!current)
        preview();
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
    later.stop();
    whole.stop();
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
    return dialog.exec() == QDialog::Accepted;
}
