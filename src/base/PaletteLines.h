#pragma once

#include <QByteArray>
#include <QString>
#include <QStringDecoder>

#include <optional>

class QIODevice;

// The lines of a palette text, read a piece at a time so that a file of any
// size costs the same memory. CRLF, LF or CR end a line. A UTF-8 byte order
// mark is dropped; UTF-16 of either order with its mark is read as UTF-8.
class LineReader {
public:
    static constexpr qsizetype kMaxLine = 4096;

    // Reads from the device's current position.
    explicit LineReader(QIODevice &device);

    // The next line without its end; nothing at the end of the text or when a
    // line is too long or a read fails (then problem() says which).
    std::optional<QByteArray> next();

    // The line last returned, or the one that failed, counted from 1.
    int number() const { return line; }
    QString problem() const { return failure; }
    // Whether the problem is a failed read rather than a long line.
    bool readFailed() const { return deviceFailed; }

private:
    bool fill();

    QIODevice &device;
    QByteArray pending;
    qsizetype pos = 0;
    bool atEnd = false;
    bool skipLf = false;
    bool started = false;
    std::optional<QStringDecoder> utf16;
    int line = 0;
    QString failure;
    bool deviceFailed = false;
};
