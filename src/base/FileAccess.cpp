#include "base/FileAccess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

FileProblem KindProblem(mode_t mode)
{
    if (S_ISREG(mode))
        return FileProblem::None;
    if (S_ISDIR(mode))
        return FileProblem::Folder;
    if (S_ISFIFO(mode))
        return FileProblem::Pipe;
    if (S_ISSOCK(mode))
        return FileProblem::Socket;
    return FileProblem::Device;
}

FileError FromErrno(int error, FileProblem otherwise)
{
    if (error == ENOENT || error == ENOTDIR)
        return {FileProblem::Missing, {}};
    if (error == EACCES || error == EPERM)
        return {FileProblem::Permission, {}};
    return {otherwise, QString::fromLocal8Bit(std::strerror(error))};
}

// The kind of what is at path, without opening it: opening a device may
// already act on it.
FileError StatProblem(const QByteArray &native, FileProblem otherwise)
{
    struct stat st {};
    if (::stat(native.constData(), &st) != 0)
        return FromErrno(errno, otherwise);
    return {KindProblem(st.st_mode), {}};
}

} // namespace

QString FileProblemText(const FileError &error)
{
    switch (error.problem) {
    case FileProblem::None:
        break;
    case FileProblem::Missing:
        return QStringLiteral("no such file");
    case FileProblem::Folder:
        return QStringLiteral("is a folder, not a file");
    case FileProblem::Pipe:
        return QStringLiteral("is a named pipe, not a file");
    case FileProblem::Device:
        return QStringLiteral("is a device, not a file");
    case FileProblem::Socket:
        return QStringLiteral("is a socket, not a file");
    case FileProblem::Permission:
        return QStringLiteral("permission denied");
    case FileProblem::ReadError:
        return QStringLiteral("cannot be read: ") + error.reason;
    case FileProblem::WriteError:
        return QStringLiteral("cannot be written: ") + error.reason;
    }
    return {};
}

FileError OpenRegularFile(const QString &path, QFile &file)
{
    const QByteArray native = QFile::encodeName(path);
    if (FileError kind = StatProblem(native, FileProblem::ReadError))
        return kind;
    // Not blocking, should a pipe have taken the file's place since.
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return FromErrno(errno, FileProblem::ReadError);
    struct stat st {};
    const FileError kind = ::fstat(fd, &st) != 0 ? FromErrno(errno, FileProblem::ReadError)
                                                 : FileError{KindProblem(st.st_mode), {}};
    if (kind ||
        !file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return kind ? kind : FileError{FileProblem::ReadError, file.errorString()};
    }
    return {};
}

std::optional<QByteArray> ReadAtMost(QIODevice &device, qint64 limit, FileError *error)
{
    QByteArray bytes;
    for (char chunk[65536]; bytes.size() < limit;) {
        const qint64 n = device.read(chunk, qMin<qint64>(sizeof chunk, limit - bytes.size()));
        if (n < 0) {
            if (error)
                *error = {FileProblem::ReadError, device.errorString()};
            return std::nullopt;
        }
        if (n == 0)
            break;
        bytes.append(chunk, qsizetype(n));
    }
    return bytes;
}

qint64 ReadFileAt(QFile &file, qint64 offset, char *out, qint64 n)
{
    const int fd = file.handle();
    qint64 got = 0;
    while (got < n) {
        const ssize_t k = ::pread(fd, out + got, std::size_t(n - got), off_t(offset + got));
        if (k < 0 && errno == EINTR)
            continue;
        if (k < 0)
            return -1;
        if (k == 0)
            break;
        got += k;
    }
    return got;
}

FileError CreateEmptyFile(const QString &path)
{
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return FromErrno(errno, FileProblem::WriteError);
    ::close(fd);
    return {};
}

FileError CheckWriteTarget(const QString &path)
{
    const FileError kind = StatProblem(QFile::encodeName(path), FileProblem::WriteError);
    return kind.problem == FileProblem::Missing ? FileError{} : kind;
}

FileError SaveFileWith(const QString &path, const std::function<bool(QIODevice &)> &write)
{
    if (FileError kind = CheckWriteTarget(path))
        return kind;
    QSaveFile file(path);
    // A writable file in a folder that cannot take the temporary is written in place.
    file.setDirectWriteFallback(true);
    // Unbuffered, so a short write (disk full, a file size limit) shows in the
    // count; a buffered flush can lose it and commit a cut file.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        const QFileInfo info(path);
        const QFileInfo folder(info.absolutePath());
        if (!folder.isDir())
            return {FileProblem::Missing, {}};
        if (!folder.isWritable() && !(info.exists() && info.isWritable()))
            return {FileProblem::Permission, {}};
        return {FileProblem::WriteError, file.errorString()};
    }
    errno = 0;
    const bool written = write(file);
    // A write cut short (a disk that fills, a file size limit) leaves Qt no
    // error of its own; the system's reason is in errno.
    const int writeErrno = errno;
    if (!written || !file.commit()) {
        const FileError error{FileProblem::WriteError,
                              file.error() == QFileDevice::NoError && writeErrno != 0
                                  ? QString::fromLocal8Bit(std::strerror(writeErrno))
                                  : file.errorString()};
        file.cancelWriting();
        return error;
    }
    return {};
}
