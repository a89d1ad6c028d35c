#pragma once

#include "base/FileAccess.h"

#include <QByteArray>
#include <QString>

// The whole file through SaveFileWith; no error on success.
FileError SaveWholeFile(const QString &path, const QByteArray &bytes);
