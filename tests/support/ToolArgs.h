#pragma once

#include "formats/Crc32.h"

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <QtEndian>

#include <utility>

// Each argument starting with a placeholder gets its path instead: a
// temporary folder's random name may hold the same capitals.
inline QStringList Placed(QStringList args, const QList<std::pair<QString, QString>> &paths)
{
    for (QString &a : args)
        for (const auto &[key, path] : paths)
            if (a.startsWith(key)) {
                a = path + a.mid(key.size());
                break;
            }
    return args;
}

// The file with the size in its header set to w x h: a PNG's (its checksum
// made again) or a JPEG's frame.
inline QByteArray Resized(QByteArray file, quint32 w, quint32 h)
{
    if (file.startsWith("\x89PNG")) {
        qToBigEndian(w, file.data() + 16);
        qToBigEndian(h, file.data() + 20);
        qToBigEndian(Crc32(0, reinterpret_cast<const quint8 *>(file.data()) + 12, 17),
                     file.data() + 29);
    } else {
        const qsizetype sof = file.indexOf("\xFF\xC0") + 5;
        qToBigEndian(quint16(h), file.data() + sof);
        qToBigEndian(quint16(w), file.data() + sof + 2);
    }
    return file;
}
