#pragma once

// Levels per channel on the command line: palette's --levels, --as, --from
// and --count, and convert's --levels.
#include "convert/Nearest.h"
#include "formats/PaletteFormats.h"
#include "model/Levels.h"

#include <QString>
#include <QStringList>

#include <optional>

// "R,G,B", each 2..256, or one count for all three.
std::optional<Levels> ParseLevels(const QString &text);

struct PaletteJob {
    QString in, out;
    Levels levels;
    // What OUT is written as: --as, else its extension, else ACT.
    PaletteFormat as = PaletteFormat::Act;
    // A hardware format IN is read as: --from, else its extension.
    std::optional<PaletteFormat> from;
    // --count, else as many as the palette read holds.
    std::optional<int> count;
};

// The palette command's arguments after its name; nothing, with the
// problem said, when they are wrong.
std::optional<PaletteJob> ParsePaletteJob(const QStringList &args, QString &problem);
