#pragma once

#include "formats/IndexedPng.h"
#include "model/Cycling.h"
#include "model/PalletEntry.h"
#include "model/PcxImage.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <optional>

// The picture written so that opening it again gives back the same stored
// values and the same working palette: file colour i is entry i, as it is
// when opening; only a PCX keeps its own reversed rule.
enum class ExportFormat { Png, Pcx, Bmp, Gif };

// 8 bits a pixel, entry i as colour i: stored value v is index 255 - v.
QImage IndexedPicture(const PcxImage &image, const PalletArray &pallet);

// An 8-bit run-length PCX whose rows are exactly the picture's width, as
// this program's reader lays them out.
QByteArray EncodePcx(const PcxImage &image, const PalletArray &pallet);

// Empty when the encoder fails. `png` shapes only a PNG's colour table and
// carries its marks; a PNG or GIF keeps the cycling ranges as GrafX2 does, a
// PCX or BMP none.
std::optional<QByteArray> EncodeImage(ExportFormat format, const PcxImage &image,
                                      const PalletArray &pallet, PngTable png = {},
                                      const CycleRanges &cycles = {});

// The writers of each format, alike so that one table holds them all.
std::optional<QByteArray> EncodeAsPng(const PcxImage &image, const PalletArray &pallet,
                                      PngTable png, const CycleRanges &cycles);
std::optional<QByteArray> EncodeAsPcx(const PcxImage &image, const PalletArray &pallet, PngTable,
                                      const CycleRanges &);
std::optional<QByteArray> EncodeAsBmp(const PcxImage &image, const PalletArray &pallet, PngTable,
                                      const CycleRanges &);
std::optional<QByteArray> EncodeAsGif(const PcxImage &image, const PalletArray &pallet, PngTable,
                                      const CycleRanges &cycles);

std::optional<ExportFormat> ExportFormatForName(const QString &name);

// The name a save dialog offers for the picture opened from `picture`: beside it, with its name
// and `extension`; USER and the extension in the current folder for none.
QString NameBesidePicture(const QString &picture, const QString &extension);
