#include "palette/LoadActFile.h"

#include "image/DrawPcxImage.h"
#include "palette/ActFile.h"
#include "palette/PaletteFormats.h"
#include "palette_window/frmPallet.h"
#include "platform/Platform.h"
#include "shell/Forms.h"
#include "shell/mdlGlobal.h"

using namespace mdlGlobal;

bool LoadActFile(const QString &name)
{
    const ActReadResult read = ReadActFile(name);
    if (!read.ok) {
        ThePlatform().messageBox(&FrmPallet(),
                                 QStringLiteral("ACT ファイルを読み込めません。\n") + read.error,
                                 Platform::Buttons::Ok);
        return false;
    }
    // Other programs' palettes come in as the ACT bytes of their colours, so
    // a short one keeps the entries it does not name, as a short ACT does.
    const PaletteRead palette = ReadPaletteFile(read.bytes);
    if (!palette.ok()) {
        ThePlatform().messageBox(&FrmPallet(),
                                 Catalog.MsgPaletteBroken + QLatin1Char('\n') + name +
                                     QLatin1Char('\n') + palette.error,
                                 Platform::Buttons::Ok);
        return false;
    }
    const QByteArray &bytes = palette.format == PaletteFormat::Act ? read.bytes : palette.rgb;
    ActFileLen = bytes.size();
    // One element more than the file has bytes; it stays 0.
    ActFileBytes = bytes;
    ActFileBytes.append('\0');
    FrmPallet().PalletSet();
    if (mdlGlobal::PcxImage.isLoaded())
        DrawPcxImage();
    return true;
}
