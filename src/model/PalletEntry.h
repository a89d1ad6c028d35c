#pragma once

#include <QtGlobal>

#include <array>
#include <optional>

// A colour travels to the windowing layer packed as R + 256·G + 65536·B.
constexpr qint32 PackColor(int r, int g, int b)
{
    return r + 256 * g + 65536 * b;
}

// 0xffRRGGBB, the pixel layout of a 32-bit raster.
constexpr quint32 PackedToRgb32(qint32 packed)
{
    const quint32 p = static_cast<quint32>(packed);
    return 0xff000000u | ((p & 0xffu) << 16) | (p & 0xff00u) | ((p >> 16) & 0xffu);
}

struct PalletEntry {
    quint8 R = 0;
    quint8 G = 0;
    quint8 B = 0;
    // Empty until the entry is first written; empty reads as black.
    std::optional<qint32> Color;

    qint32 color() const { return Color.value_or(0); }
    qint32 complement() const { return PackColor(255 - R, 255 - G, 255 - B); }

    void set(quint8 r, quint8 g, quint8 b)
    {
        R = r;
        G = g;
        B = b;
        Color = PackColor(r, g, b);
    }
    void setChannel(int k, quint8 value)
    {
        set(k == 0 ? value : R, k == 1 ? value : G, k == 2 ? value : B);
    }
    quint8 channel(int k) const { return k == 0 ? R : k == 1 ? G : B; }
};

inline bool operator==(const PalletEntry &a, const PalletEntry &b)
{
    return a.R == b.R && a.G == b.G && a.B == b.B && a.color() == b.color();
}
inline bool operator!=(const PalletEntry &a, const PalletEntry &b)
{
    return !(a == b);
}

constexpr int kPalletEntries = 256;
// Slot 256 exists but is never shown, edited or saved.
using PalletArray = std::array<PalletEntry, kPalletEntries + 1>;
