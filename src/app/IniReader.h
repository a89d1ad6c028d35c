#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringView>

// Reads the values of an INI text the way settings files written for the
// Windows profile reader expect: section and key names compared without
// regard to case, blanks around names and values dropped, lines starting with
// ';' skipped, the first of duplicate keys taken, a value enclosed in one pair
// of matching quotes unquoted, and a value cut at 1023 bytes in the file's own
// encoding. The file is Shift-JIS unless it starts with a UTF-8 byte order
// mark or is valid UTF-8 throughout, or starts with a UTF-16 byte order mark
// (either order); a UTF-16 value is cut at 1023 bytes of its Shift-JIS form.
// The file is parsed once for every value read from it.
class ProfileFile {
public:
    explicit ProfileFile(const QByteArray &fileBytes = {});
    QString value(QStringView section, QStringView key, const QString &defaultValue) const;

    // Utf16: a UTF-16 file, held as UTF-8 once read.
    enum class Encoding { Utf8, ShiftJis, Utf16 };

private:
    Encoding encoding = Encoding::Utf8;
    // By folded section and key names, joined by a NUL: the first value of each.
    QHash<QString, QByteArray> values;
};

constexpr int kProfileValueMaxBytes = 1023;
