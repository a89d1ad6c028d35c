#pragma once

#include "image/PcxImage.h"
#include "palette/PalletEntry.h"

#include <QByteArray>

#include <initializer_list>

QByteArray Bytes(std::initializer_list<int> values);

// An 8-bit run-length PCX whose palette triple k is (k, 255 - k, 7k mod 256).
QByteArray MakePcx(int xmax, int ymax, const QByteArray &data, int bytesPerLine = 0);

PixelBuffer MakePixels(const QByteArray &bytes);

// Entry i is (i, 255 - i, 7i mod 256).
PalletArray Ramp();
