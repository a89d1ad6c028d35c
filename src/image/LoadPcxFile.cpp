#include "image/LoadPcxFile.h"

#include "image/PcxReader.h"
#include "palette_window/frmPallet.h"
#include "platform/Platform.h"
#include "shell/Forms.h"
#include "shell/frmMain.h"
#include "shell/mdlGlobal.h"

#include <optional>

using namespace mdlGlobal;

namespace {

// The accepted file is decoded while it is checked (a stream that runs out
// refuses the file); the result waits here for DecodePcxImage.
std::optional<PcxFile> accepted;

} // namespace

bool LoadPcxFile(const QString &path)
{
    std::optional<QByteArray> bytes = ReadWholeFile(path);
    PcxFile file = bytes ? ReadPcx(*bytes) : PcxFile{PcxRefusal::Unreadable, {}, {}, {}, {}};
    mdlGlobal::PcxHeader = file.header;
    if (!file.accepted()) {
        accepted.reset();
        PcxFileBytes.clear();
        ThePlatform().messageBox(&FrmMain(), Catalog.MsgPcxUnsupported, Platform::Buttons::Ok);
        return false;
    }
    PcxFileBytes = std::move(*bytes);
    PcxFileLen = PcxFileBytes.size();
    accepted = std::move(file);
    LoadPcxPallet();
    return true;
}

void LoadPcxPallet()
{
    ActFileBytes = PcxPaletteBytes(PcxFileBytes);
    ActFileLen = ActFileBytes.size();
    FrmPallet().PalletSet();
}

void DecodePcxImage()
{
    if (!accepted)
        accepted = ReadPcx(PcxFileBytes);
    if (accepted->accepted()) {
        PcxDecodedBytes = std::move(accepted->decoded);
        mdlGlobal::PcxImage = std::move(accepted->image);
    }
    accepted.reset();
}
