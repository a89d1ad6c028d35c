// Clipboard text as Latin-1 and UTF-8; every text the copy writes reads back as its entries.

#include "Require.h"
#include "base/TextHelpers.h"
#include "formats/ClipText.h"

static void CheckParse(const QString &text)
{
    // Each entry needs at least the start of its blue field.
    if (const auto entries = ParseClipText(text)) {
        const qsizetype bytes = ToAnsiBytes(text).size();
        Require(!entries->empty() && entries->size() <= 1000);
        Require(qsizetype(entries->size()) <= (bytes - kClipHeaderBytes - 7) / kClipEntryBytes + 1);
        for (const PalletEntry &e : *entries)
            Require(e.Color && *e.Color == PackColor(e.R, e.G, e.B));
    }
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto *chars = reinterpret_cast<const char *>(data);
    CheckParse(QString::fromLatin1(chars, qsizetype(size)));
    CheckParse(QString::fromUtf8(chars, qsizetype(size)));
    if (size < 2)
        return 0;
    PalletArray pallet{};
    for (std::size_t i = 0; i < kPalletEntries; ++i)
        pallet[i].set(data[3 * i % size], data[(3 * i + 1) % size], data[(3 * i + 2) % size]);
    // Short runs, every start and the full text; what follows the entries is ignored.
    const int first = data[0], last = data[1] == 0xFF ? 255 : qMin(255, first + data[1] % 32);
    const QString text = BuildClipText(pallet, first, last);
    Require(text.size() == 19 + 9 * (last - first));
    for (const QString &t :
         {text, text + QString::fromLatin1(chars + 2, qMin<qsizetype>(size - 2, 64))}) {
        const auto back = ParseClipText(t);
        Require(back && int(back->size()) == last - first + 1);
        for (int j = 0; j <= last - first; ++j)
            Require((*back)[j] == pallet[first + j]);
    }
    return 0;
}
