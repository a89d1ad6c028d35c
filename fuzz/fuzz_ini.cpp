// Arbitrary bytes as a settings file, asked for the 17 catalogue values.

#include "shell/IniReader.h"
#include "shell/MessageCatalog.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <cstddef>
#include <cstdint>

namespace {

void Require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

bool ReadsAsUtf8(const QByteArray &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return true;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString ignored = utf8.decode(bytes);
    return !utf8.hasError();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray file(reinterpret_cast<const char *>(data), qsizetype(size));
    const bool utf8 = ReadsAsUtf8(file);

    for (const CatalogEntry &e : CatalogEntries()) {
        const QString section = QString::fromLatin1(e.section);
        const QString key = QString::fromLatin1(e.key);
        const QString value = ReadProfileString(file, section, key, e.defaultText);

        // The value in the file's own encoding stays within the reader's
        // buffer; characters the file spells wrongly decode to one unit each.
        Require(value.size() <= kProfileValueMaxBytes || value == e.defaultText);
        if (value != e.defaultText && !value.contains(QChar::ReplacementCharacter)) {
            QStringEncoder encoder = utf8 ? QStringEncoder(QStringEncoder::Utf8)
                                          : QStringEncoder("cp932");
            const QByteArray encoded = encoder.encode(value);
            Require(encoder.hasError() || encoded.size() <= kProfileValueMaxBytes);
        }

        // Two more reads per input, for one of the entries, keep the runs fast.
        if (&e - CatalogEntries().data() != std::ptrdiff_t(size % kCatalogEntries))
            continue;

        // Names are compared without regard to case.
        Require(ReadProfileString(file, section.toLower(), key.toLower(), e.defaultText) == value);

        // The first key wins: a later duplicate changes nothing.
        if (value != e.defaultText) {
            const QByteArray later = file + "\n[" + e.section + "]\n" + e.key + "=later\n";
            Require(ReadProfileString(later, section, key, e.defaultText) == value);
        }
    }
    return 0;
}
