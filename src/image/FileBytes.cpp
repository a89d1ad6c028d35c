#include "image/FileBytes.h"

#include "image/PcxImage.h"
#include "image/PcxReader.h"

#include <QFile>

#include <cstring>
#include <limits>
#include <utility>

#if defined(__unix__)
#include <sys/mman.h>
#endif

namespace {

// Below this a read costs less than setting up a mapping.
constexpr qsizetype kMapFrom = qsizetype(1) << 20;

} // namespace

FileBytes::FileBytes(FileBytes &&other) noexcept
    : read_(std::move(other.read_)), map_(std::exchange(other.map_, nullptr)),
      size_(std::exchange(other.size_, 0))
{
}

FileBytes &FileBytes::operator=(FileBytes &&other) noexcept
{
    if (this != &other) {
        unmap();
        read_ = std::move(other.read_);
        map_ = std::exchange(other.map_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

FileBytes::~FileBytes()
{
    unmap();
}

void FileBytes::unmap()
{
#if defined(__unix__)
    if (map_)
        munmap(const_cast<char *>(map_), std::size_t(size_));
#endif
    map_ = nullptr;
    size_ = 0;
}

std::optional<QByteArray> FileBytes::take()
{
    if (!map_)
        return std::exchange(read_, QByteArray());
    QByteArray bytes;
    try {
        bytes = QByteArray(size_, Qt::Uninitialized);
    } catch (const std::bad_alloc &) {
        unmap();
        return std::nullopt;
    }
    AdviseHugePages(bytes.data(), std::size_t(size_));
#if defined(__unix__)
    // Each part is let go once copied, so the file is held about once, not twice.
    for (qsizetype at = 0; at < size_; at += kMapFrom) {
        const qsizetype n = qMin(kMapFrom, size_ - at);
        std::memcpy(bytes.data() + at, map_ + at, std::size_t(n));
        munmap(const_cast<char *>(map_ + at), std::size_t(n));
    }
    map_ = nullptr;
    size_ = 0;
#endif
    return bytes;
}

std::optional<FileBytes> ReadFileBytes(const QString &path, FileError *error)
{
    FileError ignored;
    FileError &why = error ? *error : ignored;
    QFile f;
    if ((why = OpenRegularFile(path, f)))
        return std::nullopt;
#if defined(__unix__)
    {
        const qint64 size = f.size();
        if (size >= kMapFrom && size <= std::numeric_limits<qsizetype>::max() / 2) {
            // Every page is read in any case: taking them all at once saves
            // a fault for each.
            void *map = mmap(nullptr, std::size_t(size), PROT_READ, MAP_PRIVATE | MAP_POPULATE,
                             f.handle(), 0);
            if (map != MAP_FAILED) {
                FileBytes bytes;
                bytes.map_ = static_cast<const char *>(map);
                bytes.size_ = qsizetype(size);
                return bytes;
            }
        }
    }
#endif
    std::optional<QByteArray> read = ReadOpenedFile(f, why);
    if (!read)
        return std::nullopt;
    return FileBytes(std::move(*read));
}
