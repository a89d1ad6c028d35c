// palmiro-tool: the editor's reading and drawing rules for images and
// palettes from the command line, for batches and for tests.

#include "Convert.h"
#include "Cycle.h"
#include "Info.h"
#include "Levels.h"
#include "Tables.h"
#include "Tidy.h"
#include "ToolFiles.h"
#include "ToolHelp.h"
#include "app/ProgramInfo.h"
#include "base/FileAccess.h"
#include "base/FileBytes.h"
#include "base/Numbers.h"
#include "formats/ActFile.h"
#include "formats/ImageExport.h"
#include "formats/ImageFormats.h"
#include "formats/IndexedPng.h"
#include "formats/PaletteFormats.h"
#include "formats/PcxReader.h"
#include "model/ActApply.h"
#include "model/Render.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QIODevice>
#include <QImage>
#include <QLoggingCategory>
#include <QStringList>
#include <QTextStream>

#include <csignal>
#include <cstdio>
#include <functional>
#include <optional>

namespace {

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

// The problem, then the command's own usage: every command's when there is none.
int Usage(const QString &problem = {}, const QString &command = {})
{
    if (!problem.isEmpty())
        err() << "palmiro-tool: " << problem << "\n";
    err() << CommandUsage(command);
    err().flush();
    return kExitUsage;
}

// Applies a palette file, or a picture's palette, over `pallet` as Open does; how many colours
// the file holds, or 0 with `why` said.
int ApplyPaletteFile(const QString &path, PalletArray &pallet, QString &why,
                     std::optional<PaletteFormat> raw = std::nullopt)
{
    const PaletteRead read = ReadPaletteAt(path, false, raw);
    why = read.file ? FileProblemText(read.file) : read.error;
    if (!read.ok())
        return 0;
    const int applied = ApplyActBytes(pallet, read.rgb, read.rgb.size());
    return read.format == PaletteFormat::Image ? read.colours
           : applied > 0                       ? applied
                                               : kPalletEntries;
}

// A failed write leaves what was at outPath before.
int Write(const QString &outPath, const std::function<bool(QIODevice &)> &write)
{
    const FileError error = SaveFileWith(outPath, write);
    return error ? Fail(outPath, WriteProblemText(outPath, error)) : 0;
}

int WriteAll(const QString &outPath, const QByteArray &bytes)
{
    return Write(outPath, [&](QIODevice &out) { return out.write(bytes) == bytes.size(); });
}

int Palette(const PaletteJob &job)
{
    // The working palette right after start-up (all black) and one Open or
    // "&PCX Open"; an image's reversed palette replaces all 256 entries.
    PalletArray pallet{};
    QString why;
    const int colours = ApplyPaletteFile(job.in, pallet, why, job.from);
    if (!colours)
        return Fail(job.in, why);
    pallet = SnapRange(job.levels, pallet, 0, kPalletEntries - 1);
    return WriteAll(job.out, WritePaletteFile(job.as, pallet, job.count.value_or(colours)));
}

// The zoomed picture as stored values, written with the palette so that it
// opens again to the same picture and palette.
int RenderIndexed(const PcxImage &image, int f, const PalletArray &pallet, ExportFormat format,
                  const QString &outPath, const CycleRanges &cycles)
{
    if (qint64(image.width()) * f > 65535 || qint64(image.height()) * f > 65535)
        return Fail(outPath, QStringLiteral("the zoomed image is too large to write"));
    const int width = image.width() * f;
    const int height = image.height() * f;
    PixelBytes zoomedBytes = AllocatePixels(std::size_t(width) * std::size_t(height));
    if (!zoomedBytes)
        return Fail(outPath, QStringLiteral("not enough memory"));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            zoomedBytes[std::size_t(y) * std::size_t(width) + std::size_t(x)] =
                image.at(x / f, y / f);
    const PcxImage zoomed(
        PixelBuffer(std::move(zoomedBytes), std::size_t(width) * std::size_t(height)), width,
        height, std::size_t(width));
    const std::optional<QByteArray> bytes = EncodeImage(format, zoomed, pallet, {}, cycles);
    if (!bytes)
        return Fail(outPath, QStringLiteral("cannot be encoded"));
    return WriteAll(outPath, *bytes);
}

// The zoomed size, or nothing when a raster cannot be that large.
std::optional<QSize> ZoomedSize(const PcxImage &image, int f)
{
    const qint64 width = qint64(image.width()) * f;
    const qint64 height = qint64(image.height()) * f;
    if (width > 32767 * 4 || height > 32767 * 4)
        return std::nullopt;
    return QSize(int(width), int(height));
}

// The screen window's drawing of the whole image, in 32-bit colour.
std::optional<QImage> RgbRender(const PcxImage &image, int f, const ColorTable &table)
{
    const std::optional<QSize> size = ZoomedSize(image, f);
    QImage raster;
    if (size)
        raster = QImage(*size, QImage::Format_RGB32);
    if (raster.isNull())
        return std::nullopt;
    // A drawing area exactly the size of the zoomed image shows all of it.
    const DrawAxis ax = PlanDrawAxis(image.UB1, f, raster.width(), 0);
    const DrawAxis ay = PlanDrawAxis(image.UB2, f, raster.height(), 0);
    FillView(raster.bits(), raster.bytesPerLine(), raster.width(), raster.height(), image, table,
             DrawView{ax.offset, ay.offset, ax.last, ay.last, f});
    return raster;
}

int Render(const QString &path, const QString &actPath, int percent, bool rgb,
           const QString &outPath)
{
    QByteArray bytes;
    DecodedPicture pcx;
    QString why;
    if (!Open(path, bytes, pcx, why))
        return Fail(path, why);
    PalletArray pallet{};
    ApplyActBytes(pallet, pcx.palette, pcx.palette.size());
    if (!actPath.isEmpty() && !ApplyPaletteFile(actPath, pallet, why))
        return Fail(actPath, why);
    const std::optional<ExportFormat> format = ExportFormatForName(outPath);
    if (format && *format != ExportFormat::Png)
        return RenderIndexed(pcx.image, ZoomFactor(percent), pallet, *format, outPath, pcx.cycles);

    const int f = ZoomFactor(percent);
    const ColorTable table = BuildColorTable(pallet, -1);
    if (!ZoomedSize(pcx.image, f))
        return Fail(path, QStringLiteral("the zoomed image is too large to render"));
    if (!rgb) {
        // The stored values as indices into the drawing's colours: a quarter
        // of the bytes of 32-bit colour, the same pixels.
        const PngTable cycling{256, -1, CycleRecords(pcx.cycles)};
        return Write(outPath, [&](QIODevice &out) {
            return WriteIndexedPng(out, pcx.image, f, table, cycling);
        });
    }
    const std::optional<QImage> image = RgbRender(pcx.image, f, table);
    if (!image)
        return Fail(path, QStringLiteral("the zoomed image is too large to render"));
    // Encoded apart from the file: Qt's PNG writer reports a failed write on stderr.
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !image->save(&buffer, "PNG"))
        return Fail(outPath, QStringLiteral("cannot be encoded"));
    return WriteAll(outPath, png);
}

} // namespace

int main(int argc, char **argv)
{
    // Past a file size limit (ulimit -f) a write fails with a reason to
    // report, rather than ending the process without a word.
    std::signal(SIGXFSZ, SIG_IGN);
    QCoreApplication app(argc, argv);
    // Image plug-ins report harmless oddities of other programs' files (an
    // ICC profile libpng dislikes) on stderr; a refusal comes back as a value.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio*=false"));
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty())
        return Usage();
    const QString command = args.takeFirst();

    if (command == QLatin1String("info")) {
        if (args.size() != 1)
            return Usage(QStringLiteral("info takes one file"), command);
        return Info(args[0]);
    }
    if (command == QLatin1String("palette")) {
        QString problem;
        const std::optional<PaletteJob> job = ParsePaletteJob(args, problem);
        return job ? Palette(*job) : Usage(problem, command);
    }
    if (command == QLatin1String("render")) {
        QString act;
        int percent = 100;
        bool rgb = false;
        QStringList files;
        for (int i = 0; i < args.size(); ++i) {
            const QString &a = args[i];
            QString value;
            bool isPalette = false;
            bool isZoom = false;
            if (a == QLatin1String("--rgb")) {
                rgb = true;
                continue;
            }
            if (a == QLatin1String("--palette") || a == QLatin1String("--zoom")) {
                if (i + 1 >= args.size())
                    return Usage(a + QStringLiteral(" needs a value"), command);
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
                return Usage(QStringLiteral("unknown option ") + a, command);
            } else {
                files << a;
                continue;
            }
            if (isPalette) {
                act = value;
            } else if (isZoom) {
                const std::optional<int> z = ReadWholeInRange(value, 100, 400);
                if (!z)
                    return Usage(QStringLiteral("--zoom must be a number from 100 to 400"),
                                 command);
                percent = *z;
            }
        }
        if (files.size() != 2)
            return Usage(QStringLiteral("render takes an image and an output file"), command);
        return Render(files[0], act, percent, rgb, files[1]);
    }
    if (command == QLatin1String("convert")) {
        QString problem;
        const int status = Convert(args, problem);
        return status < 0 ? Usage(problem, command) : status;
    }
    if (command == QLatin1String("cycle")) {
        QString problem;
        const int status = Cycle(args, problem);
        return status < 0 ? Usage(problem, command) : status;
    }
    if (command == QLatin1String("tables")) {
        QString problem;
        const int status = Tables(args, problem);
        return status < 0 ? Usage(problem, command) : status;
    }
    if (command == QLatin1String("tidy")) {
        QString problem;
        const int status = Tidy(args, problem);
        return status < 0 ? Usage(problem, command) : status;
    }
    if (command == QLatin1String("--help") || command == QLatin1String("-h") ||
        (command == QLatin1String("help") && args.isEmpty())) {
        out() << ToolHelp() << Qt::flush;
        return 0;
    }
    if (command == QLatin1String("help")) {
        if (args.size() != 1)
            return Usage(QStringLiteral("help takes one command"));
        const std::optional<QString> help = CommandHelp(args[0]);
        if (!help)
            return Usage(QStringLiteral("help: %1 is not a command").arg(args[0]));
        out() << *help << Qt::flush;
        return 0;
    }
    if (command == QLatin1String("--version")) {
        out() << VersionLine(QStringLiteral("palmiro-tool")) << Qt::flush;
        return 0;
    }
    return Usage(QStringLiteral("unknown command ") + command);
}
