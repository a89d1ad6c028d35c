#include "shell/IniReader.h"

#include <QList>
#include <QStringDecoder>

namespace {

enum class Encoding { Utf8, ShiftJis };

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
    if (encoding == Encoding::Utf8) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        return utf8.decode(bytes);
    }
    QStringDecoder sjis("cp932");
    return sjis.decode(bytes);
}

// Cuts to at most max bytes without leaving half a character behind.
QByteArray cutBytes(const QByteArray &value, qsizetype max, Encoding encoding)
{
    if (value.size() <= max)
        return value;
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

bool sameName(const QByteArray &raw, QStringView wanted, Encoding encoding)
{
    return decode(raw, encoding).compare(wanted, Qt::CaseInsensitive) == 0;
}

} // namespace

QString ReadProfileString(const QByteArray &fileBytes, QStringView section, QStringView key,
                          const QString &defaultValue)
{
    const Encoding encoding = detect(fileBytes);
    const QByteArray text = fileBytes.startsWith(kUtf8Bom) ? fileBytes.mid(3) : fileBytes;

    bool inSection = false;
    for (const QByteArray &rawLine : text.split('\n')) {
        QByteArray line = rawLine;
        if (line.endsWith('\r'))
            line.chop(1);
        line = trimmed(line);
        if (line.isEmpty() || line.startsWith(';'))
            continue;
        if (line.startsWith('[')) {
            const qsizetype close = line.lastIndexOf(']');
            const QByteArray name = trimmed(line.mid(1, close > 0 ? close - 1 : -1));
            inSection = sameName(name, section, encoding);
            continue;
        }
        if (!inSection)
            continue;
        const qsizetype eq = line.indexOf('=');
        if (eq < 0 || !sameName(trimmed(line.left(eq)), key, encoding))
            continue;
        QByteArray value = unquoted(trimmed(line.mid(eq + 1)));
        // The reader hands back a NUL-terminated buffer.
        const qsizetype nul = value.indexOf('\0');
        if (nul >= 0)
            value.truncate(nul);
        return decode(cutBytes(value, kProfileValueMaxBytes, encoding), encoding);
    }
    return defaultValue;
}
