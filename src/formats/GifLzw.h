#pragma once

#include <QByteArrayView>

#include <cstddef>

// How decoding one frame's LZW data ended.
enum class GifLzwEnd {
    Full,    // every pixel asked for is written
    Cut,     // the file ends inside the data
    EndCode, // the data's end code came before the last pixel
    Damaged, // an empty sub-block before the last pixel, or a code not yet made
};

struct GifLzwResult {
    GifLzwEnd end = GifLzwEnd::Full;
    // Offset of the first byte after the last sub-block read.
    qsizetype next = 0;
};

// Decodes the sub-blocks of one frame into n pixels, file index i written
// as 255 - i. The current sub-block holds file[at, blockEnd); the next one's
// length byte is at blockEnd. minCodeSize is the frame's first byte, at most 11;
// a literal past 255 is damage.
GifLzwResult DecodeGifLzw(QByteArrayView file, qsizetype at, qsizetype blockEnd, int minCodeSize,
                          quint8 *out, std::size_t n);

// Skips the sub-blocks left from blockEnd on; false when the file ends first.
bool SkipGifBlocks(QByteArrayView file, qsizetype blockEnd);
