#include "image/ByteSource.h"

#include <QIODevice>

#include <algorithm>
#include <cstring>

ByteSource::ByteSource(QIODevice &device)
    : device_(&device), size_(std::max<qint64>(device.size() - device.pos(), 0))
{
}

qint64 ByteSource::read(void *out, qint64 n)
{
    n = std::max<qint64>(n, 0);
    if (!device_) {
        n = std::min(n, memory_.size() - at_);
        std::memcpy(out, memory_.data() + at_, std::size_t(n));
        at_ += n;
        return n;
    }
    qint64 got = 0;
    while (got < n) {
        const qint64 k = device_->read(static_cast<char *>(out) + got, n - got);
        if (k <= 0) {
            if (k < 0)
                error_ = device_->errorString();
            break;
        }
        got += k;
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
    if (buffer_.size() < n)
        buffer_.resize(n);
    return QByteArrayView(buffer_.data(), read(buffer_.data(), n));
}

QByteArrayView ByteSource::peek(qint64 n)
{
    n = std::max<qint64>(n, 0);
    if (!device_)
        return memory_.sliced(at_, std::min(n, memory_.size() - at_));
    buffer_ = device_->peek(n);
    return buffer_;
}

qint64 ByteSource::skip(qint64 n)
{
    if (!device_) {
        n = std::clamp<qint64>(n, 0, memory_.size() - at_);
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
