#pragma once

#include "formats/EngineTableFiles.h"
#include "model/Oklab.h"

#include <array>
#include <bitset>
#include <vector>

// Shade and blend tables made from a palette, for engines that draw through them.

// Entries by number; the same bits as the palette window's entry sets.
using TableEntries = std::bitset<256>;

// Oklab: the colour darkened or mixed as light is, the nearest entry in
// OKLab. Classic: as the engines' own generators, byte for byte, in plain RGB.
enum class TableMatch { Oklab, Classic };

struct ShadeSettings {
    int levels = 32;
    Rgb8 fade{}; // black, or a fog colour
    // Fullbright entries show themselves at every level.
    TableEntries fullbright;
    // Reserved entries are never chosen; fullbright ones neither unless told,
    // so that no dark pixel lights up.
    TableEntries reserved;
    bool fullbrightCandidates = false;
    TableMatch match = TableMatch::Oklab;
};

// `levels` rows from full light (row 0, each entry itself unless a nearer
// one stands in for it) to 1/levels of it, as Doom and Build count them.
TableRows ShadeRows(const EnginePalette &palette, const ShadeSettings &s);
// Doom's COLORMAP: ShadeRows, then the invulnerability row (each entry's
// inverted BT.709 grey) and a row all of the fade colour: levels + 2 rows.
TableRows DoomColormap(const EnginePalette &palette, const ShadeSettings &s);
// Quake's 64 rows: row y at (63 - y) / 32 of full light, so row 31 is full
// light and the rows above it overbright, row 63 black.
TableRows QuakeColormap(const EnginePalette &palette, const ShadeSettings &s);

struct BlendSettings {
    // The foreground's share: Boom's TRANMAP is 66.
    int percent = 66;
    // Additive: the background plus the foreground at `percent`, clipped.
    bool additive = false;
    TableEntries reserved; // never chosen
    TableMatch match = TableMatch::Oklab;
};

// 65,536 bytes, [background * 256 + foreground], as the engines index it.
// Classic translucency is Boom's: 12-bit weights, ties to the highest entry.
TableRows BlendTable(const EnginePalette &palette, const BlendSettings &s);

// Doom's 14 palettes from palette 0: eight pain reds, four pickup flashes,
// the radiation suit. Doom: red at k/9, gold (215,186,69) at k/8, green at
// 1/8. Freedoom: as its 0.12.1 WAD holds them, red at 0.9k/8, grey 128 at
// k/10, green at 1/5.
enum class PlaypalTints { Doom, Freedoom };
std::vector<EnginePalette> Playpal(const EnginePalette &base, PlaypalTints tints);

// How far a shade table's colours are from the colours they stand for
// (OKLab distance x 100), fullbright entries left out.
struct ShadeReport {
    std::vector<float> levelMean, levelWorst;
    std::array<float, 256> entryWorst{}; // over every level
};
// The first s.levels rows of `rows`, each against the ideal of s.match.
ShadeReport ReportShades(const EnginePalette &palette, const TableRows &rows,
                         const ShadeSettings &s);
// Where a colour at `light` (1 = full light) faded toward `fade` belongs in
// OKLab: mixed as light (Oklab) or as classic tables darken.
Vec3 IdealShade(Rgb8 c, Rgb8 fade, double light, TableMatch match);
