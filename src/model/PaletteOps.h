#pragma once

#include "model/PalletEntry.h"
#include "model/PcxImage.h"

#include <QList>
#include <QString>
#include <QStringView>

#include <array>
#include <optional>
#include <vector>

// Operations on whole palettes and on the stored values of an image. Entries
// are 0..255; s and t name the two ends of a range in either order.

// The entries strictly between s and t take evenly spaced colours from s's to
// t's, each channel rounded half to even. The ends stay as they are.
PalletArray RampRgb(const PalletArray &pallet, int s, int t);
// The same through hue, saturation and value, the hue going the short way
// round the colour circle.
PalletArray RampHsv(const PalletArray &pallet, int s, int t);

// Where each entry goes: entry e moves to slot map[e].
using EntryMap = std::array<quint8, kPalletEntries>;
EntryMap SwapMap(int s, int t);
EntryMap ReverseMap(int s, int t);
PalletArray MoveEntries(const PalletArray &pallet, const EntryMap &map);

// New stored value for each old one, so that every pixel is drawn through
// the same colour after the entries moved by map (value v shows entry 255 - v).
using ValueMap = std::array<quint8, 256>;
ValueMap StoredValueMap(const EntryMap &map);
// The values renumbered into a new buffer (the old one may still be shown);
// nothing when memory runs out.
std::optional<PixelBuffer> RemapStored(const PixelBuffer &values, const ValueMap &map);

// Pixels drawn through each entry, over the image's view.
using UsageCounts = std::array<qint64, kPalletEntries>;
UsageCounts CountUsage(const PcxImage &image);
