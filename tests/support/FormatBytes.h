#pragma once

// Small files of the picture formats built byte by byte, for the readers' suites.
#include "formats/ImageRead.h"
#include "support/TestFiles.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtEndian>

#include <zlib.h>

inline QString First(const QByteArray &rgb)
{
    return rgb.isEmpty()
               ? "-"
               : u"%1,%2,%3"_qs.arg(quint8(rgb[0])).arg(quint8(rgb[1])).arg(quint8(rgb[2]));
}

// The application extension GrafX2 keeps its cycling ranges in, before its sub-blocks.
inline const QByteArray kCrngApp("\x21\xFF\013CRNG\0\0\0\0001.0", 14);

inline QByteArray Be(quint32 v)
{
    return QByteArray(1, char(v >> 24)) + char(v >> 16) + char(v >> 8) + char(v);
}

inline QByteArray PngChunk(const char *type, const QByteArray &data, quint32 spoil = 0)
{
    const QByteArray body = type + data;
    return Be(data.size()) + body +
           Be(crc32(0, reinterpret_cast<const Bytef *>(body.data()), uInt(body.size())) ^ spoil);
}

// Indexed 8-bit unless told; rows in hex, then as many zero bytes; no IDAT
// without rows.
inline QByteArray Png(quint32 w, quint32 h, const char *rows, qsizetype zeros = 0, char depth = 8,
                      char colour = 3, const QByteArray &plte = "\x7f\x7f\x7f")
{
    const QByteArray z = qCompress(QByteArray::fromHex(rows) + QByteArray(zeros, 0)).mid(4);
    return "\x89PNG\r\n\x1a\n" +
           PngChunk("IHDR", Be(w) + Be(h) + depth + colour + QByteArray(3, 0)) +
           (plte.isEmpty() ? "" : PngChunk("PLTE", plte)) + (rows ? PngChunk("IDAT", z) : "") +
           PngChunk("IEND", {});
}

// A frame at 0, 0 in black and white whose data is `codes`, codeSize + 1 bits each.
inline QByteArray GifCodes(int sw, int sh, int fw, int fh, int codeSize, const QList<int> &codes)
{
    QByteArray lzw;
    quint32 bits = 0;
    int held = 0;
    for (const int code : codes)
        for (bits |= quint32(code) << held, held += codeSize + 1; held >= 8; held -= 8, bits >>= 8)
            lzw += char(bits);
    lzw += held ? QByteArray(1, char(bits)) : "";
    const auto le = [](int v) { return QByteArray(1, char(v)) + char(v >> 8); };
    return "GIF89a" + le(sw) + le(sh) + QByteArray("\x80\0\0\0\0\0\xff\xff\xff,\0\0\0\0", 14) +
           le(fw) + le(fh) + '\0' + char(codeSize) + char(lzw.size()) + lzw + QByteArray("\0;", 2);
}

// Pixels between a clear and an end code, at most 120 while the codes keep their width.
inline QByteArray Gif(int sw, int sh, int fw, int fh, const QByteArray &indices, int codeSize = 7)
{
    QList<int> codes{1 << codeSize};
    for (const char i : indices)
        codes += quint8(i);
    return GifCodes(sw, sh, fw, fh, codeSize, codes << (1 << codeSize) + 1);
}

// Refusals by kind; "refuse" is a truecolour file.
inline QString Outcome(ImageRefusal refusal, const QByteArray &rgb)
{
    static const char *const kKinds[] = {"",          "refuse", "unreadable", "truncated",
                                         "too-large", "empty",  "unsupported"};
    return refusal == ImageRefusal::None ? QString(Sha1(rgb)) : kKinds[int(refusal)];
}

// Colours (64,64,255) and (64,255,64), as B, G, R, reserved.
inline const QByteArray kTwoColours("\xff\x40\x40\0\x40\xff\x40\0", 8);

inline QByteArray Bmp(int w, int h, int bits, const QByteArray &data, int compression = 0)
{
    QByteArray f = QByteArray("BM").leftJustified(54, '\0') + kTwoColours + data;
    const int fields[][2] = {{10, 62}, {14, 40},   {18, w},          {22, h},
                             {26, 1},  {28, bits}, {30, compression}};
    for (const auto &[at, v] : fields)
        qToLittleEndian<qint32>(v, f.data() + at);
    return f;
}
