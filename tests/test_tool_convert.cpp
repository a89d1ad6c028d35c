#include "base/FileBytes.h"
#include "formats/ActFile.h"
#include "formats/ImageExport.h"
#include "formats/IndexedPng.h"
#include "formats/PaletteFormats.h"
#include "model/ActApply.h"
#include "support/PaletteKit.h"
#include "support/PcxBuilder.h"
#include "support/TestFiles.h"
#include "support/ToolArgs.h"

#include <QtTest>

namespace {

using L = QList<int>;

} // namespace

class TestToolConvert : public QObject {
    Q_OBJECT
private slots:
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

    // --shared: one palette for A, B and a tiny C (each of two colours or one), around START's
    // locked 0 and 1 (black, white) and reserved 2, every output with its table; yellow, C's one
    // pixel: 1 when its colour takes an entry, 0 when not, -1 unchecked.
    void toolConvertShared_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("yellow");
        QTest::addColumn<QString>("error"); // stderr's first line
        const QStringList set{"--colours", "4",  "--shared", "--palette", "START", "--dither",
                              "none",      "-o", "OUT/out/", "A",         "B",     "C"};
        QTest::newRow("locked, reserved")
            << QStringList{"--lock", "0-1", "--reserve", "2"} + set << 0 << -1 << "";
        QTest::newRow("marks of START") << set << 0 << -1 << "";
        QTest::newRow("by pixels") << QStringList{"--lock", "0-1"} + set << 0 << 0 << "";
        QTest::newRow("each picture alike")
            << QStringList{"--lock", "0-1", "--weight", "equal"} + set << 0 << 1 << "";
        QTest::newRow("bad --lock") << QStringList{"--lock", "0,300"} + set << 2 << -1
                                    << "palmiro-tool: --lock 0,300: 300 is past 255";
        QTest::newRow("--write-palette alone")
            << QStringList{"--colours", "4", "--write-palette", "OUT/set.gpl", "--quiet", "A",
                           "B",         "C"}
            << 0 << -1 << "";
    }
    void toolConvertShared()
    {
        QFETCH(QStringList, args);
        QTemporaryDir tmp;
        const QList<QList<QRgb>> pictures{
            {qRgb(200, 30, 20)}, {qRgb(20, 200, 30), qRgb(30, 20, 200)}, {qRgb(250, 250, 0)}};
        for (int k = 0; k < 3; ++k) {
            const int side = k == 2 ? 1 : 4;
            QImage in(side, side, QImage::Format_RGB32);
            for (int x = 0; x < side * side; ++x)
                in.setPixel(x % side, x / side, pictures[k][x % pictures[k].size()]);
            in.save(tmp.filePath(QString("%1.png").arg(QChar('a' + k))));
        }
        WriteFile(tmp.filePath("start.gpl"), "GIMP Palette\n# Palmiro: locked 0-1 reserved 2\n"
                                             "0 0 0\n255 255 255\n10 10 10\n");
        QProcess tool;
        tool.start(PALMIRO_TOOL,
                   QStringList{"convert"} + Placed(args, {{"START", tmp.filePath("start.gpl")},
                                                          {"A", tmp.filePath("a.png")},
                                                          {"B", tmp.filePath("b.png")},
                                                          {"C", tmp.filePath("c.png")},
                                                          {"OUT", tmp.path()}}));
        QVERIFY(tool.waitForFinished());
        QFETCH(int, status);
        QFETCH(QString, error);
        QCOMPARE(tool.exitCode(), status);
        if (!error.isEmpty())
            QCOMPARE(QString(tool.readAllStandardError()).section('\n', 0, 0), error);
        if (status || args.contains("--write-palette")) {
            QCOMPARE(QDir(tmp.filePath("out")).exists(), false);
            QCOMPARE(ReadPaletteAt(tmp.filePath("set.gpl")).rgb.size(), status ? 0 : 12);
            return;
        }
        // START's marks when no list is given.
        const bool reserved = args.contains("--reserve") || !args.contains("--lock");
        QVector<QRgb> table;
        for (const char *name : {"a", "b", "c"}) {
            const QImage got(tmp.filePath(QString("out/%1.png").arg(name)));
            QCOMPARE(got.colorCount(), 4);
            if (table.isEmpty())
                table = got.colorTable();
            QCOMPARE(got.colorTable(), table);
            for (int y = 0; y < got.height(); ++y)
                for (int x = 0; x < got.width(); ++x)
                    QVERIFY(got.pixelIndex(x, y) != 2 || !reserved);
        }
        QCOMPARE(table.mid(0, 2), (QVector<QRgb>{qRgb(0, 0, 0), qRgb(255, 255, 255)}));
        QVERIFY(table[2] == qRgb(10, 10, 10) || !reserved);
        QFETCH(int, yellow);
        if (yellow >= 0)
            QCOMPARE(table.contains(qRgb(250, 250, 0)), bool(yellow));
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
};

QTEST_GUILESS_MAIN(TestToolConvert)
#include "test_tool_convert.moc"
