#pragma once

#include "convert/EngineTables.h"
#include "model/PalletEntry.h"

#include <QObject>

#include <optional>
#include <utility>
#include <vector>

// The light the picture is seen in: a level of a shade table made from the
// palette (or read from a file), and how far its shades fall from their ideal.
class LightView : public QObject {
    Q_OBJECT
public:
    // A dark shade further than this from its ideal (OKLab x 100) reads as
    // another colour, not a darker one: the tidy dialog's "10".
    static constexpr float kPoorShade = 10.0f;

    // Full light, default settings, no table read.
    void Reset();
    const ShadeSettings &Settings() const { return settings; }
    void SetSettings(const ShadeSettings &s);
    // 0: full light, the palette as it is.
    int Level() const { return level; }
    void SetLevel(int level);
    // Rows of the table in use: the settings' levels, or all a read table has.
    int Levels() const;
    // While the light or the table view is in use, the palette window marks poor entries.
    bool InUse() const { return level > 0 || viewOpen; }
    void SetViewOpen(bool open);

    // A table file's rows, shown instead of the computed ones until forgotten.
    void ShowRead(TableRows rows);
    void ForgetRead();
    bool HasRead() const { return read.has_value(); }

    // The table in use; a computed one follows the palette, remade when it changed.
    const TableRows &Table(const PalletArray &pallet);
    // `shown` as the level shows it: entry e takes the colour of entry table[level][e].
    PalletArray Shaded(const PalletArray &shown, const PalletArray &pallet);
    // Each entry's worst shade, over the table's light levels.
    const ShadeReport &Report(const PalletArray &pallet);
    // The entries above kPoorShade, worst first, with their error.
    std::vector<std::pair<int, float>> PoorEntries(const PalletArray &pallet);

signals:
    void changed();

private:
    ShadeSettings settings;
    int level = 0;
    bool viewOpen = false;
    std::optional<TableRows> read;
    // The palette the computed table and the report were made from.
    std::optional<EnginePalette> madeFrom;
    TableRows computed;
    std::optional<EnginePalette> reportedFrom;
    ShadeReport report;
};

EnginePalette EnginePaletteOf(const PalletArray &pallet);
