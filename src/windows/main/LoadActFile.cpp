#include "windows/main/LoadActFile.h"

#include "app/Document.h"
#include "app/mdlGlobal.h"
#include "formats/ActFile.h"
#include "formats/PaletteFormats.h"
#include "platform/Platform.h"
#include "windows/main/MainForms.h"
#include "windows/palette/frmPallet.h"
#include "windows/screen/DrawPcxImage.h"

using namespace mdlGlobal;

bool LoadActFile(const QString &name, std::optional<PaletteFormat> raw)
{
    // Other programs' palettes come in as the ACT bytes of their colours, so
    // a short one keeps the entries it does not name, as a short ACT does; a
    // picture brings all 256 of its entries.
    const PaletteRead palette = ReadPaletteAt(name, true, raw);
    if (!palette.ok()) {
        const QString why = palette.file ? FileMessage(Catalog, name, palette.file)
                            : palette.noPalette
                                ? Catalog.MsgPaletteNoPalette + QLatin1Char('\n') + name
                                : Catalog.MsgPaletteBroken + QLatin1Char('\n') + name +
                                      QLatin1Char('\n') + CatalogReason(Catalog, palette.error);
        ThePlatform().messageBox(&FrmPallet(), why, Platform::Buttons::Ok);
        return false;
    }
    ActFileLen = palette.rgb.size();
    // One element more than the bytes read; it stays 0.
    ActFileBytes = palette.rgb;
    ActFileBytes.append('\0');
    FrmPallet().PalletSet();
    TheDocument().TakeMarks(palette.marks);
    if (mdlGlobal::PcxImage.isLoaded())
        DrawPcxImage();
    return true;
}
