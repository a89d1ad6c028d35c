#pragma once

#include <QByteArrayView>
#include <QtGlobal>

#include <array>

constexpr qsizetype kHeaderSize = 128;
constexpr qsizetype kPaletteSize = 768;

// The 128-byte PCX header kept as the bytes of the file; two-byte fields are
// combined (low byte first) only when read.
struct PcxHeader {
    std::array<quint8, kHeaderSize> bytes{};

    quint8 Manufacturer() const { return bytes[0]; }
    quint8 Version() const { return bytes[1]; }
    quint8 Encoding() const { return bytes[2]; }
    quint8 BitsPerPixel() const { return bytes[3]; }
    quint16 Xmin() const { return word(4); }
    quint16 Ymin() const { return word(6); }
    quint16 Xmax() const { return word(8); }
    quint16 Ymax() const { return word(10); }
    quint8 NPlanes() const { return bytes[65]; }
    quint16 BytesPerLine() const { return word(66); }

    // Xmin and Ymin play no part in the size.
    qint64 pixelCount() const { return (qint64(Xmax()) + 1) * (qint64(Ymax()) + 1); }

private:
    quint16 word(int offset) const
    {
        return quint16(bytes[std::size_t(offset)] | (bytes[std::size_t(offset) + 1] << 8));
    }
};

// The first 128 bytes of file; missing bytes read as 0.
inline PcxHeader ReadPcxHeader(QByteArrayView file)
{
    PcxHeader h;
    const qsizetype n = qMin(file.size(), kHeaderSize);
    for (qsizetype i = 0; i < n; ++i)
        h.bytes[std::size_t(i)] = quint8(file[i]);
    return h;
}
