#pragma once

#include <QVariant>

// Measure, cut and pad texts by bytes of code page 932, the code page the
// program's texts are written for. Values are variants: a text, a number
// (taken as its decimal text) or Null (an invalid QVariant).

// Byte count; 0 for Null.
QVariant AnsiByteLen(const QVariant &value);
// Left-padded with "0" to width bytes; a value already that long comes back
// unchanged in type. Null for Null.
QVariant PadZeros(int width, const QVariant &value);

QByteArray ToAnsiBytes(const QString &text);
QString FromAnsiBytes(const QByteArray &bytes);
