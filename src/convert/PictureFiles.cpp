#include "convert/PictureFiles.h"

#include "base/FileAccess.h"
#include "base/FileBytes.h"
#include "formats/ImageFormats.h"
#include "model/ActApply.h"

std::optional<PictureFile> OpenPicture(const QString &path, QString &why)
{
    FileError error;
    std::optional<QByteArray> file = ReadWholeFile(path, &error);
    if (!file) {
        why = FileProblemText(error);
        return std::nullopt;
    }
    PictureFile p{std::move(*file), {}, {}};
    const QByteArrayView bytes(p.file);
    const ImageFormat format = DetectImageFormat(bytes);
    const bool indexedFirst = format == ImageFormat::Bmp || format == ImageFormat::Pcx;
    AnyImage any;
    if (indexedFirst)
        any = ReadAnyImage(bytes);
    if (!indexedFirst || (format == ImageFormat::Bmp && any.refusal == ImageRefusal::NotIndexed)) {
        p.rows = std::make_unique<TrueColourRows>(bytes, path);
        const ImageRefusal refusal = p.rows->refusal();
        if (refusal == ImageRefusal::None)
            return p;
        if (indexedFirst || (refusal != ImageRefusal::Unsupported && format != ImageFormat::Gif)) {
            why = p.rows->detail();
            return std::nullopt;
        }
        p.rows.reset();
        any = ReadAnyImage(bytes);
    }
    if (any.refusal != ImageRefusal::None) {
        why = any.detail.isEmpty() ? QStringLiteral("not a picture") : any.detail;
        return std::nullopt;
    }
    PalletArray pallet{};
    ApplyActBytes(pallet, any.pcx.palette, any.pcx.palette.size());
    p.whole = PictureColours(any.pcx.image, pallet);
    if (p.whole.isNull()) {
        why = QStringLiteral("not enough memory");
        return std::nullopt;
    }
    return p;
}
