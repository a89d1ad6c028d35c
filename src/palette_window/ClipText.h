#pragma once

#include "palette/PalletEntry.h"
#include "shell/MessageCatalog.h"

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

// The question before entries first..last are overwritten: "5 ～ 10 のパレット
// を書き換えます。", a carriage return, "よろしいですか？".
QString PastePrompt(const MessageCatalog &catalog, int first, int last);
