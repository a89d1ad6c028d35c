#pragma once

#include <QByteArray>
#include <QString>

// Writes the whole file through a temporary and one rename, so a failure
// leaves what was there before; only in a folder that cannot take the
// temporary is an existing file rewritten in place. Empty on success, else
// the reason.
QString SaveWholeFile(const QString &path, const QByteArray &bytes);
