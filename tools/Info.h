#pragma once

#include <QString>

// `palmiro-tool info`: what the file is and whether the editor opens it; the
// exit status.
int Info(const QString &path);
