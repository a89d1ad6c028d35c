#include "windows/screen/DrawPcxImage.h"

#include "app/CyclePlayer.h"
#include "app/mdlGlobal.h"
#include "model/Render.h"
#include "model/ScrollMath.h"
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
    const int f = ZoomFactor(CurrentZoomPercent());
    const int areaW = pcx.innerWidth() - kScrollBarThickness;
    const int areaH = pcx.innerHeight() - kScrollBarThickness;

    // Setting a position runs the bar's change handling, which draws before
    // this call goes on; the picture left is the one drawn last.
    if (DrawResetsScroll(image.UB1, f, areaW))
        pcx.scrlH->setValue(0);
    if (DrawResetsScroll(image.UB2, f, areaH))
        pcx.scrlV->setValue(0);

    const DrawAxis h = PlanDrawAxis(image.UB1, f, areaW, pcx.scrlH->value());
    pcx.scrlH->setEnabled(h.usable);
    if (!h.usable)
        pcx.scrlH->setValue(0);
    const DrawAxis v = PlanDrawAxis(image.UB2, f, areaH, pcx.scrlV->value());
    pcx.scrlV->setEnabled(v.usable);
    if (!v.usable)
        pcx.scrlV->setValue(0);

    // Below 101 % the picture is drawn 1:1 whatever the factor says.
    const int drawFactor = CurrentZoomPercent() > 100 ? f : 1;
    const DrawView view{h.offset, v.offset, h.last, v.last, drawFactor};
    QImage &raster = pcx.raster();
    FillView(raster.bits(), raster.bytesPerLine(), raster.width(), raster.height(), image,
             BuildColorTable(ThePlayer().shown(), SearchPalletID), view);
    pcx.area()->update();
}
