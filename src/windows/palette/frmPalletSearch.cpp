// Shows where in the image the selected entry is used.
#include "app/Document.h"
#include "app/mdlGlobal.h"
#include "platform/Platform.h"
#include "windows/palette/frmPallet.h"

using namespace mdlGlobal;

void frmPallet::cmdSerch_Click()
{
    if (!mdlGlobal::PcxImage.isLoaded() || SelectedPalletID < 0 || SelectedPalletID > 255)
        return;
    SearchPalletID = SelectedPalletID;
    TheDocument().Redraw();
    // The highlighted picture stays while the message is open.
    ThePlatform().messageBox(
        this, Catalog.MsgSearchShown + QStringLiteral("\r\n") + Catalog.MsgSearchReturn,
        Platform::Buttons::Ok);
    SearchPalletID = -1;
    TheDocument().Redraw();
}
