#pragma once

// palmiro-tool convert's command line.
#include "Levels.h"
#include "convert/Dither.h"
#include "convert/Histogram.h"
#include "formats/ImageExport.h"
#include "model/EntryList.h"

#include <QString>
#include <QStringList>

#include <optional>

struct ConvertSettings {
    QString paletteFile;
    int colours = 0;
    int first = -1, last = -1; // --range, or none
    RemapOptions remap;
    int jobs = 0;
    std::optional<ExportFormat> format;
    QString out;
    QStringList inputs;
    Levels levels;
    bool keepCycles = false;
    bool quiet = false; // no word of progress
    // One palette for all the pictures, made from their colours weighed so.
    bool shared = false;
    ColourTally::Weighing weighing = ColourTally::Weighing::Pixels;
    // --lock and --reserve, when given.
    std::optional<EntrySet> locked, reserved;
    QString writePalette;
};

// The arguments after the command's name into `s`; a usage problem, or nothing when the command
// line is whole.
std::optional<QString> ParseConvert(const QStringList &args, ConvertSettings &s);
