#pragma once

#include "model/PalletEntry.h"

#include <QByteArray>

// Applies raw ACT bytes of length len to the palette: N = min(256,
// floor((len + 1) / 3)) entries from the start, a trailing pair making one
// more entry with blue 0; bytes past the end of `bytes` read as 0 and entries
// N..255 keep their values. Returns N.
int ApplyActBytes(PalletArray &pallet, const QByteArray &bytes, qint64 len);
