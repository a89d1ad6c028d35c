#include "image/FileBytes.h"

#include "image/PcxReader.h"

#include <QFile>

#include <limits>
#include <utility>

#if defined(__unix__)
#include <sys/mman.h>
#endif

namespace {

// Below this a read costs less than setting up a mapping.
constexpr qint64 kMapFrom = qint64(1) << 20;

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

QByteArray FileBytes::take()
{
    QByteArray bytes = map_ ? QByteArray(map_, size_) : std::move(read_);
    unmap();
    read_ = QByteArray();
    return bytes;
}

std::optional<FileBytes> ReadFileBytes(const QString &path, FileError *error)
{
#if defined(__unix__)
    {
        FileError ignored;
        FileError &why = error ? *error : ignored;
        QFile f;
        if ((why = OpenRegularFile(path, f)))
            return std::nullopt;
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
    std::optional<QByteArray> read = ReadWholeFile(path, error);
    if (!read)
        return std::nullopt;
    return FileBytes(std::move(*read));
}
