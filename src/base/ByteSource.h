#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class QIODevice;

// A picture's bytes as a reader takes them, front to back: from memory, or
// from an open file a part at a time into a buffer of our own, so that
// memory stays near the pixels and a file cut meanwhile only ends early.
class ByteSource {
public:
    explicit ByteSource(QByteArrayView bytes) : memory_(bytes), size_(bytes.size()) {}
    // From the device's current position, which it moves on past what was
    // taken; size() is what was left then.
    explicit ByteSource(QIODevice &device);
    ByteSource(const ByteSource &) = delete;
    ByteSource &operator=(const ByteSource &) = delete;

    // Up to n bytes copied to out; fewer only at the end or on a read error.
    qint64 read(void *out, qint64 n);
    // The next n bytes, or fewer at the end, valid until the next call.
    QByteArrayView next(qint64 n);
    // The first n bytes of what is left, which stay to be read; valid until
    // the next call.
    QByteArrayView peek(qint64 n);
    qint64 skip(qint64 n);

    qint64 position() const { return at_; }
    // The bytes there were when reading began; a file may end before.
    qint64 size() const { return size_; }
    // Why the system refused a read; empty when none did.
    const QString &error() const { return error_; }

private:
    qint64 fromDevice(char *out, qint64 n);
    // At least n bytes read ahead, unless the device ends first; how many.
    qint64 fill(qint64 n);

    QByteArrayView memory_;
    QIODevice *device_ = nullptr;
    QByteArray ahead_;
    qsizetype aheadAt_ = 0;
    QByteArray part_;
    qint64 at_ = 0;
    qint64 size_ = 0;
    QString error_;
};
