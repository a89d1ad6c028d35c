#pragma once

#include "palette/PalletEntry.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

// Palette files of other programs, told apart by their content. Anything not
// recognised is an ACT file and keeps the ACT rules.
enum class PaletteFormat { Act, Gpl, Jasc, Riff, PaintNet, Hex };

PaletteFormat DetectPaletteFormat(QByteArrayView file);

struct PaletteRead {
    PaletteFormat format = PaletteFormat::Act;
    // R, G, B per colour in file order, at most 256 colours.
    QByteArray rgb;
    // Empty when the file was read; else what is wrong and where.
    QString error;

    bool ok() const { return error.isEmpty(); }
};

// Reads a file of a recognised format (not ACT: its bytes are applied as
// they are). Colours past the 256th are dropped.
PaletteRead ReadPaletteFile(QByteArrayView file);

// The 256 entries in the given format; ACT is the 768 plain bytes.
QByteArray WritePaletteFile(PaletteFormat format, const PalletArray &pallet);

// The format a file name's extension names: act, gpl, pal (JASC-PAL), hex,
// txt (Paint.NET); RIFF PAL is only reachable through the save dialog's filter.
std::optional<PaletteFormat> PaletteFormatForName(const QString &name);

QString PaletteFormatName(PaletteFormat format);
