#pragma once

#include <QByteArray>
#include <QString>

// Writes the whole file through a temporary and one rename, so a failure
// leaves what was there before. Empty on success, else the reason.
QString SaveWholeFile(const QString &path, const QByteArray &bytes);
