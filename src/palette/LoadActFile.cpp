#include "palette/LoadActFile.h"

#include "image/DrawPcxImage.h"
#include "palette/ActFile.h"
#include "palette/PaletteFormats.h"
#include "palette_window/frmPallet.h"
#include "platform/Platform.h"
#include "shell/Forms.h"
#include "shell/mdlGlobal.h"

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
    if (mdlGlobal::PcxImage.isLoaded())
        DrawPcxImage();
    return true;
}
