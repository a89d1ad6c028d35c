#pragma once

#include "base/FileAccess.h"

#include <QByteArray>
#include <QString>

#include <optional>

// The whole regular file at path, read at once into a buffer of its size, or
// empty (the reason in `error`) when it cannot be read. A buffer of our own,
// not a mapping: another program may cut the file meanwhile, and a read of a
// vanished page would end the process.
class QFile;
std::optional<QByteArray> ReadWholeFile(const QString &path, FileError *error = nullptr);
// The same for a file already opened.
std::optional<QByteArray> ReadOpenedFile(QFile &file, FileError &why);
