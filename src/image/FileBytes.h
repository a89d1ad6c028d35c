#pragma once

#include "shell/FileAccess.h"

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

// As ReadWholeFile.
std::optional<FileBytes> ReadFileBytes(const QString &path, FileError *error = nullptr);
