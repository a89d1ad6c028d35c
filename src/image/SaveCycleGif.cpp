#include "image/SaveCycleGif.h"

#include "image/GifWriter.h"
#include "image/ImageExport.h"
#include "platform/Platform.h"
#include "shell/Forms.h"
#include "shell/SaveFile.h"
#include "shell/mdlGlobal.h"

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
        ThePlatform().messageBox(parent,
                                 Catalog.MsgImageSaveFailed + QLatin1Char('\n') +
                                     (error ? FileMessage(Catalog, *path, error) : *path),
                                 Platform::Buttons::Ok);
    else if (frames.capped)
        ThePlatform().messageBox(parent, Catalog.MsgCycleCapped, Platform::Buttons::Ok);
}
