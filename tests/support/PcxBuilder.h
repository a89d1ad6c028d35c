#pragma once

#include "image/PcxImage.h"

#include <QByteArray>

#include <initializer_list>

QByteArray Bytes(std::initializer_list<int> values);
void PutWord(QByteArray &file, int offset, int value);

// An 8-bit one-plane run-length PCX of (xmax + 1) x (ymax + 1): header, data
// and a palette whose triple k is (k, 255 - k, 7k mod 256). Bytes per line
// is xmax + 1 unless given.
QByteArray MakePcx(int xmax, int ymax, const QByteArray &data, int bytesPerLine = 0);

// The bytes as decoded pixels.
PixelBuffer MakePixels(const QByteArray &bytes);
