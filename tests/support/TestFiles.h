#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// The sample corpus of files made by other programs, beside the checkout.
QString TestDataDir();
QByteArray ReadTestFile(const QString &relativePath);

// The SHA-1 of the bytes in hex, as the checksum files give it; "-" for no bytes.
QByteArray Sha1(const QByteArray &bytes);

// Writes bytes to a file, creating folders; returns the path.
QString WriteFile(const QString &path, const QByteArray &bytes);

// Opens, then fails every read with an I/O error, even for root.
inline const QString kUnreadableFile = QStringLiteral("/proc/self/mem");

#define REQUIRE_TESTDATA()                                                                         \
    do {                                                                                           \
        if (!QFile::exists(TestDataDir() + "/MANIFEST.md"))                                        \
            QSKIP("sample corpus ../shared/testdata is not beside the checkout");                  \
    } while (0)
