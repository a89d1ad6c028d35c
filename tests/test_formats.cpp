#include "image/ImageExport.h"
#include "image/ImageFormats.h"
#include "image/frmPCX.h"
#include "palette/ActApply.h"
#include "palette/ActFile.h"
#include "palette/PaletteFormats.h"
#include "palette_window/frmPallet.h"
#include "shell/OpenFiles.h"
#include "support/AppUnderTest.h"
#include "support/PcxBuilder.h"
#include "support/ScriptedPlatform.h"
#include "support/TestFiles.h"

#include <QCryptographicHash>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

using namespace mdlGlobal;

namespace {

QByteArray Sha1(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex();
}

QString Rgb(const QByteArray &rgb, int i = 0)
{
    return QStringLiteral("%1,%2,%3")
        .arg(quint8(rgb[3 * i]))
        .arg(quint8(rgb[3 * i + 1]))
        .arg(quint8(rgb[3 * i + 2]));
}

// The working palette an opened image gives, and the colour each pixel shows.
PalletArray Opened(const PcxFile &pcx)
{
    PalletArray pallet{};
    ApplyActBytes(pallet, pcx.palette, pcx.palette.size());
    return pallet;
}
QByteArray Shown(const PcxFile &pcx)
{
    const PalletArray pallet = Opened(pcx);
    QByteArray rgb;
    for (const quint8 v : pcx.image.pixels)
        rgb += BuildActBytes(pallet).mid(3 * (255 - v), 3);
    return rgb;
}

PalletArray Palette(int (*channel)(int i, int k))
{
    PalletArray p{};
    for (int i = 0; i < 256; ++i)
        p[i].set(quint8(channel(i, 0)), quint8(channel(i, 1)), quint8(channel(i, 2)));
    return p;
}

::PcxImage Picture(int ub1, int ub2, std::vector<quint8> pixels)
{
    const QByteArray bytes(reinterpret_cast<const char *>(pixels.data()), qsizetype(pixels.size()));
    return ::PcxImage(MakePixels(bytes), ub1 + 1, ub2 + 1, std::size_t(ub1) + 1);
}

// The rows of the MANIFEST table under `heading`, cells trimmed.
QList<QStringList> ManifestRows(const QString &heading)
{
    QList<QStringList> rows;
    bool inside = false;
    for (const QString &line : QString::fromUtf8(ReadTestFile("MANIFEST.md")).split('\n')) {
        if (line.startsWith("## "))
            inside = line.startsWith(heading);
        const QStringList cells = line.mid(2).split(" | ");
        if (inside && line.startsWith("| ") && !line.startsWith("| file") && cells.size() > 8)
            rows << cells;
    }
    return rows;
}

} // namespace

class TestFormats : public QObject {
    Q_OBJECT

private slots:
    void paletteFilesOfOtherPrograms_data()
    {
        REQUIRE_TESTDATA();
        for (const char *c : {"file", "count", "first", "sha"})
            QTest::addColumn<QString>(c);
        for (const QStringList &r : ManifestRows("## Other palette formats"))
            QTest::newRow(qPrintable(r[0])) << r[0] << r[5] << r[6] << r[8];
    }
    void paletteFilesOfOtherPrograms()
    {
        QFETCH(QString, file);
        QFETCH(QString, count);
        QFETCH(QString, first);
        QFETCH(QString, sha);
        const PaletteRead read = ReadPaletteFile(ReadTestFile("palettes/" + file));
        QVERIFY2(read.ok() && read.format != PaletteFormat::Act, qPrintable(read.error));
        QCOMPARE(read.rgb.size(), 3 * qMin(count.toInt(), 256));
        QCOMPARE(read.rgb.isEmpty() ? "-" : Rgb(read.rgb), first);
        if (count.toInt() <= 256)
            QCOMPARE(read.rgb.isEmpty() ? "-" : Sha1(read.rgb), sha);
    }

    void paletteReaders_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<PaletteFormat>("format");
        QTest::addColumn<int>("count"); // -1: refused
        QTest::addColumn<QString>("first");
        using F = PaletteFormat;
        QByteArray gpl300("GIMP Palette\n"), riff("RIFF\0\0\0\0PAL data\x0c\0\0\0\0\3\3\0", 24);
        for (int i = 0; i < 300; ++i)
            gpl300 += QByteArray::number(i % 256) + " 0 0\n";
        QTest::newRow("binary ACT") << QByteArray("\x0a\0\x30\n", 4) << F::Act << 0 << "";
        QTest::newRow("text, not a palette") << QByteArray("hello\n") << F::Act << 0 << "";
        QTest::newRow("hex with #")
            << QByteArray("#FF0010\r\n00ff00\n") << F::Hex << 2 << "255,0,16";
        QTest::newRow("RRGGBBAA") << QByteArray("ff0001bb\n00ff00bb\n") << F::Hex << 2 << "255,0,1";
        QTest::newRow("AARRGGBB") << QByteArray("ffff0001\nff00ff00") << F::PaintNet << 2
                                  << "255,0,1";
        QTest::newRow("hex, bad line") << QByteArray("ff0000\nff00\n") << F::Hex << -1 << "";
        QTest::newRow("Paint.NET, RRGGBB") << QByteArray(";c\nff0000\n") << F::PaintNet << -1 << "";
        QTest::newRow("GIMP, 300 colours") << gpl300 << F::Gpl << 256 << "0,0,0";
        QTest::newRow("GIMP, 256 too big")
            << QByteArray("GIMP Palette\n1 2 256\n") << F::Gpl << -1 << "";
        QTest::newRow("JASC, colours missing")
            << QByteArray("JASC-PAL\r\n0100\r\n2\r\n1 2 3\r\n") << F::Jasc << -1 << "";
        QTest::newRow("JASC, no count") << QByteArray("JASC-PAL\n0100\n") << F::Jasc << -1 << "";
        QTest::newRow("RIFF, 3 announced, 2 present")
            << riff + "\1\2\3\0\4\5\6\0" << F::Riff << -1 << "";
        QTest::newRow("RIFF, no data") << riff.left(12) << F::Riff << -1 << "";
    }
    void paletteReaders()
    {
        QFETCH(QByteArray, file);
        QFETCH(PaletteFormat, format);
        QFETCH(int, count);
        QFETCH(QString, first);
        const PaletteRead read = ReadPaletteFile(file);
        QCOMPARE(DetectPaletteFormat(file), format);
        QCOMPARE(read.ok() ? int(read.rgb.size() / 3) : -1, count);
        if (!first.isEmpty())
            QCOMPARE(Rgb(read.rgb), first);
    }

    void writersRoundTrip_data()
    {
        QTest::addColumn<int>("format"); // a PaletteFormat, or 100 + an ExportFormat
        QTest::addColumn<PalletArray>("pallet");
        const PalletArray colours = Palette([](int i, int k) { return (i * (k + 3) + k) % 256; });
        const PalletArray ramp = Palette([](int i, int) { return 255 - i; });
        const PalletArray greys = Palette([](int i, int) { return i; });
        const PalletArray black{};
        const char *names[] = {"ACT", "GPL", "JASC", "RIFF", "Paint.NET", "hex"};
        for (int f = 0; f < 6; ++f) {
            QTest::addRow("%s, colours", names[f]) << f << colours;
            QTest::addRow("%s, black", names[f]) << f << black;
        }
        for (const auto &[f, name] : {std::pair{0, "PNG"}, {1, "PCX"}, {2, "BMP"}}) {
            QTest::addRow("%s, colours", name) << 100 + f << colours;
            QTest::addRow("%s, grey ramp", name) << 100 + f << ramp;
            QTest::addRow("%s, greys upside down", name) << 100 + f << greys;
            QTest::addRow("%s, black", name) << 100 + f << black;
        }
    }
    void writersRoundTrip()
    {
        QFETCH(int, format);
        QFETCH(PalletArray, pallet);
        PalletArray back{};
        if (format < 100) {
            const QByteArray file = WritePaletteFile(PaletteFormat(format), pallet);
            QCOMPARE(DetectPaletteFormat(file), PaletteFormat(format));
            const QByteArray rgb = format ? ReadPaletteFile(file).rgb : file;
            QCOMPARE(ApplyActBytes(back, rgb, rgb.size()), 256);
        } else {
            std::vector<quint8> pixels;
            for (int i = 0; i < 15; ++i)
                pixels.push_back(quint8(i * 37 % 256 ^ (i == 3 ? 0xC1 : 0)));
            const ::PcxImage image = Picture(4, 2, pixels);
            const auto file = EncodeImage(ExportFormat(format - 100), image, pallet);
            QVERIFY(file);
            const AnyImage opened = ReadAnyImage(*file);
            QCOMPARE(opened.refusal, ImageRefusal::None);
            QCOMPARE(opened.pcx.image.pixels, image.pixels);
            QCOMPARE(opened.pcx.image.UB1, 4);
            back = Opened(opened.pcx);
        }
        QCOMPARE(BuildActBytes(back), BuildActBytes(pallet));
    }

    void imagesShowPillowsColours_data()
    {
        REQUIRE_TESTDATA();
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("expected");
        QFile list(QFINDTESTDATA("data/images_pillow.sha1"));
        QVERIFY(list.open(QIODevice::ReadOnly));
        while (!list.atEnd()) {
            const QList<QByteArray> cells = list.readLine().simplified().split(' ');
            QTest::newRow(cells[0].constData()) << QString(cells[0]) << cells.value(1);
        }
    }
    void imagesShowPillowsColours()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, expected);
        const AnyImage image = ReadAnyImage(ReadTestFile("images/" + file));
        if (expected == "error" || expected == "any")
            return; // refused or shown: there is nothing to compare with
        if (expected == "refuse")
            QCOMPARE(image.refusal, ImageRefusal::NotIndexed);
        else
            QCOMPARE(Sha1(Shown(image.pcx)), expected);
    }

    // Open, Save, "&PCX Open", the command line and the export menu, as the
    // windows run them.
    void throughTheWindows()
    {
        ScriptedPlatform platform;
        QVERIFY(StartApplication(&platform));
        QTemporaryDir dir;
        const QString gpl = WriteFile(dir.filePath("a.gpl"), "GIMP Palette\n1 2 3\n4 5 6 x\n");
        Pallet[2].set(7, 8, 9);
        platform.paths = {gpl, dir.filePath("b.pal")};
        FrmMain().cmdActOpen_Click();
        FrmMain().cmdActSave_Click();
        QCOMPARE(BuildActBytes(Pallet).left(9), QByteArray("\1\2\3\4\5\6\7\x8\x9"));
        QCOMPARE(ReadWholeFile(dir.filePath("b.pal"))->left(10), QByteArray("JASC-PAL\r\n"));
        QCOMPARE(FrmPallet().lblFName->text(), dir.filePath("b.pal"));

        const PalletArray before = Pallet;
        for (const char *refused : {"GIMP Palette\n1 2\n", "\x89PNG\r\n\x1a\n", "JASC-PAL\n0100\n"})
            QVERIFY(!OpenFileByContent(WriteFile(dir.filePath("r"), refused)));
        QVERIFY(!OpenFileByContent(dir.filePath("missing.act")));
        QVERIFY(!QFile::exists(dir.filePath("missing.act")));
        QCOMPARE(platform.messages.size(), 4);
        QCOMPARE(BuildActBytes(Pallet), BuildActBytes(before));

        const ::PcxImage image = Picture(2, 1, {0, 1, 2, 255, 254, 253});
        const PalletArray shown = Palette([](int i, int k) { return i * (k + 1) % 256; });
        const QString png =
            WriteFile(dir.filePath("p"), *EncodeImage(ExportFormat::Png, image, shown));
        QVERIFY(OpenFileByContent(png));
        QCOMPARE(mdlGlobal::PcxImage.pixels, image.pixels);
        QCOMPARE(BuildActBytes(Pallet), BuildActBytes(shown));
        QCOMPARE(FrmPallet().lblFName->text(), frmPallet::kNoFile);
        platform.paths = {dir.filePath("out.pcx")};
        FrmPCX().mnuSaveImage_Click();
        const AnyImage saved = ReadAnyImage(*ReadWholeFile(dir.filePath("out.pcx")));
        QCOMPARE(saved.pcx.image.pixels, image.pixels);
        QCOMPARE(platform.messages.size(), 4);
        EndApplication();
    }
};

QTEST_MAIN(TestFormats)
#include "test_formats.moc"
