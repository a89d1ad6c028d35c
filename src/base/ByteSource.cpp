#include "base/ByteSource.h"

#include <QIODevice>

#include <algorithm>
#include <cstring>

namespace {

// Small reads (a chunk's header, a CRC) come from one read of this many.
constexpr qint64 kAhead = 64 * 1024;

} // namespace

ByteSource::ByteSource(QIODevice &device)
    : device_(&device), size_(std::max<qint64>(device.size() - device.pos(), 0))
{
}

qint64 ByteSource::fromDevice(char *out, qint64 n)
{
    qint64 got = 0;
    while (got < n) {
        const qint64 k = device_->read(out + got, n - got);
        if (k <= 0) {
            if (k < 0)
                error_ = device_->errorString();
            break;
        }
        got += k;
    }
    return got;
}

qint64 ByteSource::fill(qint64 n)
{
    const qint64 held = ahead_.size() - aheadAt_;
    if (held < n) {
        ahead_.remove(0, aheadAt_);
        aheadAt_ = 0;
        ahead_.resize(std::max(n, kAhead));
        const qint64 got = fromDevice(ahead_.data() + held, ahead_.size() - held);
        ahead_.resize(held + got);
    }
    return std::min<qint64>(n, ahead_.size() - aheadAt_);
}

qint64 ByteSource::read(void *out, qint64 n)
{
    n = std::max<qint64>(n, 0);
    auto *to = static_cast<char *>(out);
    if (!device_) {
        n = std::min(n, memory_.size() - at_);
        std::memcpy(to, memory_.data() + at_, std::size_t(n));
        at_ += n;
        return n;
    }
    qint64 got = std::min<qint64>(n, ahead_.size() - aheadAt_);
    std::memcpy(to, ahead_.data() + aheadAt_, std::size_t(got));
    aheadAt_ += got;
    if (got < n && n - got >= kAhead) {
        got += fromDevice(to + got, n - got);
    } else if (got < n) {
        const qint64 more = fill(n - got);
        std::memcpy(to + got, ahead_.data() + aheadAt_, std::size_t(more));
        aheadAt_ += more;
        got += more;
    }
    at_ += got;
    return got;
}

QByteArrayView ByteSource::next(qint64 n)
{
    n = std::max<qint64>(n, 0);
    if (!device_) {
        const QByteArrayView part = memory_.sliced(at_, std::min(n, memory_.size() - at_));
        at_ += part.size();
        return part;
    }
    if (part_.size() < n)
        part_.resize(n);
    const qint64 got = read(part_.data(), n);
    return QByteArrayView(part_.constData(), got);
}

QByteArrayView ByteSource::peek(qint64 n)
{
    n = std::max<qint64>(n, 0);
    if (!device_)
        return memory_.sliced(at_, std::min(n, memory_.size() - at_));
    const qint64 held = fill(n);
    return QByteArrayView(ahead_.constData() + aheadAt_, held);
}

qint64 ByteSource::skip(qint64 n)
{
    n = std::max<qint64>(n, 0);
    if (!device_) {
        n = std::min(n, memory_.size() - at_);
        at_ += n;
        return n;
    }
    qint64 done = 0;
    for (char scrap[16384]; done < n;) {
        const qint64 k = read(scrap, std::min<qint64>(n - done, sizeof scrap));
        if (k <= 0)
            break;
        done += k;
    }
    return done;
}
