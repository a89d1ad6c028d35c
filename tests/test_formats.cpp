#include "image/ImageExport.h"
#include "image/ImageFormats.h"
#include "palette/ActApply.h"
#include "palette/ActFile.h"
#include "palette/PaletteFormats.h"
#include "support/PcxBuilder.h"
#include "support/TestFiles.h"

#include <QtTest>

namespace {

QString First(const QByteArray &rgb)
{
    return rgb.isEmpty()
               ? "-"
               : u"%1,%2,%3"_qs.arg(quint8(rgb[0])).arg(quint8(rgb[1])).arg(quint8(rgb[2]));
}

} // namespace

class TestFormats : public QObject {
    Q_OBJECT

private slots:
    // Palettes of other programs as the manifest counts them; images as Pillow shows them.
    void sharedFiles_data()
    {
        REQUIRE_TESTDATA();
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected"); // "error", "any": Pillow gives nothing to compare
        bool inside = false;
        for (const QString &line : QString::fromUtf8(ReadTestFile("MANIFEST.md")).split('\n')) {
            inside = line.startsWith("## ") ? line.startsWith("## Other palette formats") : inside;
            const QStringList c = line.mid(2).split(" | ");
            if (inside && line.startsWith("| ") && !line.startsWith("| file") && c.size() > 8)
                QTest::newRow(qPrintable(c[0]))
                    << "palettes/" + c[0]
                    << (c[5].toInt() > 256 ? "256 " + c[6] : c[5] + ' ' + c[6] + ' ' + c[8]);
        }
        QFile list(QFINDTESTDATA("data/images_pillow.sha1"));
        QVERIFY(list.open(QIODevice::ReadOnly));
        while (!list.atEnd()) {
            const QStringList cells = QString(list.readLine()).simplified().split(' ');
            if (cells[0] == "#")
                continue;
            QTest::newRow(qPrintable(cells[0])) << "images/" + cells[0] << cells.value(1);
        }
    }
    void sharedFiles()
    {
        QFETCH(QString, path);
        QFETCH(QString, expected);
        const QByteArray file = ReadTestFile(path);
        QString got;
        if (path.startsWith("palettes/")) {
            const PaletteRead read = ReadPaletteFile(file);
            QVERIFY2(read.ok() && read.format != PaletteFormat::Act, qPrintable(read.error));
            got = u"%1 %2 %3"_qs.arg(read.rgb.size() / 3).arg(First(read.rgb), Sha1(read.rgb));
        } else {
            const AnyImage image = ReadAnyImage(file);
            QByteArray rgb; // stored value v shows palette entry 255 - v
            for (const quint8 v : image.pcx.image.pixels)
                rgb += image.pcx.palette.mid(3 * (255 - v), 3);
            got = image.refusal == ImageRefusal::NotIndexed ? "refuse" : Sha1(rgb);
            if (expected == "error" || expected == "any")
                return;
        }
        QCOMPARE(got.section(' ', 0, expected.count(' ')), expected);
    }

    void paletteReaders_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected"); // format: colours, first colour; or the refusal
        QByteArray gpl300("GIMP Palette\n"), riff("RIFF\0\0\0\0PAL data\x0c\0\0\0\0\3\3\0", 24);
        QByteArray jasc300("JASC-PAL\n0100\n300\n"), crlf;
        for (int i = 0; i < 300; ++i)
            gpl300 += QByteArray::number(i % 256) + " 0 0\n", jasc300 += "1 2 3\n";
        for (int i = 0; i < 7999; ++i) // the 7282nd line's CR ends the first 64 KiB read
            crlf += "#ff0000\r\n";
        const auto row = [](const char *n, QByteArray f, QString e, QString name = {}) {
            QTest::newRow(n) << f << name << e;
        };
        row("binary ACT", QByteArray("\x0a\0\x30\n", 4), "ACT: 1 10,0,48");
        row("text, not a palette", "hello\n", "ACT: 2 104,101,108");
        row("hex with #", "#FF0010\r\n00ff00\n", "hex palette: 2 255,0,16");
        row("RRGGBBAA", "ff0001bb\n00ff00bb\n", "hex palette: 2 255,0,1");
        row("AARRGGBB", "ffff0001\nff00ff00", "Paint.NET palette: 2 255,0,1");
        row("hex, bad line", "ff0000\nff00\n", "hex palette, line 2: not RRGGBB");
        row("hex, not a digit", " #0A0b0C\r\n\n#12345G\n", "hex palette, line 3: not RRGGBB");
        row("hex, CRLF across reads", crlf + "bad\n", "hex palette, line 8000: not RRGGBB");
        row("hex named, bad first line", "ff00fg\n00ff00\n", "hex palette, line 1: not RRGGBB",
            "a.hex");
        row("hex named, NUL", QByteArray("ff0000\n00\0ff00\n", 15),
            "hex palette, line 2: not RRGGBB", "a.hex");
        row("txt named, 0x", "0xff0000\n", "Paint.NET palette, line 1: not AARRGGBB", "a.txt");
        row("gpl named, no header", "1 2 3\n", "GIMP palette, line 1: no \"GIMP Palette\" header",
            "a.gpl");
        row("pal named, text", "hello\n", "JASC-PAL, line 1: no \"JASC-PAL\" header", "a.pal");
        row("pal named, binary", QByteArray("\x0a\0\x30\n", 4), "ACT: 1 10,0,48", "a.pal");
        const auto utf16 = [](QStringConverter::Encoding e, const char *text) {
            return QByteArray(QStringEncoder(e, QStringConverter::Flag::WriteBom)(text));
        };
        row("UTF-16LE GIMP", utf16(QStringConverter::Utf16LE, "GIMP Palette\n1 2 3\n"),
            "GIMP palette: 1 1,2,3");
        row("Paint.NET, RRGGBB", ";c\nff0000\n", "Paint.NET palette, line 2: not AARRGGBB");
        row("GIMP, 300 colours", gpl300, "GIMP palette: 256 0,0,0");
        row("GIMP, 256 too big", "GIMP Palette\n1 2 256\n",
            "GIMP palette, line 2: not three numbers from 0 to 255");
        row("GIMP, long line", "GIMP Palette\n" + QByteArray(5000, ' ') + "1 2 3\n",
            "GIMP palette, line 2: longer than 4096 bytes");
        row("JASC, 300 counted", jasc300, "JASC-PAL: 256 1,2,3");
        row("JASC, no count", "JASC-PAL\n0100\n", "JASC-PAL, line 3: no colour count");
        row("RIFF, 3 announced, 2 present", riff + "\1\2\3\0\4\5\6\0",
            "RIFF PAL: 3 colours announced, room for 0");
        row("RIFF, no data", riff.left(12), "RIFF PAL: no complete data chunk");
        row("RIFF, odd chunk padded",
            QByteArray("RIFF\0\0\0\0PAL odd \1\0\0\0x\0data\x0c\0\0\0\0\3\2\0\1\2\3\0\4\5\6\0", 42),
            "RIFF PAL: 2 1,2,3");
        const ::PcxImage dot(MakePixels(Bytes({0})), 1, 1, 1);
        row("PNG, its palette as PCX Open takes it", *EncodeImage(ExportFormat::Png, dot, Ramp()),
            "picture: 256 0,255,0");
        row("PCX", MakePcx(0, 0, Bytes({7})), "picture: 256 255,0,249");
    }
    void paletteReaders()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, name);
        QFETCH(QString, expected);
        const PaletteRead read = ReadPaletteFile(file, name);
        QCOMPARE(read.ok() ? PaletteFormatName(read.format) +
                                 u": %1 %2"_qs.arg(read.rgb.size() / 3).arg(First(read.rgb))
                           : read.error,
                 expected);
    }

    // What every writer writes reads back as the same 256 colours (and pixels).
    void writersRoundTrip()
    {
        QByteArray pixels; // 0xC1 needs a run of one in a PCX
        for (int i = 0; i < 15; ++i)
            pixels += char(i * 37 % 256 ^ (i == 3 ? 0xC1 : 0));
        const ::PcxImage image(MakePixels(pixels), 5, 3, 5);
        for (const PalletArray &pallet : {Ramp(), PalletArray{}}) {
            for (int f = 0; f < 6; ++f) {
                const QByteArray file = WritePaletteFile(PaletteFormat(f), pallet);
                const QByteArray rgb = f ? ReadPaletteFile(file).rgb : file;
                PalletArray back{};
                QCOMPARE(DetectPaletteFormat(file), PaletteFormat(f));
                QCOMPARE(ApplyActBytes(back, rgb, rgb.size()), 256);
                QCOMPARE(BuildActBytes(back), BuildActBytes(pallet));
            }
            for (const ExportFormat f : {ExportFormat::Png, ExportFormat::Pcx, ExportFormat::Bmp}) {
                const AnyImage opened = ReadAnyImage(EncodeImage(f, image, pallet).value_or(""));
                QCOMPARE(opened.pcx.image.pixels, image.pixels);
                QCOMPARE(opened.pcx.image.UB1, 4);
                QCOMPARE(opened.pcx.palette, BuildActBytes(pallet));
            }
        }
        const ::PcxImage wide(MakePixels(QByteArray(65536, 1)), 65536, 1, 65536);
        QVERIFY(!EncodeImage(ExportFormat::Pcx, wide, Ramp())); // wider than a PCX can say
        QByteArray truecolour = MakePcx(0, 0, Bytes({7}));
        truecolour[65] = 3; // a PCX of three planes is refused as having no palette
        QCOMPARE(ReadAnyImage(truecolour).refusal, ImageRefusal::NotIndexed);
    }
};

QTEST_MAIN(TestFormats)
#include "test_formats.moc"
