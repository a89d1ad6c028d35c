// The image commands of the main window: PCX open, zoom, adjust.
#include "app/Document.h"
#include "app/mdlGlobal.h"
#include "base/Numbers.h"
#include "model/Contrast.h"
#include "model/PcxAdjust.h"
#include "model/ZoomOut.h"
#include "platform/Platform.h"
#include "windows/kit/WindowKit.h"
#include "windows/main/LoadPcxFile.h"
#include "windows/main/MainForms.h"
#include "windows/main/frmMain.h"
#include "windows/palette/frmPallet.h"
#include "windows/screen/DrawPcxImage.h"
#include "windows/screen/frmPCX.h"

#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSlider>

#include <cstdlib>

using namespace mdlGlobal;

namespace {

void setZoomSliderQuietly(QSlider *slider, int value)
{
    const QSignalBlocker quiet(slider);
    slider->setValue(value);
}

} // namespace

void frmMain::cmdPcxOpen_Click()
{
    const auto path = ThePlatform().openFileDialog(
        this, {Catalog.TitlePcxOpen, QStringLiteral("Act Files (*.pcx)|*.pcx|"),
               QStringLiteral("USER.pcx"), false, QStringLiteral("All files (*)|*|"), 0,
               QStringLiteral("Pictures (*.pcx *.png *.bmp *.gif *.jpg *.jpeg)|"
                              "*.pcx *.png *.bmp *.gif *.jpg *.jpeg|")});
    if (path)
        OpenPcx(*path);
}

bool frmMain::OpenPcx(const QString &path)
{
    if (!LoadPcxFile(path))
        return false;
    TheDocument().ShowName(frmPallet::kNoFile);
    PcxFilePath = path;
    FrmPallet().MarkSaved();
    frmPCX &pcx = FrmPCX();
    pcx.scrlH->setValue(0);
    pcx.scrlV->setValue(0);
    DecodePcxImage();
    TheDocument().PictureChanged();
    pcx.intScr();
    DrawPcxImage();
    return true;
}

void frmMain::sldZoom_Change()
{
    const int snapped = static_cast<int>(DivRoundHalfEven(sldZoom->value(), 100) * 100);
    setZoomSliderQuietly(sldZoom, snapped);
    txtZoom->setText(QString::number(sldZoom->value()));
    commitZoom(sldZoom->value());
    FrmPCX().intScr();
    DrawPcxImage();
}

bool frmMain::txtZoom_LostFocus()
{
    // Below 100 % the box shows what only the screen window sets.
    if (zoomOut > 1 && txtZoom->text() == drawnZoomText())
        return true;
    // A text too large for a 16-bit number gets the range message too.
    const auto value = ReadWholeInRange(txtZoom->text(), 100, 400);
    if (!value) {
        ThePlatform().messageBox(this, Catalog.MsgZoomRange, Platform::Buttons::Ok);
        // The box shows the zoom the picture is still drawn at.
        txtZoom->setText(drawnZoomText());
        txtZoom->setFocus(Qt::OtherFocusReason);
        return false;
    }
    const int rounded = static_cast<int>(DivRoundHalfEven(*value, 10) * 10);
    txtZoom->setText(QString::number(rounded));
    commitZoom(rounded);
    setZoomSliderQuietly(sldZoom, rounded);
    FrmPCX().intScr();
    DrawPcxImage();
    return true;
}

void frmMain::commitZoom(int percent)
{
    committedZoom = percent;
    zoomOut = 1;
    emit zoomCommitted(percent);
}

QString frmMain::drawnZoomText() const
{
    return zoomOut > 1 ? ReducedZoomText(zoomOut) : QString::number(committedZoom);
}

void frmMain::ShowZoomOut(int n)
{
    committedZoom = 100;
    zoomOut = n;
    txtZoom->setText(drawnZoomText());
    setZoomSliderQuietly(sldZoom, 100);
}

void frmMain::StepZoom(int steps)
{
    // The slider's own step, so its handling snaps, shows and redraws.
    for (int i = 0; i < std::abs(steps); ++i)
        sldZoom->triggerAction(steps > 0 ? QAbstractSlider::SliderSingleStepAdd
                                         : QAbstractSlider::SliderSingleStepSub);
}

void frmMain::ShowEntry(int id)
{
    const PalletEntry &entry = Pallet[id];
    // Carriage returns separate the lines of the read-out.
    lblInfo->setText(QStringLiteral("PID : %1\nR : %2\nG : %3\nB : %4")
                         .arg(id)
                         .arg(entry.R)
                         .arg(entry.G)
                         .arg(entry.B));
    SetBackground(lblInfo, PackedToQColor(entry.color()));
    SetForeground(lblInfo, PackedToQColor(ReadableTextColor(entry.color())));
}

void frmMain::cmdAdjustMinas_Click()
{
    PcxAdjust(-1);
}

void frmMain::cmdAdjustPlus_Click()
{
    PcxAdjust(1);
}

void frmMain::PcxAdjust(qint32 step)
{
    if (mdlGlobal::PcxImage.UB1 < 1)
        return;
    if (step == -1 || step == 1) {
        if (auto laidOut = AdjustPcxLayout(PcxDecodedBytes, mdlGlobal::PcxImage, step))
            mdlGlobal::PcxImage = std::move(*laidOut);
        TheDocument().PictureChanged();
    }
    DrawPcxImage();
}
