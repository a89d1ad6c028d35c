// Arbitrary bytes as a settings file, asked for the 17 catalogue values.

#include "Require.h"
#include "app/IniReader.h"
#include "app/MessageCatalog.h"

#include <QStringDecoder>
#include <QStringEncoder>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray file(reinterpret_cast<const char *>(data), qsizetype(size));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8.decode(file);
    const bool isUtf8 = file.startsWith("\xEF\xBB\xBF") || !utf8.hasError();
    const ProfileFile profile(file);
    for (const CatalogEntry &e : CatalogEntries()) {
        const QString section = QString::fromLatin1(e.section), key = QString::fromLatin1(e.key);
        const QString value = profile.value(section, key, e.defaultText);
        const bool found = value != e.defaultText;
        // Within the reader's buffer in the file's own encoding (bad bytes: one unit each).
        QStringEncoder encoder =
            isUtf8 ? QStringEncoder(QStringEncoder::Utf8) : QStringEncoder("cp932");
        const QByteArray encoded = encoder.encode(value);
        Require(!found || value.size() <= kProfileValueMaxBytes);
        Require(!found || value.contains(QChar::ReplacementCharacter) || encoder.hasError() ||
                encoded.size() <= kProfileValueMaxBytes);
        // For one entry per input: names without regard to case; the first key wins.
        if (&e - CatalogEntries().data() != std::ptrdiff_t(size % kCatalogEntries))
            continue;
        Require(profile.value(section.toLower(), key.toLower(), e.defaultText) == value);
        const QByteArray later = file + "\n[" + e.section + "]\n" + e.key + "=later\n";
        Require(!found || ProfileFile(later).value(section, key, e.defaultText) == value);
    }
    return 0;
}
