#pragma once

#include <QString>

// Reads and checks a PCX file; on acceptance its palette replaces the
// working palette. A refused file is reported and changes nothing else.
// A truecolour picture goes through the Convert dialog instead, and is not
// accepted here whatever the dialog's answer.
bool LoadPcxFile(const QString &path);
// The file's palette, entry order reversed, becomes the working palette.
void LoadPcxPallet();
// The pixels of the last accepted file become the image.
void DecodePcxImage();

struct AnyImage;
// The message for a refused picture: its own text, the path and the reason.
QString ImageRefusalMessage(const AnyImage &read, const QString &path);
