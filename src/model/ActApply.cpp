#include "model/ActApply.h"

int ApplyActBytes(PalletArray &pallet, const QByteArray &bytes, qint64 len)
{
    if (len < 0)
        return 0;
    // Capped before the + 1, which would overflow for the largest lengths.
    const int n = len >= 3 * kPalletEntries ? kPalletEntries : int((len + 1) / 3);
    auto at = [&](qint64 i) -> quint8 {
        return i < len && i < bytes.size() ? quint8(bytes[qsizetype(i)]) : 0;
    };
    for (int i = 0; i < n; ++i)
        pallet[std::size_t(i)].set(at(3 * i), at(3 * i + 1), at(3 * i + 2));
    return n;
}
