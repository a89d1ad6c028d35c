#pragma once

#include "base/FileAccess.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>
#include <utility>

// A regular file's bytes for one reading, copied into a buffer of our own:
// another program may cut or rewrite the file meanwhile, and a mapping of
// it would then end the process on the next read of a vanished page. A file
// that shrinks while it is read yields what was there, a cut file to its
// reader.
class FileBytes {
public:
    FileBytes() = default;
    explicit FileBytes(QByteArray bytes) : read_(std::move(bytes)) {}

    QByteArrayView view() const { return QByteArrayView(read_); }
    // The bytes, leaving this empty.
    std::optional<QByteArray> take() { return std::exchange(read_, QByteArray()); }

private:
    QByteArray read_;
};

// The whole regular file at path, read at once into a buffer of its size, or
// empty (the reason in `error`) when it cannot be read.
class QFile;
std::optional<QByteArray> ReadWholeFile(const QString &path, FileError *error = nullptr);
// The same for a file already opened.
std::optional<QByteArray> ReadOpenedFile(QFile &file, FileError &why);

// As ReadWholeFile.
std::optional<FileBytes> ReadFileBytes(const QString &path, FileError *error = nullptr);
