#pragma once

#include "convert/ConvertPicture.h"
#include "image/PcxReader.h"
#include "palette/PalletEntry.h"

#include <QByteArrayView>
#include <QImage>

// A picture one of Qt's image readers decodes, as 8-bit RGBA; null when none
// does or it is past the size limit.
QImage ReadTrueColour(QByteArrayView file);

// The picture as drawn through the palette, as 8-bit RGBA.
QImage PictureColours(const PcxImage &image, const PalletArray &pallet);

std::array<Rgb8, 256> PaletteColours(const PalletArray &pallet);
// The palette with every entry whose colour differs from `colours` written.
PalletArray WithColours(PalletArray pallet, const std::array<Rgb8, 256> &colours);

// Converted entries as the program holds a picture: value 255 - entry. Not
// accepted when memory runs out.
PcxFile ConvertedPcx(const ConvertedPicture &converted, int width, int height);
