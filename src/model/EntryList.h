#pragma once

#include "model/PalletEntry.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <bitset>
#include <optional>

// Entries by their numbers as the palette window shows them.
using EntrySet = std::bitset<kPalletEntries>;

// What a palette holds fast for a game: a locked entry keeps its colour
// whatever palette is made around it; a reserved one is neither changed nor
// used by a conversion.
struct EntryMarks {
    EntrySet locked;
    EntrySet reserved;

    bool any() const { return locked.any() || reserved.any(); }
};

inline bool operator==(const EntryMarks &a, const EntryMarks &b)
{
    return a.locked == b.locked && a.reserved == b.reserved;
}
inline bool operator!=(const EntryMarks &a, const EntryMarks &b)
{
    return !(a == b);
}

// An entry is locked or reserved, never both.
enum class EntryMark { None, Locked, Reserved };
// Entries first..last given `mark` alone.
EntryMarks WithMark(EntryMarks marks, int first, int last, EntryMark mark);

// Entries and ranges, "0,15,224-255"; spaces around the numbers are
// allowed, and empty text is no entry.
struct EntryListRead {
    EntrySet entries;
    // Empty when read; else what is wrong: "300 is past 255".
    QString error;

    bool ok() const { return error.isEmpty(); }
};
EntryListRead ParseEntryList(QStringView text);
// Ascending, a run of two or more as a range: "0,15,224-255".
QString FormatEntryList(const EntrySet &entries);

// The marks as a PNG chunk keeps them: the locked entries, then the reserved
// ones, 32 bytes each, entry i at bit i % 8 of byte i / 8.
constexpr int kMarksRecordBytes = 64;
QByteArray MarksRecord(const EntryMarks &marks);
// Any other length than a whole record is none.
std::optional<EntryMarks> ReadMarksRecord(QByteArrayView bytes);
