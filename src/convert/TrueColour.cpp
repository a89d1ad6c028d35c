#include "convert/TrueColour.h"

#include "formats/ImageExport.h"
#include "formats/ImageFormats.h"
#include "formats/RowDecoder.h"

#include "base/FileAccess.h"
#include "base/PixelKernels.h"
#include "base/Progress.h"
#include "base/RunTogether.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include <algorithm>
#include <cstring>
#include <functional>
#include <mutex>
#include <utility>

namespace {

// Qt's messages on one thread, kept while a HeardMessages lives there.
thread_local QString *heard = nullptr;
QtMessageHandler passOn = nullptr;

void Hear(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (!heard)
        passOn(type, context, text);
    else if (heard->isEmpty())
        *heard = text;
}

// Qt's image plug-ins say what went wrong on stderr; here the first line is
// kept instead, for the refusal.
class HeardMessages {
public:
    explicit HeardMessages(QString &into)
    {
        static std::once_flag once;
        std::call_once(once, [] {
            passOn = qInstallMessageHandler(Hear);
            // CheckImageSize is the limit, past Qt's own 128 MiB: 2^28
            // pixels of 8 bytes, the most a plug-in decodes one into.
            QImageReader::setAllocationLimit(int((kMaxImagePixels * 8) >> 20));
        });
        heard = &into;
    }
    ~HeardMessages() { heard = nullptr; }
    HeardMessages(const HeardMessages &) = delete;
    HeardMessages &operator=(const HeardMessages &) = delete;
};

class Refused : public RowDecoder {
public:
    Refused(ImageRefusal why, const QString &text) { refuse(why, text); }
    bool read(std::uint8_t *, int) override { return false; }
};

// Whole, through Qt: its rows handed out from the decoded picture.
class QtRows : public RowDecoder {
public:
    explicit QtRows(QByteArrayView file)
    {
        QString message;
        const HeardMessages hearing(message);
        QByteArray bytes = QByteArray::fromRawData(file.data(), file.size());
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        if (!reader.canRead()) {
            refuse(ImageRefusal::Unsupported, QStringLiteral("not a picture read here"));
            return;
        }
        const QSize size = reader.size();
        if (size.isValid() && !sizeHolds(size.width(), size.height()))
            return;
        image = reader.read();
        if (image.isNull()) {
            refuse(reader.error() == QImageReader::UnsupportedFormatError
                       ? ImageRefusal::Unsupported
                       : ImageRefusal::Unreadable,
                   message.isEmpty() ? reader.errorString() : message);
            return;
        }
        if (!sizeHolds(image.width(), image.height())) {
            image = QImage();
            return;
        }
        // In place when the depth stays: no second copy of a large picture.
        image.convertTo(QImage::Format_RGBA8888);
        if (image.isNull())
            refuse(ImageRefusal::TooLarge, QStringLiteral("out of memory"));
        width = image.width();
        height = image.height();
    }

    bool read(std::uint8_t *out, int rows) override
    {
        if (image.isNull() || next + rows > height)
            return false;
        for (int k = 0; k < rows; ++k, ++next)
            std::memcpy(out + std::size_t(k) * std::size_t(width) * 4, image.constScanLine(next),
                        std::size_t(width) * 4);
        return true;
    }
    QImage take() override { return next == 0 ? std::exchange(image, QImage()) : QImage(); }

private:
    QImage image;
    int next = 0;
};

quint32 Le(QByteArrayView b, qsizetype at, int n)
{
    quint32 v = 0;
    for (int k = n - 1; k >= 0; --k)
        v = v << 8 | quint8(b[at + k]);
    return v;
}

// Where an uncompressed 24- or 32-bit BMP keeps its pixels.
struct BmpLayout {
    qint64 offset = 0, stride = 0;
    int bytes = 3; // a pixel's, the fourth unused
    bool bottomUp = true;
};

// An uncompressed 24- or 32-bit BMP, the common large input: its rows are
// turned as they are asked for, from the file's bytes in memory or read
// from the open file a block at a time, never held whole.
class BmpRows : public RowDecoder {
public:
    BmpRows(const char *file, const BmpLayout &layout) : file(file), layout(layout) {}
    BmpRows(std::unique_ptr<QFile> opened, const BmpLayout &layout)
        : opened(std::move(opened)), layout(layout)
    {
    }
    // Rows stand apart in the file: many are turned on every core, which
    // also shares out the first touch of their fresh pages.
    bool read(std::uint8_t *out, int rows) override
    {
        if (next + rows > height)
            return false;
        const int bands = BandsFor(std::size_t(width) * std::size_t(rows));
        std::vector<char> ok(std::size_t(bands), 0);
        RunTogether(bands, [&](int b) {
            const int from = int(BandStart(std::size_t(rows), bands, b)),
                      to = int(BandStart(std::size_t(rows), bands, b + 1));
            ok[std::size_t(b)] =
                turn(next + from, to - from, out + std::size_t(from) * std::size_t(width) * 4);
        });
        next += rows;
        return std::find(ok.begin(), ok.end(), 0) == ok.end() || cut();
    }

private:
    // Rows from..from + rows - 1 at out; false when the file ended before them.
    bool turn(int from, int rows, std::uint8_t *out) const
    {
        const qint64 used = qint64(width) * layout.bytes;
        // Blocks of rows that lie together in the file, small enough to stay
        // in a core's cache between the read and the turn.
        const int perBlock =
            opened ? int(std::max<qint64>(1, (qint64(256) << 10) / layout.stride)) : rows;
        std::vector<char> block;
        for (int k = 0; k < rows; k += perBlock) {
            const int n = std::min(perBlock, rows - k);
            const int first = layout.bottomUp ? height - (from + k + n) : from + k;
            const char *at = file + layout.offset + layout.stride * first;
            if (opened) {
                const qint64 want = layout.stride * (n - 1) + used;
                block.resize(std::size_t(want));
                if (ReadFileAt(*opened, layout.offset + layout.stride * first, block.data(),
                               want) != want)
                    return false;
                at = block.data();
            }
            for (int j = 0; j < n; ++j) {
                const int y = from + k + j;
                const char *in =
                    at + layout.stride * ((layout.bottomUp ? height - 1 - y : y) - first);
                std::uint8_t *o = out + std::size_t(k + j) * std::size_t(width) * 4;
                for (int x = 0; x < width; ++x, in += layout.bytes, o += 4) {
                    o[0] = std::uint8_t(in[2]);
                    o[1] = std::uint8_t(in[1]);
                    o[2] = std::uint8_t(in[0]);
                    o[3] = 255;
                }
            }
        }
        return true;
    }
    bool cut()
    {
        // Cut since it was opened.
        refuse(ImageRefusal::Truncated,
               QStringLiteral("the file ends before the picture is complete"));
        return false;
    }

    const char *file = nullptr;
    std::unique_ptr<QFile> opened;
    BmpLayout layout;
    int next = 0;
};

// The most a BMP's headers and colour table take: all that is read of it
// before its pixels.
constexpr qint64 kBmpHead = 14 + 124 + 256 * 4;

// head: the file's first kBmpHead bytes, or all of a shorter one; size: the
// file's. Null for a BMP of any other kind than a plain one.
std::unique_ptr<RowDecoder>
OpenPlainBmp(QByteArrayView head, qint64 size,
             const std::function<std::unique_ptr<RowDecoder>(const BmpLayout &)> &make)
{
    if (head.size() < 54 || Le(head, 14, 4) < 40 || Le(head, 30, 4) != 0 ||
        (Le(head, 28, 2) != 24 && Le(head, 28, 2) != 32))
        return nullptr;
    // The indexed reader's checks of the headers and the size, which stop at
    // a truecolour bit count before anything is allocated.
    const ImageRead checked = ReadBmp(head);
    if (checked.refusal != ImageRefusal::NotIndexed)
        return std::make_unique<Refused>(checked.refusal, checked.detail);
    const qint64 width = qint32(Le(head, 18, 4)), height = qint32(Le(head, 22, 4));
    const qint64 rows = std::abs(height);
    BmpLayout layout;
    layout.bytes = int(Le(head, 28, 2) / 8);
    layout.stride = (width * layout.bytes + 3) / 4 * 4;
    layout.offset = Le(head, 10, 4);
    layout.bottomUp = height > 0;
    const qint64 needed = layout.stride * (rows - 1) + width * layout.bytes;
    if (layout.offset < 14 + qint64(Le(head, 14, 4)))
        return std::make_unique<Refused>(
            ImageRefusal::Unreadable,
            QStringLiteral("the pixel data would start inside the headers"));
    if (size - layout.offset < needed)
        return std::make_unique<Refused>(
            ImageRefusal::Truncated,
            QStringLiteral("%1 bytes of pixel data for %2 rows that need %3")
                .arg(std::max<qint64>(0, size - layout.offset))
                .arg(rows)
                .arg(needed));
    std::unique_ptr<RowDecoder> d = make(layout);
    d->width = int(width);
    d->height = int(rows);
    return d;
}

// The signature, or a file cut inside it.
bool Begins(QByteArrayView file, QByteArrayView signature)
{
    return file.startsWith(signature) || (!file.isEmpty() && signature.startsWith(file));
}

} // namespace

TrueColourRows::TrueColourRows(QByteArrayView file, const QString &name)
{
    const QString kind = PictureKindOfName(name);
    if (Begins(file, "\x89PNG\r\n\x1a\n"))
        d_ = OpenPngRows(file);
    else if (Begins(file, "\xFF\xD8\xFF"))
        d_ = OpenJpegRows(file);
    else if (file.startsWith("BM"))
        d_ = OpenPlainBmp(file.first(std::min(file.size(), kBmpHead)), file.size(),
                          [&file](const BmpLayout &layout) {
                              return std::make_unique<BmpRows>(file.data(), layout);
                          });
    if (d_)
        return;
    if (file.isEmpty()) {
        d_ = std::make_unique<Refused>(kind.isEmpty() ? ImageRefusal::Unsupported
                                                      : ImageRefusal::Truncated,
                                       QStringLiteral("the file is empty"));
        return;
    }
    d_ = std::make_unique<QtRows>(file);
    if (d_->refusal == ImageRefusal::Unsupported && !kind.isEmpty())
        d_->refuse(ImageRefusal::Unreadable, QStringLiteral("not a %1 file").arg(kind));
}

TrueColourRows::TrueColourRows(std::unique_ptr<RowDecoder> d) : d_(std::move(d)) {}

std::unique_ptr<TrueColourRows> TrueColourRows::FromBmpFile(std::unique_ptr<QFile> &file)
{
    const QByteArray head = file->read(kBmpHead);
    if (!head.startsWith("BM"))
        return nullptr;
    std::unique_ptr<RowDecoder> d =
        OpenPlainBmp(head, file->size(), [&file](const BmpLayout &layout) {
            return std::make_unique<BmpRows>(std::move(file), layout);
        });
    return d ? std::unique_ptr<TrueColourRows>(new TrueColourRows(std::move(d))) : nullptr;
}

TrueColourRows::~TrueColourRows() = default;

ImageRefusal TrueColourRows::refusal() const
{
    return d_->refusal;
}
const QString &TrueColourRows::detail() const
{
    return d_->detail;
}
int TrueColourRows::width() const
{
    return d_->width;
}
int TrueColourRows::height() const
{
    return d_->height;
}
bool TrueColourRows::inOrder() const
{
    return d_->inOrder;
}

bool TrueColourRows::read(std::uint8_t *out, int rows)
{
    return d_->refusal == ImageRefusal::None && d_->read(out, rows);
}

QImage TrueColourRows::readAll(Progress *progress)
{
    if (d_->refusal != ImageRefusal::None)
        return {};
    if (QImage whole = d_->take(); !whole.isNull())
        return whole;
    const qsizetype stride = qsizetype(d_->width) * 4;
    PixelBytes bytes = AllocatePixels(std::size_t(stride) * std::size_t(d_->height));
    if (!bytes) {
        d_->refuse(ImageRefusal::TooLarge, QStringLiteral("out of memory"));
        return {};
    }
    if (!progress || !d_->inOrder) {
        if (!d_->readAll(bytes.get()))
            return {};
    } else {
        // In steps of a few MiB, so that a stop is heard soon.
        const int step = int(std::max<qsizetype>(1, (qsizetype(4) << 20) / stride));
        for (int y = 0; y < d_->height; y += step) {
            const int rows = std::min(step, d_->height - y);
            if (progress->Stopped() || !d_->read(bytes.get() + y * stride, rows))
                return {};
            progress->Add(std::int64_t(rows) * d_->width);
        }
    }
    // The image owns the buffer it was decoded into.
    auto *held = new PixelBytes(std::move(bytes));
    QImage image(
        held->get(), d_->width, d_->height, stride, QImage::Format_RGBA8888,
        [](void *p) { delete static_cast<PixelBytes *>(p); }, held);
    if (image.isNull())
        delete held;
    return image;
}

QImage PictureColours(const PcxImage &image, const PalletArray &pallet)
{
    return ::IndexedPicture(image, pallet).convertToFormat(QImage::Format_RGBA8888);
}

std::array<Rgb8, 256> PaletteColours(const PalletArray &pallet)
{
    std::array<Rgb8, 256> colours;
    for (int i = 0; i < kPalletEntries; ++i)
        colours[std::size_t(i)] = {pallet[std::size_t(i)].R, pallet[std::size_t(i)].G,
                                   pallet[std::size_t(i)].B};
    return colours;
}

PalletArray WithColours(PalletArray pallet, const std::array<Rgb8, 256> &colours)
{
    const std::array<Rgb8, 256> now = PaletteColours(pallet);
    for (std::size_t i = 0; i < colours.size(); ++i)
        if (!(now[i] == colours[i]))
            pallet[i].set(colours[i].r, colours[i].g, colours[i].b);
    return pallet;
}

DecodedPicture ConvertedPcx(const ConvertedPicture &converted, int width, int height)
{
    const std::size_t n = converted.entries.size();
    PixelBytes bytes = n ? AllocatePixels(n) : PixelBytes();
    if (!bytes)
        return DecodedPicture{PictureRefusal::OutOfMemory, {}, {}, {}, {}, {}};
    for (std::size_t i = 0; i < n; ++i)
        bytes[i] = quint8(255 - converted.entries[i]);
    ImageRead read;
    read.width = width;
    read.height = height;
    read.pixels = PixelBuffer(std::move(bytes), n);
    return ToDecodedPicture(std::move(read));
}
