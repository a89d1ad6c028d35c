// Arbitrary bytes and lengths through the ACT data step, and the 768 bytes a
// palette saves as back through it. File access stays out: it is slow and
// the unit tests cover it.

#include "palette/ActApply.h"
#include "palette/ActFile.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

void Require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

// Inputs starting with this byte carry their own length in the next eight
// bytes, so negative, huge and beyond-the-data lengths are tried too.
constexpr std::uint8_t kLengthTag = 0xA5;

PalletEntry Marker(int i)
{
    PalletEntry e;
    e.set(quint8(i), quint8(255 - i), quint8(i ^ 0x5A));
    return e;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    qint64 len = qint64(size);
    if (size >= 9 && data[0] == kLengthTag) {
        std::memcpy(&len, data + 1, sizeof len);
        bytes = bytes.mid(9);
    }

    PalletArray pallet;
    for (int i = 0; i <= kPalletEntries; ++i)
        pallet[std::size_t(i)] = Marker(i);
    const int n = ApplyActBytes(pallet, bytes, len);

    const qint64 expected = len < 0 ? 0 : len >= 3 * kPalletEntries ? kPalletEntries : (len + 1) / 3;
    Require(n == expected);
    const qint64 present = qMin<qint64>(len, bytes.size());
    auto byteAt = [&](qint64 i) { return i < present ? quint8(bytes[qsizetype(i)]) : quint8(0); };
    for (int i = 0; i <= kPalletEntries; ++i) {
        const PalletEntry &e = pallet[std::size_t(i)];
        if (i < n) {
            Require(e.R == byteAt(3 * i) && e.G == byteAt(3 * i + 1) && e.B == byteAt(3 * i + 2));
            Require(e.Color && *e.Color == PackColor(e.R, e.G, e.B));
        } else {
            Require(e == Marker(i));
        }
    }

    const QByteArray saved = BuildActBytes(pallet);
    Require(saved.size() == kActFileBytes);
    PalletArray reread{};
    Require(ApplyActBytes(reread, saved, saved.size()) == kPalletEntries);
    for (int i = 0; i < kPalletEntries; ++i)
        Require(reread[std::size_t(i)] == pallet[std::size_t(i)]);
    Require(!reread[kPalletEntries].Color);
    return 0;
}
