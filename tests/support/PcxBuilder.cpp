#include "PcxBuilder.h"

QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out += char(v);
    return out;
}

QByteArray MakePcx(int xmax, int ymax, const QByteArray &data, int bytesPerLine)
{
    QByteArray file = QByteArray::fromHex("0a050108").leftJustified(128, '\0');
    file[65] = 1;
    for (auto [at, v] :
         {std::pair{8, xmax}, {10, ymax}, {66, bytesPerLine ? bytesPerLine : xmax + 1}})
        file.replace(at, 2, Bytes({v, v >> 8}));
    file += data;
    for (int k = 0; k < 256; ++k)
        file += Bytes({k, 255 - k, 7 * k});
    return file;
}

PixelBuffer MakePixels(const QByteArray &bytes)
{
    std::unique_ptr<quint8[]> p(new quint8[std::size_t(bytes.size())]);
    std::copy(bytes.begin(), bytes.end(), p.get());
    return PixelBuffer(std::move(p), std::size_t(bytes.size()));
}

PalletArray Ramp()
{
    PalletArray p{};
    for (int i = 0; i < kPalletEntries; ++i)
        p[std::size_t(i)].set(quint8(i), quint8(255 - i), quint8(7 * i));
    return p;
}
