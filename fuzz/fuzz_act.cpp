// Arbitrary bytes and lengths through the ACT data step, and a palette's save back through it.

#include "Require.h"
#include "formats/ActFile.h"
#include "model/ActApply.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // 0xA5 and eight bytes of length: negative, huge and beyond-the-data lengths.
    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    qint64 len = qint64(size);
    if (size >= 9 && data[0] == 0xA5) {
        std::memcpy(&len, data + 1, sizeof len);
        bytes = bytes.mid(9);
    }
    PalletArray pallet;
    for (int i = 0; i <= kPalletEntries; ++i)
        pallet[i].set(quint8(i), quint8(255 - i), quint8(i ^ 0x5A));
    const PalletArray before = pallet;
    const int n = ApplyActBytes(pallet, bytes, len);
    Require(n == (len < 0 ? 0 : len >= 3 * kPalletEntries ? kPalletEntries : (len + 1) / 3));
    auto at = [&](qint64 i) { return i < qMin<qint64>(len, bytes.size()) ? quint8(bytes[i]) : 0; };
    for (int i = 0; i <= kPalletEntries; ++i) {
        const PalletEntry &e = pallet[i];
        Require(i < n ? e.R == at(3 * i) && e.G == at(3 * i + 1) && e.B == at(3 * i + 2) &&
                            *e.Color == PackColor(e.R, e.G, e.B)
                      : e == before[i]);
    }
    const QByteArray saved = BuildActBytes(pallet);
    PalletArray reread{};
    Require(ApplyActBytes(reread, saved, saved.size()) == kPalletEntries);
    for (int i = 0; i < kPalletEntries; ++i)
        Require(reread[i] == pallet[i]);
    Require(saved.size() == kActFileBytes && !reread[kPalletEntries].Color);
    return 0;
}
