#include "windows/screen/DrawPcxImage.h"

#include "app/CyclePlayer.h"
#include "app/Document.h"
#include "app/mdlGlobal.h"
#include "model/Render.h"
#include "model/ScrollMath.h"
#include "model/ZoomOut.h"
#include "windows/screen/ScreenForm.h"
#include "windows/screen/frmPCX.h"

#include <QLineEdit>
#include <QScrollBar>

using namespace mdlGlobal;

int CurrentZoomPercent()
{
    // Not the box's text: what is typed there counts once the box is left.
    return FrmPCX().Zoom();
}

void DrawPcxImage()
{
    frmPCX &pcx = FrmPCX();
    const ::PcxImage &image = mdlGlobal::PcxImage;
    const ZoomScale scale = pcx.Scale();
    const int f = scale.f;
    // Below 100 % the blocks of n are laid out as pixels.
    const int ub1 = image.UB1 / scale.n, ub2 = image.UB2 / scale.n;
    const int areaW = pcx.innerWidth() - kScrollBarThickness;
    const int areaH = pcx.innerHeight() - kScrollBarThickness;

    // Setting a position runs the bar's change handling, which draws before
    // this call goes on; the picture left is the one drawn last.
    if (DrawResetsScroll(ub1, f, areaW))
        pcx.scrlH->setValue(0);
    if (DrawResetsScroll(ub2, f, areaH))
        pcx.scrlV->setValue(0);

    const DrawAxis h = PlanDrawAxis(ub1, f, areaW, pcx.scrlH->value());
    pcx.scrlH->setEnabled(h.usable);
    if (!h.usable)
        pcx.scrlH->setValue(0);
    const DrawAxis v = PlanDrawAxis(ub2, f, areaH, pcx.scrlV->value());
    pcx.scrlV->setEnabled(v.usable);
    if (!v.usable)
        pcx.scrlV->setValue(0);

    QImage &raster = pcx.raster();
    // Away from full light each entry takes its shade's colour: one table, no step per pixel.
    const ColorTable table =
        BuildColorTable(TheDocument().Light().Shaded(ThePlayer().shown(), Pallet), SearchPalletID);
    if (scale.n > 1) {
        const int marked = SearchPalletID >= 0 && SearchPalletID <= 255 ? 255 - SearchPalletID : -1;
        FillReducedView(raster.bits(), raster.bytesPerLine(), raster.width(), raster.height(),
                        image, table, {h.offset, v.offset, h.last, v.last, scale.n}, marked);
    } else {
        // Below 101 % the picture is drawn 1:1 whatever the factor says.
        const int drawFactor = CurrentZoomPercent() > 100 ? f : 1;
        FillView(raster.bits(), raster.bytesPerLine(), raster.width(), raster.height(), image,
                 table, {h.offset, v.offset, h.last, v.last, drawFactor});
    }
    pcx.area()->update();
}
