#include "image/DrawPcxImage.h"

#include "image/frmPCX.h"
#include "shell/Forms.h"

void DrawPcxImage()
{
    frmPCX &pcx = FrmPCX();
    pcx.raster().fill(Qt::black);
    pcx.area()->update();
}
