#pragma once

#include "base/FileAccess.h"
#include "formats/PaletteFormats.h"
#include "model/PalletEntry.h"

#include <QByteArray>
#include <QString>

constexpr int kActFileBytes = 768;

// The palette a file gives when opened as one (ACT, another program's
// palette or a picture's), or why it gives none. A name that does not exist
// is created empty when `createMissing` is set, as the Open command has
// always done. A raw format given is read as that, whatever the content.
PaletteRead ReadPaletteAt(const QString &path, bool createMissing = false,
                          std::optional<PaletteFormat> raw = std::nullopt);

// The 256 entries as R, G, B bytes, entry 0 first.
QByteArray BuildActBytes(const PalletArray &pallet);

// Writes the palette over the first 768 bytes and keeps whatever an existing
// file holds after them (a colour count, a transparent index). The new file
// replaces the old in one rename, so a failure leaves the old bytes intact;
// only in a folder that cannot take the new file is the old one rewritten in
// place.
FileError SaveActFile(const QString &path, const PalletArray &pallet);
