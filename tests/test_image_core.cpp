#include "base/FileBytes.h"
#include "formats/Crc32.h"
#include "formats/ImageExport.h"
#include "formats/IndexedPng.h"
#include "formats/PaletteFormats.h"
#include "formats/PcxReader.h"
#include "model/ActApply.h"
#include "model/PaletteOps.h"
#include "model/PcxAdjust.h"
#include "model/Render.h"
#include "model/ScrollMath.h"
#include "support/PaletteKit.h"
#include "support/PcxBuilder.h"
#include "support/TestFiles.h"

#include <QtTest>

#include <atomic>
#include <fcntl.h>
#include <random>
#include <thread>
#include <unistd.h>

Q_DECLARE_METATYPE(PictureRefusal)

namespace {

using L = QList<int>;

// Each argument starting with a placeholder gets its path instead: a
// temporary folder's random name may hold the same capitals.
QStringList Placed(QStringList args, const QList<std::pair<QString, QString>> &paths)
{
    for (QString &a : args)
        for (const auto &[key, path] : paths)
            if (a.startsWith(key)) {
                a = path + a.mid(key.size());
                break;
            }
    return args;
}

QByteArray Pixels(const PixelBuffer &v)
{
    return QByteArray(reinterpret_cast<const char *>(v.data()), qsizetype(v.size()));
}

QByteArray Pixels(const PcxImage &image)
{
    QByteArray out(image.width() * image.height(), 0);
    for (int y = 0; y < image.height(); ++y)
        image.copyRow(y, reinterpret_cast<quint8 *>(out.data()) + y * image.width());
    return out;
}

QByteArray With(QByteArray file, std::initializer_list<std::pair<int, int>> bytes)
{
    for (auto [at, v] : bytes)
        file[at] = char(v);
    return file;
}

QByteArray RgbBytes(const QImage &image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    QByteArray out;
    for (int y = 0; y < rgb.height(); ++y)
        out.append(reinterpret_cast<const char *>(rgb.constScanLine(y)), rgb.width() * 3);
    return out;
}

// One column "r" of whole numbers per row, the row named by them.
void Rows(std::initializer_list<QList<int>> rows)
{
    QTest::addColumn<QList<int>>("r");
    for (const QList<int> &r : rows) {
        QString name;
        for (int v : r)
            name += QString::number(v) + ' ';
        QTest::newRow(qPrintable(name)) << r;
    }
}

// The file with the size in its header set to w x h: a PNG's (its checksum
// made again) or a JPEG's frame.
QByteArray Resized(QByteArray file, quint32 w, quint32 h)
{
    if (file.startsWith("\x89PNG")) {
        qToBigEndian(w, file.data() + 16);
        qToBigEndian(h, file.data() + 20);
        qToBigEndian(Crc32(0, reinterpret_cast<const quint8 *>(file.data()) + 12, 17),
                     file.data() + 29);
    } else {
        const qsizetype sof = file.indexOf("\xFF\xC0") + 5;
        qToBigEndian(quint16(h), file.data() + sof);
        qToBigEndian(quint16(w), file.data() + sof + 2);
    }
    return file;
}

PalletArray RampRed() // entry 10 red
{
    PalletArray p = Ramp();
    p[10].set(255, 0, 0);
    return p;
}

} // namespace

class TestImageCore : public QObject {
    Q_OBJECT
private slots:
    // Refused with only the header back, or decoded to the expected pixels.
    void readPcx_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<PictureRefusal>("refusal");
        QTest::addColumn<QByteArray>("pixels"); // empty: not compared
        const QByteArray ok = MakePcx(0, 0, Bytes({7})), pair = Bytes({0xFF, 1});
        const auto row = [](const char *name, QByteArray f, PictureRefusal e, QByteArray px = {}) {
            QTest::newRow(name) << f << e << px;
        };
        const auto decoded = [&](const char *name, QByteArray f, QByteArray px) {
            row(name, f, PictureRefusal::None, px);
        };
        decoded("version 99 and 0x0102 x 1 are fine",
                With(MakePcx(0x0102, 0, pair.repeated(5)), {{1, 99}}), QByteArray(259, 1));
        row("manufacturer 11", With(ok, {{0, 11}}), PictureRefusal::NotRunLength);
        row("encoding 0", With(ok, {{2, 0}}), PictureRefusal::NotRunLength);
        row("24-bit", With(ok, {{65, 3}}), PictureRefusal::NotIndexed8);
        row("1-bit", With(ok, {{3, 1}}), PictureRefusal::NotIndexed8);
        row("empty", {}, PictureRefusal::TooShort);
        row("header only", ok.left(kHeaderSize), PictureRefusal::TooShort);
        row("895 bytes", ok.left(895), PictureRefusal::TooShort);
        row("all bytes 0xFF", QByteArray(4096, '\xff'), PictureRefusal::NotRunLength);
        row("data ends early", MakePcx(9, 0, Bytes({0xC9, 1})), PictureRefusal::DataEndsEarly);
        row("no data", MakePcx(0, 0, {}), PictureRefusal::SizeBeyondData);
        row("run needs the palette", MakePcx(1, 0, Bytes({4, 0xC1})),
            PictureRefusal::DataEndsEarly);
        row("64 from a pair", MakePcx(63, 0, pair), PictureRefusal::SizeBeyondData);
        decoded("64 from three bytes", MakePcx(63, 0, pair + '\2'), QByteArray(63, 1) + '\2');
        row("65 from three bytes", MakePcx(64, 0, pair + '\2'), PictureRefusal::SizeBeyondData);
        row("65535 x 65535 bomb", MakePcx(65535, 65535, QByteArray(64, '\xff')),
            PictureRefusal::SizeBeyondData);
        decoded("BF, C0 are pixels", MakePcx(2, 0, Bytes({0xBF, 0xC0, 5})), Bytes({0xBF, 0xC0, 5}));
        decoded("C0 early in a long line", MakePcx(99, 0, Bytes({0xC0}) + QByteArray(99, 5)),
                Bytes({0xC0}) + QByteArray(99, 5));
        decoded("run cut at the end, rest ignored", MakePcx(5, 0, Bytes({1, 2, 0xCA, 9, 0xFF})),
                Bytes({1, 2, 9, 9, 9, 9}));
        decoded("Xmin is ignored", With(MakePcx(9, 0, Bytes({0xCA, 4})), {{4, 5}}),
                QByteArray(10, 4));
        QByteArray data, want; // runs of 1 to 63 among spans of literals, 0xC0 one of them
        for (int i = 0; want.size() < 5000; ++i) {
            const int n = i % (i < 200 ? 3 : 37) ? 1 : i % 63 + 1, v = i * 37 % 256;
            data += n > 1 || v > 0xC0 ? Bytes({0xC0 | n, v}) : Bytes({v});
            want += QByteArray(n, char(v));
        }
        decoded("long rows", MakePcx(99, 49, data), want.left(5000));
        row("padding shears rows", MakePcx(2, 2, Bytes({1, 2, 3, 0, 4, 5, 6, 0, 7, 8}), 4),
            PictureRefusal::None, Bytes({1, 2, 3, 0, 4, 5, 6, 0, 7}));
    }
    void readPcx()
    {
        QFETCH(QByteArray, file);
        QFETCH(PictureRefusal, refusal);
        QFETCH(QByteArray, pixels);
        const DecodedPicture pcx = ReadPcx(file);
        QCOMPARE(pcx.refusal, refusal);
        QVERIFY(!PictureRefusalText(refusal).isEmpty());
        if (refusal != PictureRefusal::None) // only the header comes back
            QVERIFY(pcx.palette.isEmpty() && pcx.decoded.empty() && pcx.image.UB1 == 0);
        if (pixels.isEmpty())
            return;
        QCOMPARE(Pixels(pcx.decoded), pixels);
        QCOMPARE(Pixels(pcx.image), pixels);
        // The palette is stored backwards: entry 255 - k holds the file's colour k.
        QCOMPARE(pcx.palette.left(3) + pcx.palette.mid(3 * (255 - 7), 3),
                 Bytes({255, 0, 249, 7, 248, 49}));
    }

    void unreadablePaths()
    {
        QVERIFY(!ReadWholeFile("/no/such.pcx") && !ReadWholeFile("/") &&
                !ReadWholeFile(kUnreadableFile));
    }

#ifdef PALMIRO_TOOL
    // A write the system refuses (past a file size limit set in the child
    // alone, with room for none or part of the file) leaves the old file and
    // no temporary, and says why.
    void toolKeepsOldFile_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("limit");
        QTest::newRow("indexed PNG, no room") << QStringList{"render", "IN", "OUT.png"} << 0;
        QTest::newRow("indexed PNG, room runs out")
            << QStringList{"render", "IN", "OUT.png"} << 100;
        QTest::newRow("RGB PNG") << QStringList{"render", "IN", "--rgb", "OUT.png"} << 0;
        QTest::newRow("palette, room runs out") << QStringList{"palette", "IN", "OUT.gpl"} << 100;
    }
    void toolKeepsOldFile()
    {
        QFETCH(QStringList, args);
        QFETCH(int, limit);
        QTemporaryDir tmp;
        args =
            Placed(args, {{"IN", WriteFile(tmp.filePath("in.pcx"), MakePcx(1, 0, Bytes({1, 2})))},
                          {"OUT", tmp.filePath("out")}});
        const QString out = WriteFile(args.last(), "old");
        QProcess tool;
        tool.setChildProcessModifier([limit] {
            std::signal(SIGXFSZ, SIG_DFL);
            const rlimit lowered{rlim_t(limit), rlim_t(limit)};
            ::setrlimit(RLIMIT_FSIZE, &lowered);
        });
        tool.start(PALMIRO_TOOL, args);
        QVERIFY(tool.waitForFinished());
        QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
        QCOMPARE(tool.exitCode(), 1);
        QCOMPARE(tool.readAllStandardError(),
                 "palmiro-tool: " + out.toUtf8() + ": cannot be written: File too large\n");
        QCOMPARE(ReadWholeFile(out), "old");
        QCOMPARE(QDir(tmp.path()).entryList(QDir::Files).size(), 2);
    }

    // Another program writes two versions of a 12 MB picture over the one the tool opens, cutting
    // it each time: every run reads the file or refuses it as cut, and none ends by a signal.
    void toolOpensRewrittenFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("args");
        const QStringList info{"info", "IN"};
        QTest::newRow("BMP") << "in.bmp" << info;
        QTest::newRow("PNG") << "in.png" << info;
        QTest::newRow("GIF") << "in.gif" << info;
        QTest::newRow("PCX") << "in.pcx" << QStringList{"render", "IN", "OUT"};
        QTest::newRow("JPEG") << "in.jpg"
                              << QStringList{"convert", "--colours", "2", "-o", "OUT", "IN"};
    }
    void toolOpensRewrittenFile()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, args);
        QTemporaryDir tmp;
        const QString path = tmp.filePath(name);
        std::mt19937_64 noise(7);
        QByteArray versions[2];
        for (int v = 0; v < 2; ++v) {
            const bool jpeg = name.endsWith("jpg");
            const int side = jpeg ? 256 : v ? 2000 : 3500;
            QImage rgb(side, side, QImage::Format_RGB888);
            for (qsizetype i = 0; i + 8 <= rgb.sizeInBytes(); i += 8) {
                const quint64 word = noise();
                std::memcpy(rgb.bits() + i, &word, 8);
            }
            if (jpeg) {
                // Made large by comments, which the decoder skips, so that converting is quick.
                QByteArray small;
                QBuffer out(&small);
                QVERIFY(out.open(QIODevice::WriteOnly) && rgb.save(&out, "JPG", 100));
                const QByteArray comment = "\xFF\xFE\xFF\xFF" + QByteArray(65533, 'c');
                versions[v] = small.left(2) + comment.repeated(v ? 60 : 185) + small.mid(2);
                continue;
            }
            const QByteArray pixels(reinterpret_cast<const char *>(rgb.constBits()), side * side);
            versions[v] = *EncodeImage(*ExportFormatForName(name),
                                       PcxImage(MakePixels(pixels), side, side, side), Ramp());
        }
        QVERIFY(versions[0].size() > 11'000'000);
        std::atomic<bool> done{false};
        std::thread rewriter([&] {
            for (int v = 0; !done; v ^= 1) {
                const int fd = open(qPrintable(path), O_WRONLY | O_CREAT | O_TRUNC, 0600);
                for (qsizetype at = 0; at < versions[v].size(); at += 1 << 20)
                    (void)!write(fd, versions[v].data() + at,
                                 std::size_t(qMin<qsizetype>(1 << 20, versions[v].size() - at)));
                // Whole for a while, then cut.
                std::this_thread::sleep_for(std::chrono::milliseconds(60));
                (void)!ftruncate(fd, versions[v].size() / 3);
                close(fd);
            }
        });
        QStringList ends;
        for (int batch = 0; batch < 5; ++batch) {
            QProcess tools[4];
            for (int i = 0; i < 4; ++i)
                tools[i].start(
                    PALMIRO_TOOL,
                    Placed(args, {{"IN", path}, {"OUT", tmp.filePath(u"%1.png"_qs.arg(i))}}));
            for (QProcess &tool : tools) {
                tool.waitForFinished(60000);
                ends += tool.exitStatus() == QProcess::NormalExit
                            ? u"exit %1"_qs.arg(tool.exitCode())
                            : u"signal %1"_qs.arg(QString(tool.readAllStandardError()));
            }
        }
        done = true;
        rewriter.join();
        QVERIFY2(ends.filter(QRegularExpression("exit [01]")) == ends, qPrintable(ends.join(", ")));
    }
#endif

    // info names the kind of a file the editor does not open, whole or cut,
    // with its size when its header holds one, and exits 1.
    void toolInfo_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("expected"); // what follows the size line
        const auto saved = [](const char *format) {
            QImage picture(8, 4, QImage::Format_RGB32);
            picture.fill(Qt::red);
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            picture.save(&buffer, format);
            return bytes;
        };
        const auto row = [](const char *name, const QByteArray &file, const char *kind,
                            const char *size) {
            QTest::newRow(name) << file
                                << u"format: %1\n%2verdict: refused: %1 opens only "
                                   u"through convert\n"_qs.arg(kind, size);
        };
        row("JPEG", saved("JPG"), "JPEG", "image: 8 x 4\n");
        row("JPEG, cut", saved("JPG").left(100), "JPEG", "");
        row("PPM, cut", saved("PPM").left(8), "PPM", "image: 8 x 4\n");
        row("XPM, cut", saved("XPM").left(12), "XPM", "");
        QTest::newRow("unknown") << QByteArray("hello\n")
                                 << "format: unknown\nverdict: refused: not a PCX, PNG, BMP "
                                    "or GIF file\n";
        QTest::newRow("PCX") << MakePcx(0, 0, Bytes({7})) << "format: PCX\nManufacturer: 10\n";
        QTest::newRow("PNG past the limit")
            << Resized(*EncodeImage(ExportFormat::Png, PcxImage(MakePixels(Bytes({0})), 1, 1, 1),
                                    Ramp()),
                       20000, 20000)
            << "format: PNG\nverdict: refused: a picture of 20000 x 20000 pixels is too large: "
               "at most 268435456 pixels (16384 x 16384) and 65536 a side\n";
    }
    void toolInfo()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, expected);
        QTemporaryDir tmp;
        QProcess tool;
        tool.start(PALMIRO_TOOL, {"info", WriteFile(tmp.filePath("in"), file)});
        QVERIFY(tool.waitForFinished());
        const QString out = QString(tool.readAllStandardOutput()).section(" bytes\n", 1);
        QVERIFY2(out.startsWith(expected), qPrintable(out));
        QCOMPARE(tool.exitCode(), expected.contains("refused") ? 1 : 0);
    }

    // A wrong command line: the problem named, then the command's own usage; every command's
    // when there is no command to speak of.
    void toolUsage_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("problem");
        QTest::addColumn<QString>("usage"); // the start of the next line
        const auto row = [](const char *name, const QStringList &args, const char *problem,
                            const char *usage) { QTest::newRow(name) << args << problem << usage; };
        row("render", {"render", "in", "--bogus", "out.png"}, "unknown option --bogus",
            "usage: palmiro-tool render IMAGE ");
        row("tidy", {"tidy", "in", "out.png", "--shuffle", "1"}, "unknown option --shuffle",
            "usage: palmiro-tool tidy IMAGE ");
        row("palette", {"palette", "in", "out", "--as", "snes"},
            "--as must be vga, bgr555, md or amiga", "usage: palmiro-tool palette ");
        row("help nosuch", {"help", "nosuch"}, "help: nosuch is not a command", "usage:");
        row("no such command", {"nosuch"}, "unknown command nosuch", "usage:");
    }
    void toolUsage()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, problem);
        QFETCH(QString, usage);
        QProcess tool;
        tool.start(PALMIRO_TOOL, args);
        QVERIFY(tool.waitForFinished());
        QCOMPARE(tool.exitCode(), 2);
        const QStringList lines = QString(tool.readAllStandardError()).split('\n');
        QCOMPARE(lines.value(0), "palmiro-tool: " + problem);
        QVERIFY2(lines.value(1).startsWith(usage), qPrintable(lines.value(1)));
        // Every command's synopsis, or none but the command's.
        QCOMPARE(lines.filter("  palmiro-tool cycle ").size(), usage == "usage:" ? 1 : 0);
    }

    // Each command writing into a folder that is not there says so, by the folder's name.
    void toolMissingFolder_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("render") << QStringList{"render", "IN", "OUT.png"};
        QTest::newRow("convert") << QStringList{"convert", "--colours", "2", "-o", "OUT.png", "IN"};
        QTest::newRow("tidy") << QStringList{"tidy", "IN", "OUT.png", "--unused-to-end"};
        QTest::newRow("cycle") << QStringList{"cycle", "IN", "OUT.gif", "--range", "0-1:1"};
    }
    void toolMissingFolder()
    {
        QFETCH(QStringList, args);
        QTemporaryDir tmp;
        const QString in = WriteFile(tmp.filePath("in.pcx"), MakePcx(1, 0, Bytes({1, 2})));
        const QString folder = tmp.filePath("gone");
        QProcess tool;
        tool.start(PALMIRO_TOOL, Placed(args, {{"IN", in}, {"OUT", folder + "/out"}}));
        QVERIFY(tool.waitForFinished());
        QCOMPARE(tool.exitCode(), 1);
        QCOMPARE(QString(tool.readAllStandardError()).section(": ", 2),
                 u"the folder %1 is missing\n"_qs.arg(folder));
    }

    // Tidying a picture of five pixels (entries 3, 1, 3, 0, 2; 2 and 3 one colour): the exit
    // status, whether the output looks as the input does, the colours it shows.
    void toolTidy_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("same");
        QTest::addColumn<int>("colours");
        const auto row = [](const char *name, const QStringList &args, int status, bool same = true,
                            int colours = 3) {
            QTest::newRow(name) << args << status << same << colours;
        };
        row("sort", {"--sort", "lightness", "OUT.bmp"}, 0);
        row("duplicates 3-0", {"--merge-duplicates", "--range", "3-0", "OUT.png"}, 0);
        row("reduce 1 of 0-1", {"--reduce", "1", "--range", "0-1", "OUT.png"}, 0, false, 2);
        row("two steps", {"--reduce", "1", "--unused-to-end", "OUT.png"}, 2);
        row("jpeg out", {"--unused-to-end", "OUT.jpg"}, 2);
    }
    void toolTidy()
    {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QTemporaryDir tmp;
        QImage in(5, 1, QImage::Format_Indexed8);
        in.setColorTable({qRgb(250, 250, 250), qRgb(10, 20, 30), qRgb(90, 0, 0), qRgb(90, 0, 0)});
        for (int x = 0; x < 5; ++x)
            in.setPixel(x, 0, uint(L{3, 1, 3, 0, 2}[x]));
        in.save(tmp.filePath("in.png"));
        args.replaceInStrings("OUT", tmp.filePath("out"));
        QProcess tool;
        tool.start(PALMIRO_TOOL, QStringList{"tidy", tmp.filePath("in.png")} + args);
        QVERIFY(tool.waitForFinished());
        QCOMPARE(tool.exitCode(), status);
        if (status)
            return;
        QFETCH(bool, same);
        QFETCH(int, colours);
        const QImage got = QImage(args.last()).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(got == in.convertToFormat(QImage::Format_RGB32), same);
        const auto *px = reinterpret_cast<const QRgb *>(got.constBits());
        QCOMPARE(QSet<QRgb>(px, px + 5).size(), colours);
    }

    // Five pixels: near red, green, blue and white, then one see-through.
    void toolConvert_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<L>("indices");   // empty: the colours must be the picture's own
        QTest::addColumn<int>("entries"); // the PNG's table
        QTest::addColumn<int>("transparent");
        QTest::addColumn<QString>("error"); // all stderr holds
        const QStringList fixed{"--palette", "PAL", "--dither", "none", "-o"};
        QTest::newRow("fixed palette") << fixed + QStringList{"OUT/a.png", "IN"} << 0 << "a.png"
                                       << L{1, 2, 3, 4, 0} << 5 << -1 << "";
        QTest::newRow("24-bit BMP") << fixed + QStringList{"OUT/a.png", "OUT/in.bmp"} << 0
                                    << "a.png" << L{1, 2, 3, 4, 0} << 5 << -1 << "";
        QTest::newRow("range") << QStringList{"--range", "5-9"} + fixed +
                                      QStringList{"OUT/a.png", "IN"}
                               << 0 << "a.png" << L{6, 7, 8, 9, 5} << 10 << -1 << "";
        QTest::newRow("transparent")
            << QStringList{"--transparent", "7"} + fixed + QStringList{"OUT/a.png", "IN"} << 0
            << "a.png" << L{1, 2, 3, 4, 7} << 8 << 7 << "";
        QTest::newRow("new palette exact")
            << QStringList{"--colours", "8", "--range", "10-19", "-o", "OUT/a.png", "IN"} << 0
            << "a.png" << L{} << 15 << -1 << "";
        QTest::newRow("--colors") << QStringList{"--colors", "8", "-o", "OUT/a.png", "IN"} << 0
                                  << "a.png" << L{} << 5 << -1 << "";
        QTest::newRow("folder, one unreadable")
            << QStringList{"--quiet"} + fixed + QStringList{"OUT/dir/", "IN", "OUT/bad.bmp"} << 1
            << "dir/in.png" << L{1, 2, 3, 4, 0} << 5 << -1
            << "palmiro-tool: OUT/bad.bmp: the file ends inside its headers (2 bytes)\n";
        // Truecolour files each refused by their kind of damage, before any allocation when
        // their header is past 2^28 pixels.
        for (const auto &[name, why] :
             {std::pair{"empty.png", "the file is empty"},
              {"cut.png", "the file ends before the picture is complete"},
              {"huge.png", "a picture of 20000 x 20000 pixels is too large: at most 268435456 "
                           "pixels (16384 x 16384)"},
              {"huge.jpg", "a picture of 16384 x 16385 pixels is too large: at most 268435456 "
                           "pixels (16384 x 16384)"}})
            QTest::newRow(name) << fixed + QStringList{"OUT/a.png", u"OUT/"_qs + name} << 1 << ""
                                << L{} << 0 << -1
                                << u"palmiro-tool: OUT/%1: %2\n"_qs.arg(name, why);
        QTest::newRow("JPEG") << fixed + QStringList{"OUT/a.png", "OUT/in.jpg"} << 0 << "" << L{}
                              << 0 << -1 << "";
        QTest::newRow("range short of the colours")
            << QStringList{"--colours", "8", "--range", "0-3", "-o", "OUT/a.png", "IN"} << 2 << ""
            << L{} << 0 << -1 << "";
        // CYC: PAL in a PNG whose range 1..3 turns, so red, green and blue go to 6..8.
        QTest::newRow("cycled entries left out")
            << QStringList{"--palette", "CYC", "--dither", "none", "-o", "OUT/a.png", "IN"} << 0
            << "a.png" << L{6, 7, 8, 4, 0} << 9 << -1 << "";
        QTest::newRow("cycled entries kept")
            << QStringList{"--keep-cycles", "--no-refine", "--palette", "CYC", "-o",
                           "OUT/a.png",     "IN"}
            << 0 << "a.png" << L{1, 2, 3, 4, 0} << 5 << -1 << "";
        // Only the see-through pixel takes the transparent entry: a new palette goes past it,
        // and onto OWN (the picture's colours at 0..3 and 4..7) green takes 5, not its twin 1.
        QTest::newRow("new palette past E")
            << QStringList{"--colours", "4", "--transparent", "0", "-o", "OUT/a.png", "IN"} << 0
            << "a.png" << L{} << 5 << 0 << "";
        for (const QStringList &dither :
             {QStringList{"none"}, {"fs"}, {"fs", "--no-refine"}, {"bayer4"}})
            QTest::addRow("E's colour a pixel's, %s", qPrintable(dither.join(' ')))
                << QStringList{"--palette", "OWN", "--transparent", "1", "--dither"} + dither +
                       QStringList{"-o", "OUT/a.png", "IN"}
                << 0 << "a.png" << L{0, 5, 2, 3, 1} << 6 << 1 << "";
    }
    void toolConvert()
    {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QTemporaryDir tmp;
        QImage in(5, 1, QImage::Format_RGBA8888);
        const QList<QRgb> colours{qRgb(200, 30, 20), qRgb(20, 200, 30), qRgb(30, 20, 200),
                                  qRgb(240, 240, 240), qRgba(0, 0, 0, 0)};
        for (int x = 0; x < 5; ++x)
            in.setPixel(x, 0, colours[x]);
        in.save(tmp.filePath("in.png"));
        in.convertToFormat(QImage::Format_RGB888).save(tmp.filePath("in.bmp"));
        const QByteArray five("\0\0\0\xff\0\0\0\xff\0\0\0\xff\xff\xff\xff", 15);
        const QByteArray act = (five + five).leftJustified(768, '\0');
        QByteArray own;
        for (int k = 0; k < 8; ++k)
            own.append(char(qRed(colours[k % 4])))
                .append(char(qGreen(colours[k % 4])))
                .append(char(qBlue(colours[k % 4])));
        PalletArray pal{};
        ApplyActBytes(pal, act, act.size());
        args = Placed(args,
                      {{"PAL", WriteFile(tmp.filePath("pal.act"), act)},
                       {"CYC", WriteFile(tmp.filePath("cyc.png"),
                                         *EncodeImage(ExportFormat::Png,
                                                      ::PcxImage(MakePixels(Bytes({0})), 1, 1, 1),
                                                      pal, {}, {{1, 3, 1.0, false, true}}))},
                       {"OWN", WriteFile(tmp.filePath("own.act"), own)},
                       {"IN", tmp.filePath("in.png")},
                       {"OUT", tmp.path()}});
        WriteFile(tmp.filePath("bad.bmp"), "BM");
        const auto encoded = [&in](const char *format) {
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            in.save(&buffer, format);
            return bytes;
        };
        const QByteArray png = encoded("PNG"), jpeg = encoded("JPG");
        WriteFile(tmp.filePath("empty.png"), {});
        WriteFile(tmp.filePath("cut.png"), png.chopped(20));
        WriteFile(tmp.filePath("huge.png"), Resized(png, 20000, 20000));
        WriteFile(tmp.filePath("in.jpg"), jpeg);
        WriteFile(tmp.filePath("huge.jpg"), Resized(jpeg, 16384, 16385));
        QProcess tool;
        tool.start(PALMIRO_TOOL, QStringList{"convert"} + args);
        QVERIFY(tool.waitForFinished());
        QCOMPARE(tool.exitCode(), status);
        QFETCH(QString, error);
        if (status != 2)
            QCOMPARE(QString(tool.readAllStandardError()), error.replace("OUT", tmp.path()));
        QFETCH(QString, out);
        if (out.isEmpty())
            return;
        QFETCH(L, indices);
        QFETCH(int, entries);
        QFETCH(int, transparent);
        const QImage got(tmp.filePath(out));
        QCOMPARE(got.format(), QImage::Format_Indexed8);
        QCOMPARE(got.colorCount(), entries);
        for (int x = 0; x < 5; ++x) {
            if (!indices.isEmpty())
                QCOMPARE(got.pixelIndex(x, 0), indices[x]);
            else if (x < 4 || transparent < 0)
                QCOMPARE(got.pixel(x, 0), colours[x] | 0xff000000u);
            else
                QCOMPARE(got.pixelIndex(x, 0), transparent);
        }
        for (int e = 0; e < entries; ++e)
            QCOMPARE(qAlpha(got.color(e)) == 0, e == transparent);
    }

    // Where convert's -o sends the pictures (IN and TWO) and as what: the files made, each with
    // the format its bytes show; a refusal is one line and writes nothing.
    void toolConvertOut_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("made");
        const auto row = [](const char *name, const QStringList &args, int status,
                            const QStringList &made = {}) {
            QTest::newRow(name) << args << status << made;
        };
        row("a folder there, one picture", {"-o", "OUT/there", "IN"}, 0, {"there/in.png png"});
        row("a new folder, one picture", {"-o", "OUT/new/", "IN"}, 0, {"new/in.png png"});
        row("gif into a folder", {"--format", "gif", "-o", "OUT/there", "IN", "TWO"}, 0,
            {"there/in.gif gif", "there/two.gif gif"});
        row("one file, two pictures", {"-o", "OUT/o.png", "IN", "TWO"}, 2);
        row("extension and --format disagree", {"--format", "pcx", "-o", "OUT/fmt.png", "IN"}, 2);
        row("an extension of no format", {"-o", "OUT/o.jpg", "IN"}, 2);
    }
    void toolConvertOut()
    {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QStringList, made);
        QTemporaryDir tmp;
        QImage in(2, 1, QImage::Format_RGB32);
        in.fill(Qt::red);
        in.save(tmp.filePath("in.png")), in.save(tmp.filePath("two.png"));
        QVERIFY(QDir(tmp.path()).mkdir("there"));
        QProcess tool;
        tool.start(PALMIRO_TOOL, QStringList{"convert", "--quiet", "--colours", "2"} +
                                     Placed(args, {{"IN", tmp.filePath("in.png")},
                                                   {"TWO", tmp.filePath("two.png")},
                                                   {"OUT", tmp.path()}}));
        QVERIFY(tool.waitForFinished());
        QCOMPARE(tool.exitCode(), status);
        QCOMPARE(tool.readAllStandardError().count('\n'), status ? 1 : 0);
        QStringList got;
        for (QDirIterator it(tmp.path(), QDir::Files, QDirIterator::Subdirectories);
             it.hasNext();) {
            const QString path = it.next(), name = QDir(tmp.path()).relativeFilePath(path);
            const QByteArray head = ReadWholeFile(path).value_or(QByteArray()).left(4);
            if (name != "in.png" && name != "two.png")
                got << name + (head == "\x89PNG"        ? " png"
                               : head.startsWith("GIF") ? " gif"
                               : head.startsWith("BM")  ? " bmp"
                               : head.startsWith('\n')  ? " pcx"
                                                        : " ?");
        }
        got.sort();
        QCOMPARE(got, made);
    }

    // Of two pictures or more, each is named on stderr as it starts; --quiet says nothing.
    void toolConvertProgress_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("expected");
        QTest::newRow("two") << QStringList{"a.png", "b.png"} << "[1/2] a.png\n[2/2] b.png\n";
        QTest::newRow("two, --quiet") << QStringList{"--quiet", "a.png", "b.png"} << "";
        QTest::newRow("one") << QStringList{"a.png"} << "";
    }
    void toolConvertProgress()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, expected);
        QTemporaryDir tmp;
        QImage in(2, 1, QImage::Format_RGB32);
        in.fill(Qt::red);
        in.save(tmp.filePath("a.png")), in.save(tmp.filePath("b.png"));
        QProcess tool;
        tool.setWorkingDirectory(tmp.path());
        tool.start(PALMIRO_TOOL,
                   QStringList{"convert", "--colours", "2", "--jobs", "1", "-o", "out/"} + args);
        QVERIFY(tool.waitForFinished());
        QCOMPARE(tool.exitCode(), 0);
        QCOMPARE(QString(tool.readAllStandardError()), expected);
    }

    // palette --levels snaps each channel; --as and --from name a hardware format, --count cuts.
    void toolPaletteLevels_data()
    {
        QTest::addColumn<QByteArray>("in"); // hex
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("out"); // hex of its start, or the exit status
        const auto row = [](const char *in, QStringList args, const char *out) {
            QTest::newRow(out) << QByteArray(in) << args << QByteArray(out);
        };
        row("c81e64", {"--levels", "3,2,4"}, "ff0055");        // 200→2/2, 30→0/1, 100→1/3
        row("c81e64", {"--as", "md", "--count", "1"}, "062a"); // levels 5, 1, 3 of 8
        row("0f84", {"--from", "amiga"}, "ff8844");
        row("c81e64", {"--levels", "1"}, "2");
    }
    void toolPaletteLevels()
    {
        QFETCH(QByteArray, in);
        QFETCH(QStringList, args);
        QFETCH(QByteArray, out);
        QTemporaryDir tmp;
        QProcess tool;
        tool.start(PALMIRO_TOOL,
                   QStringList{"palette", WriteFile(tmp.filePath("in"), QByteArray::fromHex(in)),
                               tmp.filePath("out.act")} +
                       args);
        QVERIFY(tool.waitForFinished());
        const QByteArray written = ReadWholeFile(tmp.filePath("out.act")).value_or("");
        QCOMPARE(tool.exitCode() ? QByteArray::number(tool.exitCode())
                                 : written.left(out.size() / 2).toHex(),
                 out);
        QCOMPARE(written.size(), tool.exitCode()   ? 0
                                 : out.size() == 4 ? 2
                                                   : 772); // one colour read
    }

    // Fewer colours than 256 are written as many, each format saying how many where it can:
    // the size of the file, the colours read back (-1: not read), and an ACT's count.
    void toolPaletteCount_data()
    {
        QTest::addColumn<QString>("in"); // a picture of 2 colours or a GIMP palette of 3
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("colours");
        const auto row = [](const char *name, const char *in, const QStringList &args, int size,
                            int colours) { QTest::newRow(name) << in << args << size << colours; };
        row("picture to hex", "in.png", {"out.hex"}, 14, 2);
        row("hex, --count 3", "in.png", {"out.hex", "--count", "3"}, 21, 3);
        row("JASC-PAL", "in.gpl", {"out.pal"}, 19 + 3 * 7, 3);
        row("GIMP, --count 16", "in.gpl", {"out.gpl", "--count", "16"}, -1, 16);
        row("ACT", "in.png", {"out.act"}, 772, 256);
        row("Mega Drive", "in.png", {"out.md"}, 4, -1);
    }
    void toolPaletteCount()
    {
        QFETCH(QString, in);
        QFETCH(QStringList, args);
        QFETCH(int, size);
        QFETCH(int, colours);
        QTemporaryDir tmp;
        WriteFile(tmp.filePath("in.gpl"), "GIMP Palette\n1 2 3\n4 5 6\n7 8 9\n");
        QImage picture(2, 1, QImage::Format_Indexed8);
        picture.setColorTable({qRgb(200, 30, 100), qRgb(10, 20, 30)});
        picture.fill(1);
        picture.save(tmp.filePath("in.png"));
        QProcess tool;
        tool.start(PALMIRO_TOOL, QStringList{"palette", tmp.filePath(in)} +
                                     Placed(args, {{"out", tmp.filePath("out")}}));
        QVERIFY(tool.waitForFinished());
        QCOMPARE(tool.exitCode(), 0);
        const QByteArray file = ReadWholeFile(tmp.filePath(args[0])).value_or("");
        if (size >= 0)
            QCOMPARE(file.size(), size);
        if (colours >= 0)
            QCOMPARE(ReadPaletteFile(file, args[0]).rgb.size(), 3 * colours);
        if (size == 772)
            QCOMPARE(file.mid(768).toHex(), "0002ffff");
    }

    // The animated GIF of one period as Pillow reads it: the frames, their delays (ms, none:
    // not checked) and each frame's four pixels, entries 0..3, through the frame's own table.
    void toolCycle_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<L>("fileRanges"); // see Ranges()
        QTest::addColumn<int>("frames");
        QTest::addColumn<L>("delays");
        QTest::newRow("error carried")
            << QStringList{"--range", "0-3:3"} << L{} << 4 << L{330, 340, 330, 330};
        QTest::newRow("the file's two")
            << QStringList{} << L{0, 1, 1000, 0, 1, 2, 3, 400, 1, 1} << 12
            << L{100, 100, 50, 50, 100, 100, 100, 100, 50, 50, 100, 100};
        QTest::newRow("capped") << QStringList{"--range", "0-255:59.99", "--range=0-3:60"} << L{}
                                << 1000 << L{};
    }
    void toolCycle()
    {
        QFETCH(QStringList, args);
        QFETCH(L, fileRanges);
        QFETCH(int, frames);
        QFETCH(L, delays);
        QTemporaryDir tmp;
        const QString in =
            WriteFile(tmp.filePath("in.png"),
                      *EncodeImage(ExportFormat::Png,
                                   ::PcxImage(MakePixels(Bytes({255, 254, 253, 252})), 4, 1, 4),
                                   Ramp(), {}, Ranges(fileRanges)));
        QProcess tool; // through render's indexed PNG, which keeps the ranges
        tool.start(PALMIRO_TOOL, {"render", in, tmp.filePath("r.png")});
        QVERIFY(tool.waitForFinished());
        tool.start(PALMIRO_TOOL,
                   QStringList{"cycle", tmp.filePath("r.png"), tmp.filePath("out.gif")} + args);
        QVERIFY(tool.waitForFinished());
        QCOMPARE(tool.exitCode(), 0);
        QCOMPARE(tool.readAllStandardError().contains("longer than 1000 frames"), delays.isEmpty());
        QProcess pillow;
        pillow.start("/usr/bin/python3",
                     {"-c",
                      "import sys\nfrom PIL import Image\nim = Image.open(sys.argv[1])\n"
                      "print(im.info['loop'], im.n_frames)\nfor f in range(im.n_frames):\n"
                      "  im.seek(f); rgb = im.convert('RGB')\n"
                      "  print(im.info['duration'], *[c for x in range(4) for c in "
                      "rgb.getpixel((x, 0))])",
                      tmp.filePath("out.gif")});
        QVERIFY(pillow.waitForFinished(60000));
        const QStringList lines =
            QString(pillow.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.value(0), QString("0 %1").arg(frames));
        const CycleRanges ranges =
            args.isEmpty() ? Ranges(fileRanges) : CycleRanges{{0, 3, 3.0, false, true}};
        for (int f = 0, ms = 0; f < delays.size(); ms += delays[f++]) {
            const PalletArray shown =
                RotatePallet(Ramp(), ranges, CycleStepsAt(ranges, (ms + 5) / 1000.0));
            QString expected = QString::number(delays[f]);
            for (int x = 0; x < 4; ++x)
                expected += QString(" %1 %2 %3").arg(shown[x].R).arg(shown[x].G).arg(shown[x].B);
            QCOMPARE(lines.value(f + 1), expected);
        }
    }

    // A step of +1 or -1 lays six pixels out one column wider or narrower.
    void adjust_data()
    {
        Rows({{2, 1, 1, 2, 3, 4, 5, 6, 6, 6},
              {2, -1, 1, 2, 3, 4},
              {1, -1, 1, 2, 3, 4},
              {0, 1},
              {2, 2}});
    }
    void adjust()
    {
        QFETCH(QList<int>, r); // ub1 of 2 rows, step, the pixels after (none: no change)
        const PixelBuffer in = MakePixels(Bytes({1, 2, 3, 4, 5, 6}));
        const auto a = AdjustPcxLayout(in, LayOutPcxImage(in, r[0], 1).value(), r[1]);
        const QByteArray out = a ? Pixels(*a) : QByteArray();
        QCOMPARE(QList<int>(out.begin(), out.end()), r.mid(2));
    }

    // Every sample file is accepted or refused as the manifest says and drawn as Pillow does.
    void corpus()
    {
        REQUIRE_TESTDATA();
        QMap<QString, QByteArray> verdicts, pillow; // name -> verdict; -> index and RGB sums
        bool inPcx = false;
        for (const QByteArray &line : ReadTestFile("MANIFEST.md").split('\n')) {
            inPcx = line.startsWith("## ") ? line.contains("PCX") : inPcx;
            const QByteArray verdict = line.split('|').value(16).trimmed();
            if (inPcx && (verdict == "accept" || verdict == "reject"))
                verdicts.insert(line.split('|')[1].trimmed(), verdict);
        }
        QFile sums(QFINDTESTDATA("data/pcx_pillow.sha1"));
        QVERIFY(verdicts.size() >= 30 && sums.open(QIODevice::ReadOnly));
        for (const QByteArray &line : sums.readAll().split('\n'))
            if (line.count(' ') == 2)
                pillow.insert(line.left(line.indexOf(' ')), line.mid(line.indexOf(' ') + 1));
        for (auto it = verdicts.cbegin(); it != verdicts.cend(); ++it) {
            const DecodedPicture pcx = ReadPcx(ReadTestFile("pcx/" + it.key()));
            QCOMPARE(it.key() + (pcx.accepted() ? " accept" : " reject"),
                     it.key() + ' ' + it.value());
            if (!pillow.contains(it.key()))
                continue;
            PalletArray pallet{};
            ApplyActBytes(pallet, pcx.palette, kPaletteSize);
            QImage shown(pcx.image.width(), pcx.image.height(), QImage::Format_RGB32);
            FillView(shown.bits(), shown.bytesPerLine(), shown.width(), shown.height(), pcx.image,
                     BuildColorTable(pallet, -1), {0, 0, shown.width() - 1, shown.height() - 1, 1});
            QCOMPARE(it.key() + ' ' + Sha1(Pixels(pcx.image.pixels)) + ' ' + Sha1(RgbBytes(shown)),
                     it.key() + ' ' + pillow.take(it.key()));
        }
        QVERIFY2(pillow.isEmpty(), qPrintable(pillow.keys().join(' ')));
    }
    // Value v shows entry 255 - v; searching s, all but s and 255 show s's complement.
    void pixelColor_data()
    {
        Rows({{-1, 7, 248, 7, 200},
              {10, 245, 255, 0, 0},
              {10, 0, 255, 0, 249},
              {10, 100, 0, 255, 255},
              {255, 0, 255, 0, 249},
              {255, 5, 0, 255, 6}});
    }
    void pixelColor()
    {
        QFETCH(QList<int>, r); // search, value, r, g, b
        QCOMPARE(GetPixelColor(RampRed(), r[0], quint8(r[1])), PackColor(r[2], r[3], r[4]));
        QCOMPARE(BuildColorTable(RampRed(), r[0])[quint8(r[1])], qRgb(r[2], r[3], r[4]));
    }

    void drawAxis_data()
    {
        Rows({{99, 1, 99, 0, 1, 0, 99, 1},
              {49, 2, 200, 0, 1, 0, 98, 0},
              {500, 2, 100, 3, 0, 2, 100, 1},
              {500, 2, 100, 7, 0, 4, 100, 1},
              {1000, 1, 300, 700, 0, 700, 300, 1},
              {1000, 1, 300, 701, 0, 0, 1000, 0},
              {60000, 4, 1000, 200000, 0, 50000, 1000, 1}});
    }
    void drawAxis()
    {
        QFETCH(QList<int>, r); // ub, f, area, pos, resets, offset, last, usable
        const DrawAxis a = PlanDrawAxis(r[0], r[1], r[2], r[3]);
        QCOMPARE(QList<int>({DrawResetsScroll(r[0], r[1], r[2]), a.offset, a.last, a.usable}),
                 r.mid(4));
    }

    void fill_data()
    {
        Rows({{1, 1, 20, 20, 0, 0, 0, 0, 4},
              {100, 50, 101, 60, 0, 0, 99, 49, 1},
              {300, 200, 118, 90, 5, 3, 101, 73, 2},
              {20, 20, 30, 30, 0, 0, -1, -1, 1},
              {7, 5, 40, 30, 0, 0, 39, 29, 5},
              {20, 20, 60, 60, 15, 18, 59, 59, 2, 47},
              {13, 11, 80, 70, 0, 0, 48, 40, 3, 130}});
    }
    void fill()
    {
        QFETCH(QList<int>, r); // image w, h, raster w, h, view ox, oy, w, h, f
        const ColorTable table = BuildColorTable(RampRed(), -1);
        QByteArray bytes;
        for (int i = 0; i < r[0] * r[1] - r.value(9); ++i) // r[9]: bytes short of w * h
            bytes += char((i % r[0]) * 31 + (i / r[0]) * 17);
        const PcxImage img(MakePixels(bytes), r[0], r[1], std::size_t(r[0]));
        const DrawView v{r[4], r[5], r[6], r[7], r[8]};
        // Blocks start at multiples of f up to w and h; column c shows ox + c / f.
        QImage expected(r[2], r[3], QImage::Format_RGB32), got = expected;
        expected.fill(Qt::black);
        got.fill(Qt::white); // whatever was there before must go
        for (int x = 0; x < r[2]; ++x)
            for (int y = 0; y < r[3]; ++y)
                if (x / v.f * v.f <= v.w && y / v.f * v.f <= v.h && v.ox + x / v.f <= img.UB1 &&
                    v.oy + y / v.f <= img.UB2)
                    expected.setPixel(x, y, table[img.at(v.ox + x / v.f, v.oy + y / v.f)]);
        FillView(got.bits(), got.bytesPerLine(), r[2], r[3], img, table, v);
        QCOMPARE(got, expected);
        UsageCounts used{}; // value v is entry 255 - v
        for (int i = 0; i < r[0] * r[1]; ++i)
            ++used[255 - img.at(i % r[0], i / r[0])];
        QVERIFY(CountUsage(img) == used);
    }

    void scroll_data()
    {
        // 0: maximum; 1: clamped pos; 2, 3: pos, old f, new f, maximum: a new zoom scales
        // (halves to even), then 1 block left or 2 up; 4: ZoomFactor(percent).
        Rows({{0, 99, 1, 116, 0},
              {0, 50, 2, 200, 100},
              {0, 65535, 4, 1017, 261140},
              {1, 130, 1, 117, 45, 30},
              {1, 50, 1, 200, 12, 0},
              {1, 100, 3, 117, 250, 200},
              {2, 100, 4, 4, 1000, 100},
              {2, 50, 1, 2, 100, 100},
              {2, 10, 4, 3, 1000, 5},
              {2, 6, 4, 3, 1000, 1},
              {3, 100000, 1, 4, 1000000, 399992},
              {4, 150, 2},
              {4, 250, 2},
              {4, 251, 3},
              {4, 350, 4},
              // 5: pos, pointer, old f, new f, limit: the point under the pointer stays.
              {5, 0, 0, 1, 2, 1000, 0},
              {5, 0, 100, 1, 2, 1000, 100},
              {5, 100, 60, 2, 3, 1000, 180},
              {5, 101, 60, 2, 3, 1000, 180}, // from the pixel drawn first
              {5, 300, 90, 3, 1, 1000, 40},
              {5, 0, 90, 3, 1, 1000, 0},
              {5, 0, 300, 1, 4, 500, 500}});
    }
    void scroll()
    {
        QFETCH(QList<int>, r);
        QCOMPARE(r[0] == 0   ? ScrollMaximum(r[1], r[2], r[3])
                 : r[0] == 1 ? ClampScroll(r[4], ScrollLimit(r[1], r[2], r[3]))
                 : r[0] == 2 ? RescaledScrollH(r[1], r[2], r[3], r[4])
                 : r[0] == 3 ? RescaledScrollV(r[1], r[2], r[3], r[4])
                 : r[0] == 5 ? AnchoredScroll(r[1], r[2], r[3], r[4], r[5])
                             : ZoomFactor(r[1]),
                 r.last());
    }

    // The tool's PNG of the picture at factor f is the screen window's drawing of it.
    void indexedPng_data()
    {
        Rows({{3, 2, 1, 1, 1},
              {5, 3, 4, 3, 1},
              {1, 1, 0, 2, 1},
              {700, 400, 0, 1, 2},
              {2, 1, 0, 1 << 30, 0}});
    }
    void indexedPng()
    {
        QFETCH(QList<int>, r); // w, h, bytes short of w * h, f, IDAT chunks (0: refused)
        QByteArray bytes;      // noise: more than one chunk of data when large
        for (quint32 i = 0; i < quint32(r[0] * r[1] - r[2]); ++i)
            bytes += char(i * 2654435761u >> 24);
        const PcxImage img(MakePixels(bytes), r[0], r[1], std::size_t(r[0]));
        const ColorTable table = BuildColorTable(RampRed(), -1);
        QBuffer png;
        png.open(QIODevice::WriteOnly);
        QCOMPARE(WriteIndexedPng(png, img, r[3], table), r[4] > 0);
        if (!r[4])
            return;
        QImage shown(r[0] * r[3], r[1] * r[3], QImage::Format_RGB32);
        FillView(shown.bits(), shown.bytesPerLine(), shown.width(), shown.height(), img, table,
                 {0, 0, shown.width() - 1, shown.height() - 1, r[3]});
        QCOMPARE(QImage::fromData(png.data(), "png").convertToFormat(QImage::Format_RGB32), shown);
        QCOMPARE(png.data().count("IDAT"), r[4]);
        QFile full("/dev/full"); // refuses a write too large for its buffer, as a full disk does
        QVERIFY(r[4] < 2 ||
                (full.open(QIODevice::WriteOnly) && !WriteIndexedPng(full, img, r[3], table)));
    }

    void hitTest_data()
    {
        Rows({{50, 50, 2, 0, 0, 3, 5, 1, 2},
              {500, 500, 2, 5, 7, 3, 3, 3, 5},
              {0, 0, 1, 0, 0, 0, 0, -1, -1},
              {0, 9, 1, 0, 0, 0, 4, 0, 4},
              {10, 10, 2, 0, 0, 22, 0, -1, -1},
              {10, 10, 2, 0, 0, 0, 22, -1, -1},
              {10, 10, 2, 0, 0, 1, 21, 0, 10},
              {500, 500, 1, 0, 0, 284, 5, -1, -1},
              {500, 500, 1, 0, 0, 5, 279, -1, -1},
              {500, 500, 1, 0, 0, 283, 278, 283, 278},
              {100, 100, 2, 3, 0, 1, 0, 2, 0}});
    }
    void hitTest()
    {
        QFETCH(QList<int>, r); // ub1, ub2, f, scroll h, v, x, y, column, row (-1: none)
        const auto hit = HitTest(r[0], r[1], r[2], r[3], r[4], r[5], r[6], 300, 295);
        QCOMPARE(hit ? QList<int>({hit->column, hit->row}) : QList<int>({-1, -1}), r.mid(7));
    }
};

QTEST_GUILESS_MAIN(TestImageCore)
#include "test_image_core.moc"
