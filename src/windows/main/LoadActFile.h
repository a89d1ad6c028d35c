#pragma once

#include "formats/PaletteFormats.h"

#include <QString>

// Reads an ACT file into ActFileBytes and ActFileLen, applies it to the
// palette and redraws the image. A file that cannot be read is reported and
// changes nothing; returns whether it was applied. A raw hardware format
// given is read as that.
bool LoadActFile(const QString &name, std::optional<PaletteFormat> raw = std::nullopt);
