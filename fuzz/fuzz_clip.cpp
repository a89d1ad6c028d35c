// Arbitrary bytes as clipboard text, read as Latin-1 and as UTF-8; and
// every text the copy writes must read back as the entries it was made of.

#include "palette_window/ClipText.h"
#include "shell/TextHelpers.h"

#include <QString>

#include <cstddef>
#include <cstdint>

namespace {

void Require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

void CheckParse(const QString &text)
{
    const auto entries = ParseClipText(text);
    if (!entries)
        return;
    // Each entry needs at least the start of its blue field, so a text can
    // never name more entries than its bytes can hold.
    const qsizetype bytes = ToAnsiBytes(text).size();
    Require(!entries->empty());
    Require(qsizetype(entries->size()) <= (bytes - kClipHeaderBytes - 6 - 1) / kClipEntryBytes + 1);
    Require(entries->size() <= 1000);
    for (const PalletEntry &e : *entries)
        Require(e.Color && *e.Color == PackColor(e.R, e.G, e.B));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto *chars = reinterpret_cast<const char *>(data);
    CheckParse(QString::fromLatin1(chars, qsizetype(size)));
    CheckParse(QString::fromUtf8(chars, qsizetype(size)));

    if (size < 2)
        return 0;
    PalletArray pallet{};
    for (int i = 0; i < kPalletEntries; ++i) {
        const std::size_t at = 3 * std::size_t(i);
        pallet[std::size_t(i)].set(data[at % size], data[(at + 1) % size], data[(at + 2) % size]);
    }
    // Short runs keep the round trip fast; every start and the full-length
    // texts still come up.
    const int first = data[0];
    const int last = data[1] == 0xFF ? 255 : qMin(255, first + data[1] % 32);
    // Whatever follows the entries is ignored, even text that is no ASCII.
    const QString tail = QString::fromLatin1(chars + 2, qsizetype(qMin<std::size_t>(size - 2, 64)));
    for (const QString &text : {BuildClipText(pallet, first, last),
                                BuildClipText(pallet, first, last) + tail}) {
        const auto back = ParseClipText(text);
        Require(back && int(back->size()) == last - first + 1);
        for (int j = 0; j <= last - first; ++j)
            Require((*back)[std::size_t(j)] == pallet[std::size_t(first + j)]);
    }
    Require(BuildClipText(pallet, first, last).size() == 19 + 9 * (last - first));
    return 0;
}
