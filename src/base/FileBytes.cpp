#include "base/FileBytes.h"

#include "base/PixelBuffer.h"

#include <QFile>

#include <limits>
#include <new>

std::optional<QByteArray> ReadWholeFile(const QString &path, FileError *error)
{
    FileError ignored;
    FileError &why = error ? *error : ignored;
    QFile f;
    if ((why = OpenRegularFile(path, f)))
        return std::nullopt;
    return ReadOpenedFile(f, why);
}

std::optional<QByteArray> ReadOpenedFile(QFile &f, FileError &why)
{
    // Sized up front: the bytes go from the system straight into their one
    // buffer, with no growing and no zero fill.
    const qint64 size = f.size();
    QByteArray bytes;
    try {
        if (size < 0 || size > std::numeric_limits<qsizetype>::max() / 2)
            throw std::bad_alloc();
        bytes = QByteArray(qsizetype(size), Qt::Uninitialized);
    } catch (const std::bad_alloc &) {
        why = {FileProblem::ReadError, QStringLiteral("the file is too large")};
        return std::nullopt;
    }
    AdviseHugePages(bytes.data(), std::size_t(size));
    qint64 got = 0;
    while (got < size) {
        const qint64 n = f.read(bytes.data() + got, size - got);
        if (n < 0) {
            why = {FileProblem::ReadError, f.errorString()};
            return std::nullopt;
        }
        if (n == 0)
            break;
        got += n;
    }
    // A file that shrank since its size was taken is what could be read; one
    // that grew is read on to its end.
    bytes.truncate(qsizetype(got));
    std::optional<QByteArray> more = ReadAtMost(f, std::numeric_limits<qsizetype>::max() / 2, &why);
    if (!more)
        return std::nullopt;
    bytes += *more;
    return bytes;
}
