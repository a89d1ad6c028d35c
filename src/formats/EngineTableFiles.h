#pragma once

#include "model/Oklab.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

// The look-up tables 8-bit game engines draw through, as their files hold them.

using EnginePalette = std::array<Rgb8, 256>;
// Rows of 256 entries, row r at r * 256: a shade table's light levels, or a
// blend table's backgrounds (the foreground picks the column).
using TableRows = std::vector<std::uint8_t>;

enum class TableFormat {
    Colormap,      // Doom: 34 rows
    Tranmap,       // Boom: 256 rows
    Playpal,       // Doom: 14 palettes
    QuakeColormap, // 64 rows, then the fullbright count (or not)
    QuakePalette,  // 768 bytes
    BuildPalette,  // 6-bit palette, shade count, shades, blend table
    Raw            // any number of rows
};

struct EngineTables {
    // Playpal: 14; QuakePalette and BuildPalette: 1 (Build's values times 4).
    std::vector<EnginePalette> palettes;
    TableRows shades;
    TableRows blend; // 65,536 or none
    // What a Quake colormap's last byte says; -1 when it has none.
    int quakeBrights = -1;
};

struct EngineTablesRead {
    EngineTables tables;
    // Empty when read; else what is wrong: "a COLORMAP is 8,704 bytes; this file has 8,700".
    QString error;

    bool ok() const { return error.isEmpty(); }
};

EngineTablesRead ReadEngineTables(TableFormat format, QByteArrayView bytes);
// Tables of the wrong shape for the format give an empty array.
QByteArray WriteEngineTables(TableFormat format, const EngineTables &tables);

// The last lump named `name` of a WAD file; none, with `why` said, when the
// file is no WAD, is damaged or has no such lump.
std::optional<QByteArray> WadLump(QByteArrayView wad, const char *name, QString &why);
