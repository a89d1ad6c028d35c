#pragma once

#include "palette/PalletEntry.h"

#include <QByteArray>
#include <QString>

constexpr int kActFileBytes = 768;

struct ActReadResult {
    bool ok = false;
    QByteArray bytes;
    QString error;
};

// Reads the whole file. A name that does not exist is created empty, as the
// Open command has always done; a file that cannot be read is an error.
ActReadResult ReadActFile(const QString &path);

// The 256 entries as R, G, B bytes, entry 0 first.
QByteArray BuildActBytes(const PalletArray &pallet);

struct ActSaveResult {
    bool ok = false;
    QString error;
};

// Writes the palette over the first 768 bytes and keeps whatever an existing
// file holds after them (a colour count, a transparent index). The new file
// replaces the old in one rename, so a failure leaves the old bytes intact;
// only in a folder that cannot take the new file is the old one rewritten in
// place.
ActSaveResult SaveActFile(const QString &path, const PalletArray &pallet);
