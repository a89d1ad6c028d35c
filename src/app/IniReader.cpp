#include "app/IniReader.h"

#include <QList>
#include <QStringDecoder>
#include <QStringEncoder>

#include <optional>

namespace {

using Encoding = ProfileFile::Encoding;

const QByteArray kUtf8Bom("\xEF\xBB\xBF");

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

QByteArray trimmed(QByteArray bytes)
{
    qsizetype begin = 0;
    qsizetype end = bytes.size();
    while (begin < end && isBlank(bytes[begin]))
        ++begin;
    while (end > begin && isBlank(bytes[end - 1]))
        --end;
    return bytes.mid(begin, end - begin);
}

Encoding detect(const QByteArray &bytes)
{
    if (bytes.startsWith(kUtf8Bom))
        return Encoding::Utf8;
    // Stateless, so a sequence cut off at the end of the file is an error
    // rather than state kept for more input that never comes.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString ignored = utf8.decode(bytes);
    return utf8.hasError() ? Encoding::ShiftJis : Encoding::Utf8;
}

QString decode(const QByteArray &bytes, Encoding encoding)
{
    if (encoding != Encoding::ShiftJis) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        return utf8.decode(bytes);
    }
    QStringDecoder sjis("cp932");
    return sjis.decode(bytes);
}

// A UTF-16 value is cut where the same text saved in code page 932 would be:
// each character costs its bytes there; one the code page cannot hold costs
// a '?' for each of its UTF-16 units, as it would be saved.
QByteArray cutAsAnsi(const QByteArray &utf8, qsizetype max)
{
    const QString text = QString::fromUtf8(utf8);
    // A character counts as held when it comes back unchanged (the encoder's
    // error flag outlives resetState()).
    QStringEncoder ansi("cp932", QStringEncoder::Flag::Stateless);
    QStringDecoder back("cp932", QStringDecoder::Flag::Stateless);
    qsizetype bytes = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype len =
            text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2
                                                                                             : 1;
        const QStringView character = QStringView(text).mid(i, len);
        const QByteArray encoded = ansi.encode(character);
        const qsizetype cost = QString(back.decode(encoded)) == character ? encoded.size() : len;
        if (bytes + cost > max)
            break;
        bytes += cost;
        i += len;
    }
    return text.left(i).toUtf8();
}

// Cuts to at most max bytes without leaving half a character behind.
QByteArray cutBytes(const QByteArray &value, qsizetype max, Encoding encoding)
{
    // No character takes more bytes in Shift-JIS than in UTF-8.
    if (value.size() <= max)
        return value;
    if (encoding == Encoding::Utf16)
        return cutAsAnsi(value, max);
    qsizetype end = 0;
    qsizetype i = 0;
    while (i < max) {
        const auto c = static_cast<unsigned char>(value[i]);
        qsizetype len = 1;
        if (encoding == Encoding::Utf8) {
            len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        } else if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) {
            len = 2;
        }
        if (i + len > max)
            break;
        i += len;
        end = i;
    }
    return value.left(end);
}

QByteArray unquoted(const QByteArray &value)
{
    if (value.size() >= 2) {
        const char first = value.front();
        if ((first == '"' || first == '\'') && value.back() == first)
            return value.mid(1, value.size() - 2);
    }
    return value;
}

} // namespace

ProfileFile::ProfileFile(const QByteArray &fileBytes)
{
    const bool littleEndian = fileBytes.startsWith("\xFF\xFE");
    const bool utf16 = littleEndian || fileBytes.startsWith("\xFE\xFF");
    encoding = utf16 ? Encoding::Utf16 : detect(fileBytes);
    // UTF-16 is read as UTF-8; the decoder drops the byte order mark.
    QStringDecoder fromUtf16(littleEndian ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
                             QStringDecoder::Flag::Stateless);
    const QByteArray text = utf16 ? QString(fromUtf16.decode(fileBytes)).toUtf8()
                            : fileBytes.startsWith(kUtf8Bom) ? fileBytes.mid(3)
                                                             : fileBytes;
    // One decoder for every name: a new one for each line costs more than
    // the line (code page 932 goes through ICU).
    QStringDecoder names =
        encoding == Encoding::ShiftJis
            ? QStringDecoder("cp932")
            : QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const auto folded = [&](const QByteArray &raw) {
        names.resetState();
        return QString(names.decode(raw)).toCaseFolded();
    };

    std::optional<QString> section;
    for (const QByteArray &rawLine : text.split('\n')) {
        QByteArray line = rawLine;
        if (line.endsWith('\r'))
            line.chop(1);
        line = trimmed(line);
        if (line.isEmpty() || line.startsWith(';'))
            continue;
        if (line.startsWith('[')) {
            const qsizetype close = line.lastIndexOf(']');
            section = folded(trimmed(line.mid(1, close > 0 ? close - 1 : -1)));
            continue;
        }
        const qsizetype eq = line.indexOf('=');
        if (!section || eq < 0)
            continue;
        const QString name = *section + QChar(0) + folded(trimmed(line.left(eq)));
        if (values.contains(name))
            continue;
        QByteArray value = unquoted(trimmed(line.mid(eq + 1)));
        // The reader hands back a NUL-terminated buffer.
        const qsizetype nul = value.indexOf('\0');
        if (nul >= 0)
            value.truncate(nul);
        values.insert(name, value);
    }
}

QString ProfileFile::value(QStringView section, QStringView key, const QString &defaultValue) const
{
    const auto found = values.constFind(section.toString().toCaseFolded() + QChar(0) +
                                        key.toString().toCaseFolded());
    if (found == values.cend())
        return defaultValue;
    return decode(cutBytes(*found, kProfileValueMaxBytes, encoding), encoding);
}
