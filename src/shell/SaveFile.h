#pragma once

#include "shell/FileAccess.h"

#include <QByteArray>
#include <QString>

// The whole file through SaveFileWith; no error on success.
FileError SaveWholeFile(const QString &path, const QByteArray &bytes);
