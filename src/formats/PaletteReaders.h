#pragma once

// The readers of the text palettes, behind ReadPalette.
#include "base/PaletteLines.h"
#include "formats/PaletteFormats.h"

constexpr int kMaxColours = 256;

// Appends while fewer than 256 colours are held.
void AppendRgb(QByteArray &rgb, int r, int g, int b);

PaletteRead ReadGpl(LineReader &lines);
PaletteRead ReadJasc(LineReader &lines);
// Paint.NET's AARRGGBB or a list of RRGGBB.
PaletteRead ReadHexLines(LineReader &lines, PaletteFormat format);

// What the lines hold: a GIMP or JASC header, a list of hex colours, or
// nothing known (Act); and whether they are text throughout.
struct TextSniff {
    PaletteFormat format = PaletteFormat::Act;
    bool text = true;
};
TextSniff SniffText(LineReader &lines);
