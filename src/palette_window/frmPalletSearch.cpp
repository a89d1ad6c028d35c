// Shows where in the image the selected entry is used.
#include "image/DrawPcxImage.h"
#include "palette_window/frmPallet.h"
#include "platform/Platform.h"
#include "shell/Forms.h"
#include "shell/mdlGlobal.h"

using namespace mdlGlobal;

void frmPallet::cmdSerch_Click()
{
    if (!mdlGlobal::PcxImage.isLoaded() || SelectedPalletID < 0 || SelectedPalletID > 255)
        return;
    SearchPalletID = SelectedPalletID;
    DrawPcxImage();
    // The highlighted picture stays while the message is open.
    ThePlatform().messageBox(
        this, Catalog.MsgSearchShown + QStringLiteral("\r\n") + Catalog.MsgSearchReturn,
        Platform::Buttons::Ok);
    SearchPalletID = -1;
    DrawPcxImage();
}
