#pragma once

#include "convert/TrueColour.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <memory>
#include <optional>

// A picture file opened to be converted: a truecolour one's rows as they
// are decoded, or the whole picture as RGBA.
struct PictureFile {
    QByteArray file;
    std::unique_ptr<TrueColourRows> rows;
    QImage whole;
    int width() const { return rows ? rows->width() : whole.width(); }
    int height() const { return rows ? rows->height() : whole.height(); }
};

// A picture of any kind, or why not (in English, for a line after its
// name). PCX and indexed BMP through the editor's readers, drawn through
// their palette; GIF through Qt's reader, which keeps its transparency, and
// the editor's when that one fails.
std::optional<PictureFile> OpenPicture(const QString &path, QString &why);
