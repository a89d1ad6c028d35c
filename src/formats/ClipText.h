#pragma once

#include "model/PalletEntry.h"

#include <QString>

#include <optional>
#include <vector>

// "Palmiro", the number of entries minus one in three digits, then three
// digits each for R, G and B of every entry: 19 + 9·n bytes.
QString BuildClipText(const PalletArray &pallet, int first, int last);

// The entries of a clipboard palette text, or nothing when the text is not
// one. Bytes after the last entry the count names are ignored.
std::optional<std::vector<PalletEntry>> ParseClipText(const QString &text);

constexpr int kClipHeaderBytes = 10;
constexpr int kClipEntryBytes = 9;

// Entries first..last as "#RRGGBB" lines.
QString BuildHexText(const PalletArray &pallet, int first, int last);
// The colours of a hex palette text: "#RRGGBB" or "RRGGBB" lines (two more
// digits of alpha allowed), blanks around them and empty lines ignored, at
// most 256. Nothing when any other line is present or there is no colour.
std::optional<std::vector<PalletEntry>> ParseHexText(const QString &text);
