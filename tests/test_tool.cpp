#include "base/FileBytes.h"
#include "formats/ImageExport.h"
#include "formats/IndexedPng.h"
#include "model/PaletteOps.h"
#include "support/PaletteKit.h"
#include "support/PcxBuilder.h"
#include "support/TestFiles.h"
#include "support/ToolArgs.h"

#include <QtTest>

#include <atomic>
#include <fcntl.h>
#include <random>
#include <thread>
#include <unistd.h>

namespace {

using L = QList<int>;

} // namespace

class TestTool : public QObject {
    Q_OBJECT
private slots:
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
        row("tables", {"tables", "in", "out", "--kind", "wad"},
            "--kind must be colormap, tranmap, playpal, quake-colormap, build-palette or raw",
            "usage: palmiro-tool tables ");
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
        QTest::newRow("tables") << QStringList{"tables", "IN", "OUT", "--kind", "tranmap"};
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

    // Each kind of table from a picture's palette, by its size; the report a line a level.
    void toolTables_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("size");
        QTest::newRow("colormap") << QStringList{"--kind", "colormap", "--match", "classic"}
                                  << 8704;
        QTest::newRow("playpal") << QStringList{"--kind", "playpal", "--tints", "freedoom"}
                                 << 10752;
        QTest::newRow("quake") << QStringList{"--kind", "quake-colormap", "--fade", "#102030"}
                               << 16385;
        QTest::newRow("build") << QStringList{"--kind", "build-palette", "--levels", "16"} << 70402;
        QTest::newRow("raw") << QStringList{"--kind", "raw",          "--levels",
                                            "3",      "--fullbright", "0,9-12"}
                             << 768;
        QTest::newRow("report") << QStringList{"--report", "--levels", "5"} << 7;
    }
    void toolTables()
    {
        QFETCH(QStringList, args);
        QFETCH(int, size);
        QTemporaryDir tmp;
        const QString in = WriteFile(tmp.filePath("in.pcx"), MakePcx(1, 0, Bytes({1, 2})));
        const QString out = tmp.filePath("out");
        QProcess tool;
        tool.start(PALMIRO_TOOL,
                   QStringList{"tables", in} + (args[0] == "--report" ? args : args << out));
        QVERIFY(tool.waitForFinished());
        QCOMPARE(tool.readAllStandardError(), QByteArray());
        QCOMPARE(tool.exitCode(), 0);
        const QByteArray report = tool.readAllStandardOutput();
        QCOMPARE(args[0] == "--report" ? report.count('\n') : QFileInfo(out).size(), size);
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
};

QTEST_GUILESS_MAIN(TestTool)
#include "test_tool.moc"
