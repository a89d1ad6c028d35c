#include "palette/PaletteFormats.h"

#include "palette/ActFile.h"

#include <QList>
#include <QtEndian>

#include <cctype>

namespace {

constexpr int kMaxColours = 256;
const QByteArray kBom("\xEF\xBB\xBF");

QByteArrayView WithoutBom(QByteArrayView file)
{
    return file.startsWith(kBom) ? file.sliced(kBom.size()) : file;
}

// Lines end at CRLF, LF or CR.
QList<QByteArray> Lines(QByteArrayView file)
{
    QList<QByteArray> lines;
    const QByteArrayView text = WithoutBom(file);
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        lines << text.sliced(start, i - start).toByteArray();
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines << text.sliced(start).toByteArray();
    return lines;
}

// Plain text: no control bytes but tab and line ends, so binary ACT data is
// never taken for a list of hex colours.
bool IsText(QByteArrayView file)
{
    for (const char c : file) {
        const auto b = quint8(c);
        if ((b < 0x20 && b != '\t' && b != '\r' && b != '\n') || b == 0x7F)
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

void AppendRgb(QByteArray &rgb, int r, int g, int b)
{
    if (rgb.size() < 3 * kMaxColours)
        rgb.append(char(r)).append(char(g)).append(char(b));
}

QString LineError(const char *format, int line, const char *what)
{
    return QStringLiteral("%1, line %2: %3")
        .arg(QLatin1String(format))
        .arg(line)
        .arg(QLatin1String(what));
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

PaletteRead ReadGpl(QByteArrayView file)
{
    PaletteRead r{PaletteFormat::Gpl, {}, {}};
    const QList<QByteArray> lines = Lines(file);
    for (int i = 1; i < lines.size(); ++i) {
        const QByteArray s = lines[i].trimmed();
        if (s.isEmpty() || s.startsWith('#'))
            continue;
        const QByteArray head = s.left(s.indexOf(':'));
        if (s.contains(':') && (head == "Name" || head == "Columns" || head == "Channels"))
            continue;
        if (!ReadTriple(s, r.rgb)) {
            r.error = LineError("GIMP palette", i + 1, "not three numbers from 0 to 255");
            return r;
        }
    }
    return r;
}

PaletteRead ReadJasc(QByteArrayView file)
{
    PaletteRead r{PaletteFormat::Jasc, {}, {}};
    const QList<QByteArray> lines = Lines(file);
    bool ok = false;
    const int count = lines.size() > 2 ? lines[2].trimmed().toInt(&ok) : 0;
    if (!ok || count < 0) {
        r.error = LineError("JASC-PAL", 3, "no colour count");
        return r;
    }
    int found = 0;
    for (int i = 3; i < lines.size() && found < count; ++i) {
        if (lines[i].trimmed().isEmpty())
            continue;
        if (!ReadTriple(lines[i], r.rgb)) {
            r.error = LineError("JASC-PAL", i + 1, "not three numbers from 0 to 255");
            return r;
        }
        ++found;
    }
    if (found < count)
        r.error =
            QStringLiteral("JASC-PAL: %1 colours announced, %2 present").arg(count).arg(found);
    return r;
}

quint32 Le32(QByteArrayView b, qsizetype at)
{
    return qFromLittleEndian<quint32>(b.data() + at);
}

PaletteRead ReadRiff(QByteArrayView file)
{
    PaletteRead r{PaletteFormat::Riff, {}, {}};
    qsizetype pos = 12;
    while (pos + 8 <= file.size()) {
        const quint32 size = Le32(file, pos + 4);
        const qsizetype body = pos + 8;
        if (file.sliced(pos, 4) == "data") {
            const qsizetype room = qMin<qint64>(size, file.size() - body);
            if (room < 4)
                break;
            const int count = qFromLittleEndian<quint16>(file.data() + body + 2);
            if (4 + 4 * qsizetype(count) > room) {
                r.error = QStringLiteral("RIFF PAL: %1 colours announced, room for %2")
                              .arg(count)
                              .arg((room - 4) / 4);
                return r;
            }
            for (int i = 0; i < count; ++i) {
                const auto *e = reinterpret_cast<const quint8 *>(file.data() + body + 4 + 4 * i);
                AppendRgb(r.rgb, e[0], e[1], e[2]);
            }
            return r;
        }
        pos = body + qsizetype(size) + (size & 1);
    }
    r.error = QStringLiteral("RIFF PAL: no complete data chunk");
    return r;
}

// Paint.NET writes AARRGGBB; hex lists RRGGBB, some with alpha after it.
PaletteRead ReadHexFile(QByteArrayView file, PaletteFormat format)
{
    PaletteRead r{format, {}, {}};
    const bool alphaFirst = format == PaletteFormat::PaintNet;
    const QList<QByteArray> lines = Lines(file);
    for (int i = 0; i < lines.size(); ++i) {
        QByteArray s = lines[i].trimmed();
        if (s.isEmpty() || (alphaFirst && s.startsWith(';')))
            continue;
        if (!alphaFirst && s.startsWith('#'))
            s = s.mid(1);
        const bool fits = alphaFirst ? s.size() == 8 : s.size() == 6 || s.size() == 8;
        if (!fits || !IsHexDigits(s)) {
            r.error = LineError(alphaFirst ? "Paint.NET palette" : "hex palette", i + 1,
                                alphaFirst ? "not AARRGGBB" : "not RRGGBB");
            return r;
        }
        const qsizetype at = alphaFirst ? 2 : 0;
        auto channel = [&](int k) { return s.mid(at + 2 * k, 2).toInt(nullptr, 16); };
        AppendRgb(r.rgb, channel(0), channel(1), channel(2));
    }
    return r;
}

// Eight-digit lines with no comment to say which program wrote them: the
// constant pair is the alpha.
PaletteFormat EightDigitFormat(const QList<QByteArray> &tokens)
{
    auto constant = [&](int at) {
        for (const QByteArray &t : tokens)
            if (t.mid(at, 2).toLower() != tokens.first().mid(at, 2).toLower())
                return false;
        return true;
    };
    return constant(6) && !constant(0) ? PaletteFormat::Hex : PaletteFormat::PaintNet;
}

PaletteFormat DetectHexFamily(QByteArrayView file)
{
    if (!IsText(file))
        return PaletteFormat::Act;
    QList<QByteArray> tokens;
    bool longOnly = true;
    for (const QByteArray &line : Lines(file)) {
        const QByteArray s = line.trimmed();
        if (s.isEmpty())
            continue;
        if (tokens.isEmpty() && s.startsWith(';'))
            return PaletteFormat::PaintNet;
        if (!IsHexToken(s))
            return tokens.isEmpty() ? PaletteFormat::Act : PaletteFormat::Hex;
        tokens << s;
        longOnly = longOnly && s.size() == 8;
    }
    if (tokens.isEmpty())
        return PaletteFormat::Act;
    return longOnly ? EightDigitFormat(tokens) : PaletteFormat::Hex;
}

void AppendLe(QByteArray &out, quint32 v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.append(char((v >> (8 * i)) & 0xFF));
}

} // namespace

PaletteFormat DetectPaletteFormat(QByteArrayView file)
{
    const QByteArrayView text = WithoutBom(file);
    if (text.startsWith("GIMP Palette"))
        return PaletteFormat::Gpl;
    if (text.startsWith("JASC-PAL"))
        return PaletteFormat::Jasc;
    if (file.size() >= 12 && file.first(4) == "RIFF" && file.sliced(8, 4) == "PAL ")
        return PaletteFormat::Riff;
    return DetectHexFamily(file);
}

PaletteRead ReadPaletteFile(QByteArrayView file)
{
    switch (DetectPaletteFormat(file)) {
    case PaletteFormat::Gpl:
        return ReadGpl(file);
    case PaletteFormat::Jasc:
        return ReadJasc(file);
    case PaletteFormat::Riff:
        return ReadRiff(file);
    case PaletteFormat::PaintNet:
        return ReadHexFile(file, PaletteFormat::PaintNet);
    case PaletteFormat::Hex:
        return ReadHexFile(file, PaletteFormat::Hex);
    case PaletteFormat::Act:
        break;
    }
    // ACT bytes are applied as they are, by the ACT rules.
    return {};
}

QByteArray WritePaletteFile(PaletteFormat format, const PalletArray &pallet)
{
    QByteArray out;
    switch (format) {
    case PaletteFormat::Gpl:
        out = "GIMP Palette\nName: Palmiro\nColumns: 16\n#\n";
        for (int i = 0; i < kPalletEntries; ++i)
            out += QString::asprintf("%3d %3d %3d\tIndex %d\n", pallet[i].R, pallet[i].G,
                                     pallet[i].B, i)
                       .toLatin1();
        break;
    case PaletteFormat::Jasc:
        out = "JASC-PAL\r\n0100\r\n256\r\n";
        for (int i = 0; i < kPalletEntries; ++i)
            out +=
                QString::asprintf("%d %d %d\r\n", pallet[i].R, pallet[i].G, pallet[i].B).toLatin1();
        break;
    case PaletteFormat::Riff:
        out = "RIFF";
        AppendLe(out, 4 + 8 + 4 + 4 * kPalletEntries, 4);
        out += "PAL data";
        AppendLe(out, 4 + 4 * kPalletEntries, 4);
        AppendLe(out, 0x0300, 2);
        AppendLe(out, kPalletEntries, 2);
        for (int i = 0; i < kPalletEntries; ++i)
            out.append(char(pallet[i].R))
                .append(char(pallet[i].G))
                .append(char(pallet[i].B))
                .append('\0');
        break;
    case PaletteFormat::PaintNet:
        out = "; Palmiro\r\n";
        for (int i = 0; i < kPalletEntries; ++i)
            out += QString::asprintf("FF%02X%02X%02X\r\n", pallet[i].R, pallet[i].G, pallet[i].B)
                       .toLatin1();
        break;
    case PaletteFormat::Hex:
        for (int i = 0; i < kPalletEntries; ++i)
            out += QString::asprintf("%02x%02x%02x\n", pallet[i].R, pallet[i].G, pallet[i].B)
                       .toLatin1();
        break;
    case PaletteFormat::Act:
        out = BuildActBytes(pallet);
        break;
    }
    return out;
}

std::optional<PaletteFormat> PaletteFormatForName(const QString &name)
{
    const QString ext = name.section(QLatin1Char('.'), -1).toLower();
    if (!name.contains(QLatin1Char('.')))
        return std::nullopt;
    if (ext == QLatin1String("act"))
        return PaletteFormat::Act;
    if (ext == QLatin1String("gpl"))
        return PaletteFormat::Gpl;
    if (ext == QLatin1String("pal"))
        return PaletteFormat::Jasc;
    if (ext == QLatin1String("hex"))
        return PaletteFormat::Hex;
    if (ext == QLatin1String("txt"))
        return PaletteFormat::PaintNet;
    return std::nullopt;
}

QString PaletteFormatName(PaletteFormat format)
{
    switch (format) {
    case PaletteFormat::Act:
        return QStringLiteral("ACT");
    case PaletteFormat::Gpl:
        return QStringLiteral("GIMP palette");
    case PaletteFormat::Jasc:
        return QStringLiteral("JASC-PAL");
    case PaletteFormat::Riff:
        return QStringLiteral("RIFF PAL");
    case PaletteFormat::PaintNet:
        return QStringLiteral("Paint.NET palette");
    case PaletteFormat::Hex:
        return QStringLiteral("hex palette");
    }
    return {};
}
