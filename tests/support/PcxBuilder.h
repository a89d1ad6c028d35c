#pragma once

#include "model/Cycling.h"
#include "model/PalletEntry.h"
#include "model/PcxImage.h"

#include <QByteArray>
#include <QList>

#include <initializer_list>

QByteArray Bytes(std::initializer_list<int> values);

// An 8-bit run-length PCX whose palette triple k is (k, 255 - k, 7k mod 256).
QByteArray MakePcx(int xmax, int ymax, const QByteArray &data, int bytesPerLine = 0);

PixelBuffer MakePixels(const QByteArray &bytes);

// Entry i is (i, 255 - i, 7i mod 256).
PalletArray Ramp();

// Cycling ranges from runs of five: first, last, rate x 100, backward, on.
inline CycleRanges Ranges(const QList<int> &v)
{
    CycleRanges out;
    for (qsizetype i = 0; i + 4 < v.size(); i += 5)
        out.push_back(
            {quint8(v[i]), quint8(v[i + 1]), v[i + 2] / 100.0, v[i + 3] != 0, v[i + 4] != 0});
    return out;
}
