#include "formats/ClipText.h"

#include "formats/PaletteFormats.h"

#include "base/Numbers.h"
#include "base/TextHelpers.h"

namespace {

const QString kMagic = QStringLiteral("Palmiro");

QString threeDigits(int value)
{
    return PadZeros(3, QVariant(value)).toString();
}

// A field of up to three bytes read as a whole number within 0..max.
std::optional<int> field(const QByteArray &bytes, qsizetype start, int max)
{
    if (start >= bytes.size())
        return std::nullopt;
    const QString text = FromAnsiBytes(bytes.mid(start, 3));
    return ReadWholeInRange(text, 0, max);
}

} // namespace

QString BuildClipText(const PalletArray &pallet, int first, int last)
{
    QString s = kMagic + threeDigits(last - first);
    for (int i = first; i <= last; ++i) {
        const PalletEntry &e = pallet[i];
        s += threeDigits(e.R) + threeDigits(e.G) + threeDigits(e.B);
    }
    return s;
}

std::optional<std::vector<PalletEntry>> ParseClipText(const QString &text)
{
    if (text.isEmpty())
        return std::nullopt;
    const QByteArray bytes = ToAnsiBytes(text);
    if (bytes.size() < kClipHeaderBytes + kClipEntryBytes)
        return std::nullopt;
    if (FromAnsiBytes(bytes.left(kMagic.size())) != kMagic)
        return std::nullopt;
    const auto count = ReadNumericText(FromAnsiBytes(bytes.mid(7, 3)));
    if (!count)
        return std::nullopt;
    const double n = RoundHalfEven(*count);
    // Three bytes can say "9e9": a count the text has no room for is refused
    // before anything is allocated. Each entry needs its blue field begun.
    const qsizetype room = (bytes.size() - kClipHeaderBytes - 7) / kClipEntryBytes;
    if (n < 0 || n > double(room))
        return std::nullopt;
    const auto last = static_cast<qsizetype>(n);
    std::vector<PalletEntry> entries(static_cast<std::size_t>(last) + 1);
    for (qsizetype j = 0; j <= last; ++j) {
        const qsizetype at = kClipHeaderBytes + kClipEntryBytes * j;
        const auto r = field(bytes, at, 255);
        const auto g = field(bytes, at + 3, 255);
        const auto b = field(bytes, at + 6, 255);
        if (!r || !g || !b)
            return std::nullopt;
        entries[static_cast<std::size_t>(j)].set(quint8(*r), quint8(*g), quint8(*b));
    }
    return entries;
}

QString BuildHexText(const PalletArray &pallet, int first, int last)
{
    QString text;
    for (int i = std::max(first, 0); i <= std::min(last, kPalletEntries - 1); ++i)
        text += QStringLiteral("#%1\n").arg(PackColor(pallet[i].B, pallet[i].G, pallet[i].R), 6, 16,
                                            QLatin1Char('0'));
    return text.toUpper();
}

std::optional<std::vector<PalletEntry>> ParseHexText(const QString &text)
{
    // The reader of hex palette files; a text it takes for another format is
    // no hex list here.
    const PaletteRead read = ReadPaletteFile(text.toUtf8());
    if (read.format != PaletteFormat::Hex || !read.ok() || read.rgb.isEmpty())
        return std::nullopt;
    std::vector<PalletEntry> entries(std::size_t(read.rgb.size() / 3));
    for (std::size_t i = 0; i < entries.size(); ++i)
        entries[i].set(quint8(read.rgb[3 * i]), quint8(read.rgb[3 * i + 1]),
                       quint8(read.rgb[3 * i + 2]));
    return entries;
}
