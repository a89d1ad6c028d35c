#pragma once

#include "model/PcxImage.h"
#include "model/Render.h"

#include <QByteArray>

// How a PNG's colour table ends: after `entries` entries (no pixel uses a
// higher one), and one entry see-through when `transparent` is one; and the
// colour cycling records (GrafX2's crNg chunk) that follow it, if any, and
// the entries' marks (MarksRecord) in a chunk of ours, pmLk.
struct PngTable {
    int entries = 256;
    int transparent = -1;
    QByteArray cycleRecords;
    QByteArray marksRecord = {};
};

class QIODevice;

// Writes the image as an 8-bit indexed PNG: stored value v, drawn in
// colours[v], is index 255 - v, as entry 255 - v is; each pixel becomes an f x f block, so the
// pixels equal the screen window's drawing of the whole image at factor f. False when the device
// refuses a write or the size is beyond PNG.
bool WriteIndexedPng(QIODevice &out, const PcxImage &image, int f, const ColorTable &colours,
                     PngTable table = {});
