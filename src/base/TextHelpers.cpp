#include "base/TextHelpers.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {

QString asText(const QVariant &value)
{
    return value.toString();
}

} // namespace

QByteArray ToAnsiBytes(const QString &text)
{
    QStringEncoder encoder("cp932");
    return encoder.encode(text);
}

QString FromAnsiBytes(const QByteArray &bytes)
{
    QStringDecoder decoder("cp932");
    return decoder.decode(bytes);
}

QVariant AnsiByteLen(const QVariant &value)
{
    if (value.isNull())
        return QVariant(0);
    return QVariant(static_cast<int>(ToAnsiBytes(asText(value)).size()));
}

QVariant PadZeros(int width, const QVariant &value)
{
    if (value.isNull())
        return QVariant();
    const int n = AnsiByteLen(value).toInt();
    if (n >= width)
        return value;
    return QVariant(QString(width - n, QLatin1Char('0')) + asText(value));
}
