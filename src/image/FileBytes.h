#pragma once

#include "shell/FileAccess.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

// A regular file's bytes for one reading. A large file is mapped: its pages
// come straight from the system's cache, with no fresh memory to clear and
// no copy. A file cut shorter while it is mapped ends the process.
class FileBytes {
public:
    FileBytes() = default;
    explicit FileBytes(QByteArray bytes) : read_(std::move(bytes)) {}
    FileBytes(FileBytes &&other) noexcept;
    FileBytes &operator=(FileBytes &&other) noexcept;
    FileBytes(const FileBytes &) = delete;
    FileBytes &operator=(const FileBytes &) = delete;
    ~FileBytes();

    QByteArrayView view() const
    {
        return map_ ? QByteArrayView(map_, size_) : QByteArrayView(read_);
    }
    // The bytes in a buffer of their own, leaving this empty: a copy only
    // when they are mapped; none when memory runs out.
    std::optional<QByteArray> take();

private:
    void unmap();

    QByteArray read_;
    const char *map_ = nullptr;
    qsizetype size_ = 0;

    friend std::optional<FileBytes> ReadFileBytes(const QString &path, FileError *error);
};

// As ReadWholeFile, mapped when large.
std::optional<FileBytes> ReadFileBytes(const QString &path, FileError *error = nullptr);
