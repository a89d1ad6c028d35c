#pragma once

#include "base/FileAccess.h"
#include "model/EntryList.h"
#include "model/Levels.h"
#include "model/PalletEntry.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

class QIODevice;

// Palette files of other programs, told apart by their content; a picture
// gives its own palette. Anything not recognised is an ACT file and keeps the
// ACT rules, unless its name says it is a text palette. The hardware formats
// after Image have no signature and are read only when asked for.
enum class PaletteFormat {
    Act,
    Gpl,
    Jasc,
    Riff,
    PaintNet,
    Hex,
    Image,
    Vga,
    Bgr555,
    MegaDrive,
    Amiga
};

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
    // A picture: the colours its own table holds.
    int colours = 256;
    // A truecolour picture: no damage, but nothing to take.
    bool noPalette = false;
    // What a GIMP palette's comment or a PNG of ours marks; none elsewhere.
    EntryMarks marks = {};

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

// The first `count` entries in the given format, each format saying how many where it can; ACT
// (and Image) is the 768 plain bytes, and the count after them when it is under 256. Only a GIMP
// palette keeps the marks, in a comment line GIMP skips.
QByteArray WritePaletteFile(PaletteFormat format, const PalletArray &pallet,
                            int count = kPalletEntries, const EntryMarks &marks = {});

// The format a file name's extension names: act, gpl, pal (JASC-PAL), hex,
// txt (Paint.NET), vga, bgr555, md, amiga; RIFF PAL is only reachable through
// the save dialog's filter.
std::optional<PaletteFormat> PaletteFormatForName(const QString &name);

// How messages name a format: "GIMP palette".
QString PaletteFormatName(PaletteFormat format);

// The bytes palette hardware holds: VGA DAC (R, G, B a byte each, 0..63),
// BGR555 (little-endian 0bbbbbgggggrrrrr), Mega Drive CRAM (big-endian
// 0000bbb0ggg0rrr0) and Amiga OCS (big-endian 0000rrrrggggbbbb).
bool IsRawFormat(PaletteFormat format);
// The levels a raw format holds per channel; none for the others.
Levels RawLevels(PaletteFormat format);
// The first `count` entries, each channel snapped to the format's levels.
QByteArray WriteRawPalette(PaletteFormat format, const PalletArray &pallet,
                           int count = kPalletEntries);
// At most 256 entries, a part entry at the end ignored; each level read back
// as its 8-bit value. A VGA byte over 63 is refused.
PaletteRead ReadRawPalette(QIODevice &file, PaletteFormat format);
