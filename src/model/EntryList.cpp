#include "model/EntryList.h"

#include <QList>

#include <algorithm>

namespace {

constexpr int kSetBytes = kMarksRecordBytes / 2;

// A whole number 0..255; the reason when it is none.
std::optional<int> EntryNumber(QStringView text, QString &error)
{
    const QStringView t = text.trimmed();
    bool ok = false;
    const int n = t.toInt(&ok);
    // toInt takes a sign; an entry number has none.
    if (!ok || t.isEmpty() || !t.front().isDigit()) {
        error = QStringLiteral("\"%1\" is not an entry number").arg(t);
        return std::nullopt;
    }
    if (n > 255) {
        error = QStringLiteral("%1 is past 255").arg(n);
        return std::nullopt;
    }
    return n;
}

void PutSet(QByteArray &out, const EntrySet &set)
{
    for (int b = 0; b < kSetBytes; ++b) {
        quint8 byte = 0;
        for (int k = 0; k < 8; ++k)
            byte |= quint8(set[std::size_t(8 * b + k)] ? 1 << k : 0);
        out.append(char(byte));
    }
}

EntrySet TakeSet(QByteArrayView bytes)
{
    EntrySet set;
    for (int i = 0; i < kPalletEntries; ++i)
        set[std::size_t(i)] = (quint8(bytes[i / 8]) >> (i % 8)) & 1;
    return set;
}

} // namespace

EntryMarks WithMark(EntryMarks marks, int first, int last, EntryMark mark)
{
    for (int i = std::max(first, 0); i <= std::min(last, kPalletEntries - 1); ++i) {
        marks.locked[std::size_t(i)] = mark == EntryMark::Locked;
        marks.reserved[std::size_t(i)] = mark == EntryMark::Reserved;
    }
    return marks;
}

EntryListRead ParseEntryList(QStringView text)
{
    EntryListRead r;
    if (text.trimmed().isEmpty())
        return r;
    EntrySet entries;
    for (const QStringView item : text.split(u',')) {
        const qsizetype dash = item.indexOf(u'-');
        const std::optional<int> first = EntryNumber(item.left(dash), r.error);
        const std::optional<int> last = dash < 0 ? first
                                        : first  ? EntryNumber(item.mid(dash + 1), r.error)
                                                 : std::nullopt;
        if (!first || !last)
            return r;
        if (*last < *first) {
            r.error = QStringLiteral("the range %1-%2 runs backwards").arg(*first).arg(*last);
            return r;
        }
        for (int i = *first; i <= *last; ++i)
            entries.set(std::size_t(i));
    }
    r.entries = entries;
    return r;
}

QString FormatEntryList(const EntrySet &entries)
{
    QStringList parts;
    for (int i = 0; i < kPalletEntries; ++i) {
        if (!entries[std::size_t(i)])
            continue;
        int last = i;
        while (last + 1 < kPalletEntries && entries[std::size_t(last + 1)])
            ++last;
        parts << (last == i ? QString::number(i) : QStringLiteral("%1-%2").arg(i).arg(last));
        i = last;
    }
    return parts.join(u',');
}

QByteArray MarksRecord(const EntryMarks &marks)
{
    QByteArray out;
    PutSet(out, marks.locked);
    PutSet(out, marks.reserved);
    return out;
}

std::optional<EntryMarks> ReadMarksRecord(QByteArrayView bytes)
{
    if (bytes.size() != kMarksRecordBytes)
        return std::nullopt;
    return EntryMarks{TakeSet(bytes.first(kSetBytes)), TakeSet(bytes.sliced(kSetBytes))};
}
