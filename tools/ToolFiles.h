#pragma once

#include "base/FileBytes.h"
#include "convert/PictureFiles.h"
#include "formats/PcxReader.h"

#include <QString>

// What every command does with the pictures it reads.

// One line on stderr naming the file and what is wrong; the exit status of a refusal.
int Fail(const QString &path, const QString &why);

// Reads and decodes any image, as "&PCX Open" does; the file bytes go to
// `bytes` (the pixels may be a view of them), a refusal's reason to `why`.
bool Open(const QString &path, QByteArray &bytes, DecodedPicture &pcx, QString &why);
