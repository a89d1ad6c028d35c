#pragma once

#include <QString>

// Reads an ACT file into ActFileBytes and ActFileLen, applies it to the
// palette and redraws the image. A file that cannot be read is reported and
// changes nothing; returns whether it was applied.
bool LoadActFile(const QString &name);
