// The screen window's menu: the picture saved as a file, copied, or converted.
#include "app/Document.h"
#include "app/mdlGlobal.h"
#include "base/SaveFile.h"
#include "convert/TrueColour.h"
#include "formats/ImageExport.h"
#include "platform/Platform.h"
#include "windows/screen/SaveCycleGif.h"
#include "windows/screen/frmConvert.h"
#include "windows/screen/frmPCX.h"

#include <QFileInfo>
#include <QMenu>

using namespace mdlGlobal;

namespace {

// In the order of the save dialog's filters.
constexpr ExportFormat kExportFormats[] = {ExportFormat::Png, ExportFormat::Pcx, ExportFormat::Bmp,
                                           ExportFormat::Gif};

} // namespace

void frmPCX::ShowImageMenu(const QPoint &at)
{
    QMenu menu(this);
    QAction *fit = menu.addAction(Catalog.MenuFitWindow, this, &frmPCX::FitInWindow);
    fit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
    menu.addSeparator();
    QAction *save = menu.addAction(Catalog.MenuSaveImage, this, &frmPCX::mnuSaveImage_Click);
    QAction *copy = menu.addAction(Catalog.MenuCopyImage, this, &frmPCX::mnuCopyImage_Click);
    save->setEnabled(mdlGlobal::PcxImage.isLoaded());
    copy->setEnabled(mdlGlobal::PcxImage.isLoaded());
    menu.addSeparator();
    QAction *convert = menu.addAction(Catalog.MenuConvert, this, &frmPCX::mnuConvert_Click);
    convert->setEnabled(mdlGlobal::PcxImage.isLoaded());
    QAction *cycle = menu.addAction(Catalog.MenuSaveCycleGif, this, [this] { SaveCycleGif(this); });
    cycle->setEnabled(mdlGlobal::PcxImage.isLoaded());
    menu.addSeparator();
    addLightMenu(menu);
    menu.exec(area()->mapToGlobal(at));
}

void frmPCX::mnuSaveImage_Click()
{
    const auto chosen = ThePlatform().saveFileDialogWithFilter(
        this,
        {Catalog.TitleSaveImage,
         QStringLiteral("PNG (*.png)|*.png|PCX (*.pcx)|*.pcx|BMP (*.bmp)|*.bmp|GIF (*.gif)|*.gif|"),
         NameBesidePicture(PcxFilePath, QStringLiteral(".png")), true});
    if (!chosen)
        return;
    const QString &path = chosen->first;
    // The extension typed names the format; the filter only fills in for none.
    std::optional<ExportFormat> format = ExportFormatForName(path);
    if (!format && !QFileInfo(path).suffix().isEmpty()) {
        ThePlatform().messageBox(this, Catalog.MsgImageSaveKind + QLatin1Char('\n') + path,
                                 Platform::Buttons::Ok);
        return;
    }
    const int filter = chosen->second;
    if (!format)
        format = filter >= 0 && filter < int(std::size(kExportFormats)) ? kExportFormats[filter]
                                                                        : ExportFormat::Png;
    const int transparent = PcxTransparent.picture == PcxImagesDecoded ? PcxTransparent.entry : -1;
    const EntryMarks &marks = TheDocument().Marks();
    const std::optional<QByteArray> bytes = EncodeImage(
        *format, mdlGlobal::PcxImage, Pallet,
        {256, transparent, {}, marks.any() ? MarksRecord(marks) : QByteArray()}, Cycles);
    const FileError error = bytes ? SaveWholeFile(path, *bytes) : FileError{};
    if (!bytes || error)
        ThePlatform().messageBox(this, ImageSaveFailedMessage(Catalog, path, error),
                                 Platform::Buttons::Ok);
}

void frmPCX::mnuCopyImage_Click()
{
    ThePlatform().setClipboardImage(
        IndexedPicture(mdlGlobal::PcxImage, Pallet).convertToFormat(QImage::Format_RGB32));
}

void frmPCX::mnuConvert_Click()
{
    ConvertToPalette(PictureColours(mdlGlobal::PcxImage, Pallet), false);
}
