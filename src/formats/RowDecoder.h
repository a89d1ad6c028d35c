#pragma once

// The decoders behind TrueColourRows, one a kind of file.

#include "formats/ImageRead.h"

#include <QImage>

#include <cstdint>
#include <memory>

class RowDecoder {
public:
    virtual ~RowDecoder() = default;
    // The next `rows` rows as RGBA, width * 4 bytes each; false, with the
    // refusal set, once the file turns out damaged.
    virtual bool read(std::uint8_t *out, int rows) = 0;
    // The whole picture when the decoder holds it already as RGBA; else null.
    virtual QImage take() { return {}; }
    // Every row, when none has been read yet.
    virtual bool readAll(std::uint8_t *out) { return read(out, height); }

    ImageRefusal refusal = ImageRefusal::None;
    QString detail;
    int width = 0;
    int height = 0;
    // False when read() takes only the whole picture at once.
    bool inOrder = true;

    void refuse(ImageRefusal why, const QString &text)
    {
        refusal = why;
        detail = text;
    }
    // CheckImageSize's refusal of the header's size; true when it passes.
    bool sizeHolds(qint64 w, qint64 h);
};

// From the bytes after the signature has said which.
std::unique_ptr<RowDecoder> OpenPngRows(QByteArrayView file);
std::unique_ptr<RowDecoder> OpenJpegRows(QByteArrayView file);
