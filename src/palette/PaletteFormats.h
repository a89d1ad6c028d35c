#pragma once

#include "palette/PalletEntry.h"
#include "shell/FileAccess.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

class QIODevice;

// Palette files of other programs, told apart by their content; a picture
// gives its own palette. Anything not recognised is an ACT file and keeps the
// ACT rules, unless its name says it is a text palette.
enum class PaletteFormat { Act, Gpl, Jasc, Riff, PaintNet, Hex, Image };

struct PaletteRead {
    PaletteFormat format = PaletteFormat::Act;
    // ACT: the file's first 768 bytes at most, for the ACT rules. A picture:
    // its 256 entries as PCX Open takes them. Else R, G, B per colour in file
    // order, at most 256 colours.
    QByteArray rgb;
    // Empty when the file was read; else what is wrong and where.
    QString error;
    // Set when the file could not be read to its end.
    FileError file;

    bool ok() const { return error.isEmpty() && !file; }
};

// The kind, from the content and, for a text palette that fails its own
// reader, the name. The device is read from its start and left there.
PaletteFormat DetectPaletteFormat(QIODevice &file, const QString &name = {});
PaletteFormat DetectPaletteFormat(QByteArrayView file, const QString &name = {});

// Reads as little as the kind needs: an ACT file's first 768 bytes, a text
// palette a line at a time; only a picture is read whole.
PaletteRead ReadPalette(QIODevice &file, const QString &name = {});
PaletteRead ReadPaletteFile(QByteArrayView file, const QString &name = {});

// The 256 entries in the given format; ACT (and Image) is the 768 plain bytes.
QByteArray WritePaletteFile(PaletteFormat format, const PalletArray &pallet);

// The format a file name's extension names: act, gpl, pal (JASC-PAL), hex,
// txt (Paint.NET); RIFF PAL is only reachable through the save dialog's filter.
std::optional<PaletteFormat> PaletteFormatForName(const QString &name);

QString PaletteFormatName(PaletteFormat format);
