#include "windows/main/LoadPcxFile.h"

#include "app/Document.h"
#include "app/mdlGlobal.h"
#include "base/ByteSource.h"
#include "base/FileBytes.h"
#include "base/Progress.h"
#include "convert/TrueColour.h"
#include "formats/ImageFormats.h"
#include "formats/PcxReader.h"
#include "platform/Platform.h"
#include "windows/kit/BackgroundWork.h"
#include "windows/main/MainForms.h"
#include "windows/main/frmMain.h"
#include "windows/palette/frmPallet.h"
#include "windows/screen/frmConvert.h"

#include <QFile>

#include <algorithm>
#include <optional>
#include <utility>

using namespace mdlGlobal;

namespace {

// The accepted file is decoded while it is checked (a stream that runs out
// refuses the file); the result waits here for DecodePcxImage.
std::optional<DecodedPicture> accepted;

// A picture without a palette of its own is converted onto one; the dialog
// shows it and keeps it, so the caller has nothing left to open. Why not when
// it cannot be read: Unsupported when it is no picture at all.
AnyImage ConvertedInstead(QByteArrayView bytes, const QString &path)
{
    TrueColourRows rows(bytes, path);
    AnyImage why;
    // The result is held as a PCX's pixels are.
    if (rows.refusal() == ImageRefusal::None &&
        (rows.width() > kMaxOpenedSide || rows.height() > kMaxOpenedSide)) {
        why.refusal = ImageRefusal::TooLarge;
        why.detail = QStringLiteral("a PCX holds at most 65536 x 65536 pixels");
        return why;
    }
    QImage picture;
    const bool read = RunWithProgress(Catalog.ProgressReading, [&](Progress &progress) {
        progress.Expect(std::int64_t(rows.width()) * rows.height());
        picture = rows.readAll(&progress);
    });
    why.refusal = rows.refusal();
    why.detail = rows.detail();
    // Cancelled, it is as if it was never opened.
    if (read && why.refusal == ImageRefusal::None) {
        // The shown picture's ranges hold back no entry of the new one.
        CycleRanges shown = std::exchange(Cycles, {});
        TheDocument().CyclesWritten();
        if (!ConvertToPalette(picture, true, path, shown))
            TheDocument().TakeCycles(std::move(shown));
    }
    return why;
}

// PNG, BMP and GIF: read into what a PCX yields, then the PCX rules apply.
// Nothing reads their file's bytes once they are decoded, so none are kept.
bool TakeOtherImage(const QString &path, AnyImage read)
{
    if (read.refusal != ImageRefusal::None) {
        ThePlatform().messageBox(&FrmMain(), ImageRefusalMessage(read, path),
                                 Platform::Buttons::Ok);
        return false;
    }
    mdlGlobal::PcxHeader = read.pcx.header;
    // Ranges belong to a picture: a new one brings its own, or none.
    TheDocument().TakeCycles(std::move(read.pcx.cycles));
    // The picture's palette comes with its own marks, or none.
    TheDocument().TakeMarks(read.pcx.marks);
    PcxFileLen = 0;
    accepted = std::move(read.pcx);
    LoadPcxPallet();
    return true;
}

bool LoadOtherImage(const QString &path, QByteArrayView bytes)
{
    AnyImage read = ReadAnyImage(bytes);
    if (read.refusal == ImageRefusal::NotIndexed) {
        read = ConvertedInstead(bytes, path);
        if (read.refusal == ImageRefusal::None)
            return false;
    }
    return TakeOtherImage(path, std::move(read));
}

} // namespace

QString ImageRefusalMessage(const AnyImage &read, const QString &path)
{
    const QString *text = &Catalog.MsgImageUnreadable;
    switch (read.refusal) {
    case ImageRefusal::NotIndexed:
        return Catalog.MsgImageNotIndexed + QLatin1Char('\n') + path;
    case ImageRefusal::Truncated:
        text = &Catalog.MsgImageTruncated;
        break;
    case ImageRefusal::TooLarge:
        text = &Catalog.MsgImageTooLarge;
        break;
    case ImageRefusal::Empty:
        text = &Catalog.MsgImageEmpty;
        break;
    case ImageRefusal::Unsupported:
        text = &Catalog.MsgImageUnsupported;
        break;
    case ImageRefusal::None:
    case ImageRefusal::Unreadable:
        break;
    }
    return *text + QLatin1Char('\n') + path + QLatin1Char('\n') +
           CatalogReason(Catalog, read.detail);
}

bool LoadPcxFile(const QString &path)
{
    // The last file's bytes go before the next is read; its image stays
    // until the new one is accepted.
    PcxFileBytes = QByteArray();
    accepted.reset();
    QFile file;
    FileError error = OpenRegularFile(path, file);
    std::optional<QByteArray> bytes;
    if (!error) {
        // A PNG or BMP with a palette is read a part at a time, so memory
        // stays near its pixels; any other file, and a truecolour one to
        // convert, whole.
        ByteSource source(file);
        const ImageFormat format = DetectImageFormat(source.peek(8));
        if (format == ImageFormat::Png || format == ImageFormat::Bmp) {
            AnyImage read = ReadStreamedImage(source);
            if (!source.error().isEmpty())
                error = {FileProblem::ReadError, source.error()};
            else if (read.refusal != ImageRefusal::NotIndexed)
                return TakeOtherImage(path, std::move(read));
        }
        if (!error && !file.seek(0))
            error = {FileProblem::ReadError, file.errorString()};
        if (!error)
            bytes = ReadOpenedFile(file, error);
    }
    if (error) {
        ThePlatform().messageBox(&FrmMain(), FileMessage(Catalog, path, error),
                                 Platform::Buttons::Ok);
        return false;
    }
    if (bytes) {
        const ImageFormat format = DetectImageFormat(*bytes);
        if (format == ImageFormat::Png || format == ImageFormat::Bmp || format == ImageFormat::Gif)
            return LoadOtherImage(path, *bytes);
        if (format == ImageFormat::Unknown) {
            const AnyImage read = ConvertedInstead(*bytes, path);
            if (read.refusal == ImageRefusal::None)
                return false;
            if (read.refusal != ImageRefusal::Unsupported) {
                ThePlatform().messageBox(&FrmMain(), ImageRefusalMessage(read, path),
                                         Platform::Buttons::Ok);
                return false;
            }
        }
    }
    // A PCX's bytes stay as the program's own.
    DecodedPicture pcx =
        bytes ? ReadPcx(*bytes) : DecodedPicture{PictureRefusal::Unreadable, {}, {}, {}, {}, {}};
    mdlGlobal::PcxHeader = pcx.header;
    if (!pcx.accepted()) {
        ThePlatform().messageBox(&FrmMain(), Catalog.MsgPcxUnsupported, Platform::Buttons::Ok);
        return false;
    }
    PcxFileBytes = std::move(*bytes);
    PcxFileLen = PcxFileBytes.size();
    TheDocument().TakeCycles({}); // a PCX holds none
    TheDocument().TakeMarks({});
    accepted = std::move(pcx);
    LoadPcxPallet();
    return true;
}

void LoadPcxPallet()
{
    ActFileBytes = accepted ? accepted->palette : PcxPaletteBytes(PcxFileBytes);
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
        PcxImagesDecoded = NewPictureNumber();
    }
    accepted.reset();
}
