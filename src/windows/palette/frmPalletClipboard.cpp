// Copy and paste of palette ranges through the clipboard.
#include "app/mdlGlobal.h"
#include "formats/ClipText.h"
#include "platform/Platform.h"
#include "windows/palette/GetClipPallet.h"
#include "windows/palette/PaletteForms.h"
#include "windows/palette/frmClip.h"
#include "windows/palette/frmPallet.h"

#include <QPushButton>

using namespace mdlGlobal;

bool GetClipPallet()
{
    auto entries = ParseClipText(ThePlatform().clipboardText());
    if (!entries)
        return false;
    ClipPallet = std::move(*entries);
    return true;
}

void frmPallet::Form_Activate()
{
    cmdPaste->setEnabled(GetClipPallet());
}

void frmPallet::showEvent(QShowEvent *event)
{
    // Another program may put text on the clipboard while this window stays
    // active; Paste follows it as activation does.
    if (!clipboardLink)
        clipboardLink =
            connect(&ThePlatform(), &Platform::clipboardChanged, this, &frmPallet::Form_Activate);
    QWidget::showEvent(event);
}

void frmPallet::hideEvent(QHideEvent *event)
{
    disconnect(clipboardLink);
    QWidget::hideEvent(event);
}

void frmPallet::cmdCopy_Click()
{
    FrmClip().exec();
    Form_Activate();
}

void frmPallet::cmdPaste_Click()
{
    if (!GetClipPallet())
        return;
    const int first = SelectedPalletID;
    const int n = static_cast<int>(ClipPallet.size()) - 1;
    // Entries that would land beyond 255 are dropped.
    const int last = qMin(first + n, 255);
    if (ThePlatform().messageBox(this, PastePrompt(Catalog, first, last),
                                 Platform::Buttons::OkCancel) == Platform::Answer::Cancel)
        return;
    PalletArray after = Pallet;
    for (int i = first; i <= last; ++i)
        after[i] = ClipPallet[static_cast<std::size_t>(i - first)];
    ChangePallet(after);
}

QString PastePrompt(const MessageCatalog &catalog, int first, int last)
{
    return QString::number(first) + catalog.MsgPasteRangeSep + QString::number(last) +
           catalog.MsgPasteRewrite + QChar(13) + catalog.MsgPasteConfirm;
}
