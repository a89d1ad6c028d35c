#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

class QFile;
class QIODevice;

// Why a file could not be read or written. Only regular files are opened:
// a pipe or a device would block or never end.
enum class FileProblem {
    None,
    Missing,
    Folder,
    Pipe,
    Device,
    Socket,
    Permission,
    ReadError,
    WriteError
};

struct FileError {
    FileProblem problem = FileProblem::None;
    // The system's words for a read or write error ("No space left on device").
    QString reason;

    explicit operator bool() const { return problem != FileProblem::None; }
};

// What is wrong, in English, for the tool: "is a named pipe".
QString FileProblemText(const FileError &error);

// Opens a regular file for reading, without waiting on a pipe or a device.
FileError OpenRegularFile(const QString &path, QFile &file);

// Up to `limit` bytes from the current position; an error when a read fails.
std::optional<QByteArray> ReadAtMost(QIODevice &device, qint64 limit, FileError *error = nullptr);

// Up to n bytes from `offset` of an open file, its position left as it was:
// several threads may read one file at once. Fewer at its end; -1 when the
// system refuses.
qint64 ReadFileAt(QFile &file, qint64 offset, char *out, qint64 n);

// A new empty file; an existing one is left alone.
FileError CreateEmptyFile(const QString &path);

// Whether path may be written: absent, or a regular file.
FileError CheckWriteTarget(const QString &path);

// Writes a file through a temporary and one rename, so a failure leaves what
// was there before and no temporary; only in a folder that cannot take the
// temporary is an existing file rewritten in place. `write` fills the file
// and says whether it could.
FileError SaveFileWith(const QString &path, const std::function<bool(QIODevice &)> &write);
