#include "windows/screen/SaveCycleGif.h"

#include "app/mdlGlobal.h"
#include "base/SaveFile.h"
#include "formats/GifWriter.h"
#include "formats/ImageExport.h"
#include "platform/Platform.h"

using namespace mdlGlobal;

void SaveCycleGif(QWidget *parent)
{
    const CycleFrames frames = CycleAnimation(Cycles);
    if (frames.frames.empty()) {
        ThePlatform().messageBox(parent, Catalog.MsgCycleNone, Platform::Buttons::Ok);
        return;
    }
    const auto path = ThePlatform().saveFileDialog(
        parent, {Catalog.TitleSaveCycleGif, QStringLiteral("GIF (*.gif)|*.gif|"),
                 NameBesidePicture(PcxFilePath, QStringLiteral(".gif")), true});
    if (!path)
        return;
    const std::optional<QByteArray> bytes =
        EncodeCycleGif(mdlGlobal::PcxImage, Pallet, Cycles, frames);
    const FileError error = bytes ? SaveWholeFile(*path, *bytes) : FileError{};
    if (!bytes || error)
        ThePlatform().messageBox(parent, ImageSaveFailedMessage(Catalog, *path, error),
                                 Platform::Buttons::Ok);
    else if (frames.capped)
        ThePlatform().messageBox(parent, Catalog.MsgCycleCapped, Platform::Buttons::Ok);
}
