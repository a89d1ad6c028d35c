#include "palette/LoadActFile.h"

#include "image/DrawPcxImage.h"
#include "palette/ActFile.h"
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
    ActFileLen = read.bytes.size();
    // One element more than the file has bytes; it stays 0.
    ActFileBytes = read.bytes;
    ActFileBytes.append('\0');
    FrmPallet().PalletSet();
    if (mdlGlobal::PcxImage.isLoaded())
        DrawPcxImage();
    return true;
}
