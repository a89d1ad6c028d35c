// palmiro-tool: the editor's PCX reading and drawing rules from the command
// line, for batches and for tests.

#include "image/PcxReader.h"
#include "image/Render.h"
#include "palette/ActApply.h"
#include "shell/Numbers.h"

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QStringList>
#include <QTextStream>

#include <cstdio>

namespace {

constexpr int kExitRefused = 1;
constexpr int kExitUsage = 2;

QTextStream &out()
{
    static QTextStream s(stdout);
    return s;
}

QTextStream &err()
{
    static QTextStream s(stderr);
    return s;
}

int Usage(const QString &problem = {})
{
    if (!problem.isEmpty())
        err() << "palmiro-tool: " << problem << "\n";
    err() << "usage:\n"
             "  palmiro-tool info FILE.pcx\n"
             "  palmiro-tool palette FILE.pcx OUT.act\n"
             "  palmiro-tool render FILE.pcx [--palette FILE.act] [--zoom 100..400] OUT.png\n";
    err().flush();
    return kExitUsage;
}

int Fail(const QString &path, const QString &why)
{
    err() << "palmiro-tool: " << path << ": " << why << "\n";
    err().flush();
    return kExitRefused;
}

// Reads and decodes, reporting the refusal; the file bytes go to `bytes`.
bool Open(const QString &path, QByteArray &bytes, PcxFile &pcx)
{
    std::optional<QByteArray> read = ReadWholeFile(path);
    if (!read) {
        pcx.refusal = PcxRefusal::Unreadable;
        return false;
    }
    bytes = std::move(*read);
    pcx = ReadPcx(bytes);
    return pcx.accepted();
}

int Info(const QString &path)
{
    QByteArray bytes;
    PcxFile pcx;
    const bool ok = Open(path, bytes, pcx);
    if (pcx.refusal == PcxRefusal::Unreadable)
        return Fail(path, PcxRefusalText(pcx.refusal));
    const PcxHeader &h = pcx.header;
    out() << "file: " << path << "\n"
          << "size: " << bytes.size() << " bytes\n";
    if (bytes.size() >= kHeaderSize) {
        out() << "Manufacturer: " << h.Manufacturer() << "\n"
              << "Version: " << h.Version() << "\n"
              << "Encoding: " << h.Encoding() << "\n"
              << "BitsPerPixel: " << h.BitsPerPixel() << "\n"
              << "Xmin: " << h.Xmin() << "\n"
              << "Ymin: " << h.Ymin() << "\n"
              << "Xmax: " << h.Xmax() << "\n"
              << "Ymax: " << h.Ymax() << "\n"
              << "NPlanes: " << h.NPlanes() << "\n"
              << "BytesPerLine: " << h.BytesPerLine() << "\n"
              << "image: " << (h.Xmax() + 1) << " x " << (h.Ymax() + 1) << "\n";
    }
    out() << "verdict: "
          << (ok ? QStringLiteral("accepted")
                 : QStringLiteral("refused: ") + PcxRefusalText(pcx.refusal))
          << "\n";
    out().flush();
    return ok ? 0 : Fail(path, QStringLiteral("refused: ") + PcxRefusalText(pcx.refusal));
}

bool WriteAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size() &&
           f.flush();
}

int Palette(const QString &path, const QString &outPath)
{
    QByteArray bytes;
    PcxFile pcx;
    if (!Open(path, bytes, pcx))
        return Fail(path, PcxRefusalText(pcx.refusal));
    // The editor saves its 256 entries, which the image's reversed palette
    // has just replaced whole: the same 768 bytes.
    PalletArray pallet{};
    ApplyActBytes(pallet, pcx.palette, pcx.palette.size());
    QByteArray act;
    act.reserve(kPaletteSize);
    for (int i = 0; i < 256; ++i) {
        act.append(char(pallet[std::size_t(i)].R));
        act.append(char(pallet[std::size_t(i)].G));
        act.append(char(pallet[std::size_t(i)].B));
    }
    if (!WriteAll(outPath, act))
        return Fail(outPath, QStringLiteral("cannot be written"));
    return 0;
}

int Render(const QString &path, const QString &actPath, int percent, const QString &outPath)
{
    QByteArray bytes;
    PcxFile pcx;
    if (!Open(path, bytes, pcx))
        return Fail(path, PcxRefusalText(pcx.refusal));
    PalletArray pallet{};
    ApplyActBytes(pallet, pcx.palette, pcx.palette.size());
    if (!actPath.isEmpty()) {
        std::optional<QByteArray> act = ReadWholeFile(actPath);
        if (!act)
            return Fail(actPath, QStringLiteral("the file cannot be read"));
        ApplyActBytes(pallet, *act, act->size());
    }

    const int f = ZoomFactor(percent);
    const qint64 width = qint64(pcx.image.width()) * f;
    const qint64 height = qint64(pcx.image.height()) * f;
    QImage raster;
    if (width <= 32767 * 4 && height <= 32767 * 4)
        raster = QImage(int(width), int(height), QImage::Format_RGB32);
    if (raster.isNull())
        return Fail(path, QStringLiteral("the zoomed image is too large to render"));

    // A drawing area exactly the size of the zoomed image shows all of it.
    const DrawAxis ax = PlanDrawAxis(pcx.image.UB1, f, int(width), 0);
    const DrawAxis ay = PlanDrawAxis(pcx.image.UB2, f, int(height), 0);
    FillView(raster.bits(), raster.bytesPerLine(), raster.width(), raster.height(), pcx.image,
             BuildColorTable(pallet, -1), DrawView{ax.offset, ay.offset, ax.last, ay.last, f});
    if (!raster.save(outPath, "PNG"))
        return Fail(outPath, QStringLiteral("cannot be written"));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty())
        return Usage();
    const QString command = args.takeFirst();

    if (command == QLatin1String("info")) {
        if (args.size() != 1)
            return Usage(QStringLiteral("info takes one file"));
        return Info(args[0]);
    }
    if (command == QLatin1String("palette")) {
        if (args.size() != 2)
            return Usage(QStringLiteral("palette takes a PCX file and an output file"));
        return Palette(args[0], args[1]);
    }
    if (command == QLatin1String("render")) {
        QString act;
        int percent = 100;
        QStringList files;
        for (int i = 0; i < args.size(); ++i) {
            const QString &a = args[i];
            QString value;
            bool isPalette = false;
            bool isZoom = false;
            if (a == QLatin1String("--palette") || a == QLatin1String("--zoom")) {
                if (i + 1 >= args.size())
                    return Usage(a + QStringLiteral(" needs a value"));
                isPalette = a == QLatin1String("--palette");
                isZoom = !isPalette;
                value = args[++i];
            } else if (a.startsWith(QLatin1String("--palette="))) {
                isPalette = true;
                value = a.mid(10);
            } else if (a.startsWith(QLatin1String("--zoom="))) {
                isZoom = true;
                value = a.mid(7);
            } else if (a.startsWith(QLatin1String("--"))) {
                return Usage(QStringLiteral("unknown option ") + a);
            } else {
                files << a;
                continue;
            }
            if (isPalette) {
                act = value;
            } else if (isZoom) {
                const std::optional<int> z = ReadWholeInRange(value, 100, 400);
                if (!z)
                    return Usage(QStringLiteral("--zoom must be a number from 100 to 400"));
                percent = *z;
            }
        }
        if (files.size() != 2)
            return Usage(QStringLiteral("render takes a PCX file and an output file"));
        return Render(files[0], act, percent, files[1]);
    }
    if (command == QLatin1String("--help") || command == QLatin1String("-h")) {
        Usage();
        return 0;
    }
    return Usage(QStringLiteral("unknown command ") + command);
}
