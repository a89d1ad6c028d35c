#include "base/PaletteLines.h"

#include <QIODevice>

namespace {

constexpr qint64 kChunk = 65536;

} // namespace

LineReader::LineReader(QIODevice &device) : device(device) {}

bool LineReader::fill()
{
    pending.remove(0, pos);
    pos = 0;
    char chunk[kChunk];
    const qint64 n = device.read(chunk, kChunk);
    if (n < 0) {
        failure = device.errorString();
        deviceFailed = true;
        return false;
    }
    atEnd = n == 0;
    QByteArrayView bytes(chunk, qsizetype(n));
    if (!started) {
        started = true;
        if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))
            utf16.emplace(bytes[0] == '\xFF' ? QStringConverter::Utf16LE
                                             : QStringConverter::Utf16BE);
        if (utf16)
            bytes = bytes.sliced(2);
        else if (bytes.startsWith("\xEF\xBB\xBF"))
            bytes = bytes.sliced(3);
    }
    if (utf16)
        pending += QString((*utf16)(bytes)).toUtf8();
    else
        pending += bytes;
    return true;
}

std::optional<QByteArray> LineReader::next()
{
    if (!failure.isEmpty())
        return std::nullopt;
    for (;;) {
        if (skipLf && pos < pending.size()) {
            pos += pending[pos] == '\n';
            skipLf = false;
        }
        qsizetype end = pos;
        while (end < pending.size() && pending[end] != '\r' && pending[end] != '\n')
            ++end;
        if (end - pos > kMaxLine) {
            ++line;
            failure = QStringLiteral("longer than %1 bytes").arg(kMaxLine);
            return std::nullopt;
        }
        const bool ended = end < pending.size();
        if (ended || (atEnd && pos < pending.size())) {
            const QByteArray text = pending.sliced(pos, end - pos);
            skipLf = ended && pending[end] == '\r';
            pos = ended ? end + 1 : end;
            ++line;
            return text;
        }
        if (atEnd || !fill())
            return std::nullopt;
    }
}
