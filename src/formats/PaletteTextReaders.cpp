#include "formats/PaletteReaders.h"

#include <QList>

#include <cctype>

namespace {

// No control bytes but tab, so binary ACT data is never taken for a list of
// hex colours.
bool IsText(QByteArrayView line)
{
    for (const char c : line) {
        const auto b = quint8(c);
        if ((b < 0x20 && b != '\t') || b == 0x7F)
            return false;
    }
    return true;
}

bool IsHexDigits(QByteArrayView s)
{
    for (const char c : s)
        if (!std::isxdigit(quint8(c)))
            return false;
    return !s.isEmpty();
}

// "RRGGBB", "#RRGGBB", or the same with two more digits.
bool IsHexToken(QByteArrayView s)
{
    if (s.startsWith('#'))
        s = s.sliced(1);
    return (s.size() == 6 || s.size() == 8) && IsHexDigits(s);
}

QString LineError(PaletteFormat format, int line, const QString &what)
{
    return QStringLiteral("%1, line %2: %3").arg(PaletteFormatName(format)).arg(line).arg(what);
}

// Once the lines ran out: a line too long or a failed read refuses the file.
void Finish(const LineReader &lines, PaletteRead &r, PaletteFormat format)
{
    if (lines.problem().isEmpty() || !r.error.isEmpty())
        return;
    if (lines.readFailed())
        r.file = {FileProblem::ReadError, lines.problem()};
    else
        r.error = LineError(format, lines.number(), lines.problem());
}

// The first line must carry the header, even of a file taken by its name.
bool Header(LineReader &lines, PaletteRead &r, PaletteFormat format, const char *header)
{
    const std::optional<QByteArray> first = lines.next();
    if (first && first->startsWith(header))
        return true;
    Finish(lines, r, format);
    if (r.ok())
        r.error = LineError(format, 1, QStringLiteral("no \"%1\" header").arg(header));
    return false;
}

// Three whole numbers 0..255 at the start of a line, as GIMP and JASC write.
bool ReadTriple(const QByteArray &line, QByteArray &rgb)
{
    const QList<QByteArray> fields = line.simplified().split(' ');
    if (fields.size() < 3)
        return false;
    int v[3];
    for (int k = 0; k < 3; ++k) {
        bool ok = false;
        v[k] = fields[k].toInt(&ok);
        if (!ok || v[k] < 0 || v[k] > 255)
            return false;
    }
    AppendRgb(rgb, v[0], v[1], v[2]);
    return true;
}

// Our comment line, "# Palmiro: locked 0,15,224-255 reserved 16"; a line
// that does not read whole is a comment like any other.
std::optional<EntryMarks> GplMarks(const QByteArray &line)
{
    static const QByteArray kHead = "# Palmiro:";
    if (!line.startsWith(kHead))
        return std::nullopt;
    const QList<QByteArray> words = line.mid(kHead.size()).simplified().split(' ');
    if (words.size() % 2)
        return std::nullopt;
    EntryMarks marks;
    for (qsizetype k = 0; k < words.size(); k += 2) {
        const EntryListRead list = ParseEntryList(QString::fromLatin1(words[k + 1]));
        EntrySet *set = words[k] == "locked"     ? &marks.locked
                        : words[k] == "reserved" ? &marks.reserved
                                                 : nullptr;
        if (!set || !list.ok())
            return std::nullopt;
        *set |= list.entries;
    }
    return marks;
}

} // namespace

void AppendRgb(QByteArray &rgb, int r, int g, int b)
{
    if (rgb.size() < 3 * kMaxColours)
        rgb.append(char(r)).append(char(g)).append(char(b));
}

PaletteRead ReadGpl(LineReader &lines)
{
    PaletteRead r{PaletteFormat::Gpl, {}, {}, {}};
    const PaletteFormat kind = PaletteFormat::Gpl;
    if (!Header(lines, r, kind, "GIMP Palette"))
        return r;
    while (const std::optional<QByteArray> line = lines.next()) {
        const QByteArray s = line->trimmed();
        if (const std::optional<EntryMarks> marks = GplMarks(s))
            r.marks = *marks;
        if (s.isEmpty() || s.startsWith('#'))
            continue;
        const QByteArray head = s.left(s.indexOf(':'));
        if (s.contains(':') && (head == "Name" || head == "Columns" || head == "Channels"))
            continue;
        if (!ReadTriple(s, r.rgb)) {
            r.error = LineError(kind, lines.number(), "not three numbers from 0 to 255");
            return r;
        }
    }
    Finish(lines, r, kind);
    return r;
}

PaletteRead ReadJasc(LineReader &lines)
{
    PaletteRead r{PaletteFormat::Jasc, {}, {}, {}};
    const PaletteFormat kind = PaletteFormat::Jasc;
    if (!Header(lines, r, kind, "JASC-PAL"))
        return r;
    bool ok = false;
    int count = 0;
    if (lines.next())
        if (const std::optional<QByteArray> line = lines.next())
            count = line->trimmed().toInt(&ok);
    if (!ok || count < 0) {
        Finish(lines, r, kind);
        if (r.ok())
            r.error = LineError(kind, 3, "no colour count");
        return r;
    }
    // Colours past the 256th are checked and counted, not kept.
    int found = 0;
    while (found < count) {
        const std::optional<QByteArray> line = lines.next();
        if (!line)
            break;
        if (line->trimmed().isEmpty())
            continue;
        if (!ReadTriple(*line, r.rgb)) {
            r.error = LineError(kind, lines.number(), "not three numbers from 0 to 255");
            return r;
        }
        ++found;
    }
    Finish(lines, r, kind);
    if (r.ok() && found < count)
        r.error =
            QStringLiteral("JASC-PAL: %1 colours announced, %2 present").arg(count).arg(found);
    return r;
}

// Paint.NET writes AARRGGBB; hex lists RRGGBB, some with alpha after it.
PaletteRead ReadHexLines(LineReader &lines, PaletteFormat format)
{
    PaletteRead r{format, {}, {}, {}};
    const bool alphaFirst = format == PaletteFormat::PaintNet;
    while (const std::optional<QByteArray> line = lines.next()) {
        QByteArray s = line->trimmed();
        if (s.isEmpty() || (alphaFirst && s.startsWith(';')))
            continue;
        if (!alphaFirst && s.startsWith('#'))
            s = s.mid(1);
        const bool fits = alphaFirst ? s.size() == 8 : s.size() == 6 || s.size() == 8;
        if (!fits || !IsHexDigits(s)) {
            r.error = LineError(format, lines.number(), alphaFirst ? "not AARRGGBB" : "not RRGGBB");
            return r;
        }
        const qsizetype at = alphaFirst ? 2 : 0;
        auto channel = [&](int k) { return s.mid(at + 2 * k, 2).toInt(nullptr, 16); };
        AppendRgb(r.rgb, channel(0), channel(1), channel(2));
    }
    Finish(lines, r, format);
    return r;
}

TextSniff SniffText(LineReader &lines)
{
    std::optional<QByteArray> line = lines.next();
    if (line && line->startsWith("GIMP Palette"))
        return {PaletteFormat::Gpl, true};
    if (line && line->startsWith("JASC-PAL"))
        return {PaletteFormat::Jasc, true};
    // A list of hex colours, decided by its first lines; the rest is only
    // looked through for binary bytes.
    std::optional<PaletteFormat> verdict;
    QByteArray first;
    int tokens = 0;
    bool longOnly = true, same0 = true, same6 = true;
    for (; line; line = lines.next()) {
        if (!IsText(*line))
            return {PaletteFormat::Act, false};
        const QByteArray s = line->trimmed();
        if (verdict || s.isEmpty())
            continue;
        if (!tokens && s.startsWith(';')) {
            verdict = PaletteFormat::PaintNet;
            continue;
        }
        if (!IsHexToken(s)) {
            verdict = tokens ? PaletteFormat::Hex : PaletteFormat::Act;
            continue;
        }
        if (!tokens)
            first = s.toLower();
        same0 = same0 && s.mid(0, 2).toLower() == first.mid(0, 2);
        same6 = same6 && s.mid(6, 2).toLower() == first.mid(6, 2);
        longOnly = longOnly && s.size() == 8;
        ++tokens;
    }
    if (verdict)
        return {*verdict, true};
    // Stopped by a line too long to be a palette's: binary as far as anyone knows.
    if (!tokens)
        return {PaletteFormat::Act, lines.problem().isEmpty()};
    // Eight digits with no comment to say which program wrote them: the
    // constant pair is the alpha.
    return {!longOnly || (same6 && !same0) ? PaletteFormat::Hex : PaletteFormat::PaintNet, true};
}
