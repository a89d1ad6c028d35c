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

// Refusals by kind; "refuse" is a truecolour file.
QString Outcome(ImageRefusal refusal, const QByteArray &rgb)
{
    static const char *const kKinds[] = {"",          "refuse", "unreadable", "truncated",
                                         "too-large", "empty",  "unsupported"};
    return refusal == ImageRefusal::None ? QString(Sha1(rgb)) : kKinds[int(refusal)];
}

// Colours (64,64,255) and (64,255,64), as B, G, R, reserved.
const QByteArray kTwoColours("\xff\x40\x40\0\x40\xff\x40\0", 8);

QByteArray Bmp(int w, int h, int bits, const QByteArray &data, int compression = 0)
{
    QByteArray f = QByteArray("BM").leftJustified(54, '\0') + kTwoColours + data;
    const int fields[][2] = {{10, 62}, {14, 40},   {18, w},          {22, h},
                             {26, 1},  {28, bits}, {30, compression}};
    for (const auto &[at, v] : fields)
        qToLittleEndian<qint32>(v, f.data() + at);
    return f;
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
        for (const QString name : {"images_pillow", "foreign_bmp"}) { // folder_source
            QFile list(QFINDTESTDATA("data/" + name + ".sha1"));
            QVERIFY(list.open(QIODevice::ReadOnly));
            while (!list.atEnd()) {
                const QStringList cells = QString(list.readLine()).simplified().split(' ');
                if (cells[0] != "#")
                    QTest::newRow(qPrintable(cells[0]))
                        << name.section('_', 0, 0) + '/' + cells[0] << cells.mid(1).join(' ');
            }
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
            got = Outcome(image.refusal, rgb);
            if (expected == "error" || expected == "any")
                return;
        }
        QCOMPARE(got.section(' ', 0, expected.count(' ')), expected);
    }

    // Small BMPs byte by byte: the indices row by row and the first colour, or why not.
    void bmpReader_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *n, QByteArray f, QString e) { QTest::newRow(n) << f << e; };
        const QByteArray onebit = Bmp(3, 2, 1, Bytes({0x40, 0, 0, 0, 0xC0, 0, 0, 0}));
        row("2 colours, bottom row first", onebit, "110/010 64,64,255");
        row("pixels past the end", onebit.left(62).replace(10, 1, "\x50"), "truncated");
        row("JPEG inside", Bmp(3, 2, 8, Bytes({0, 0}), 4), "unsupported");
        // RLE: clipped to the picture; pixels the stream skips are index 0.
        row("RLE8 run past the row", Bmp(3, 2, 8, Bytes({5, 1, 0, 0, 1, 1, 0, 1}), 1), "100/111");
        row("RLE8 jump past the row", Bmp(3, 2, 8, Bytes({0, 2, 9, 0, 1, 1, 0, 1}), 1), "000/000");
        row("RLE8 jump past the top", Bmp(3, 2, 8, Bytes({1, 1, 0, 2, 0, 7, 3, 1}), 1), "000/100");
        row("RLE8 no end of bitmap", Bmp(3, 2, 8, Bytes({3, 1, 0, 0, 1, 1, 0, 0}), 1), "100/111");
    }
    void bmpReader()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, expected);
        const ImageRead r = ReadBmp(file);
        QString got;
        for (std::size_t i = 0; i < r.pixels.size(); ++i)
            got += (i && i % std::size_t(r.width) == 0 ? "/" : "") +
                   QString::number(255 - r.pixels.data()[i], 16);
        got =
            r.refusal == ImageRefusal::None ? got + ' ' + First(r.palette) : Outcome(r.refusal, {});
        QCOMPARE(got.section(' ', 0, expected.count(' ')), expected);
    }
    // Every prefix of a real file is refused as cut or shows all the file's pixels.
    void bmpCuts()
    {
        REQUIRE_TESTDATA();
        for (const char *name : {"pil_g_pal1.bmp", "pil_g_pal4rle.bmp", "pil_g_pal8rle.bmp"}) {
            const QByteArray file = ReadTestFile(u"images/"_qs + name);
            const PixelBuffer whole = ReadBmp(file).pixels;
            for (qsizetype n = 0; n < file.size(); ++n) {
                const ImageRead cut = ReadBmp(file.left(n));
                QVERIFY2(cut.refusal == ImageRefusal::Truncated || cut.pixels == whole,
                         qPrintable(u"%1 cut at %2"_qs.arg(name).arg(n)));
            }
        }
    }

    void paletteReaders_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("expected"); // format: colours, first colour
        QByteArray gpl300("GIMP Palette\n"), riff("RIFF\0\0\0\0PAL data\x0c\0\0\0\0\3\3\0", 24);
        for (int i = 0; i < 300; ++i)
            gpl300 += QByteArray::number(i % 256) + " 0 0\n";
        const auto row = [](const char *n, QByteArray f, QString e) { QTest::newRow(n) << f << e; };
        row("binary ACT", QByteArray("\x0a\0\x30\n", 4), "ACT: 0 -");
        row("text, not a palette", "hello\n", "ACT: 0 -");
        row("hex with #", "#FF0010\r\n00ff00\n", "hex palette: 2 255,0,16");
        row("RRGGBBAA", "ff0001bb\n00ff00bb\n", "hex palette: 2 255,0,1");
        row("AARRGGBB", "ffff0001\nff00ff00", "Paint.NET palette: 2 255,0,1");
        row("hex, bad line", "ff0000\nff00\n", "hex palette: refused");
        row("hex, not a digit", " #0A0b0C\r\n\n#12345G\n", "hex palette: refused");
        row("Paint.NET, RRGGBB", ";c\nff0000\n", "Paint.NET palette: refused");
        row("GIMP, 300 colours", gpl300, "GIMP palette: 256 0,0,0");
        row("GIMP, 256 too big", "GIMP Palette\n1 2 256\n", "GIMP palette: refused");
        row("JASC, colours missing", "JASC-PAL\r\n0100\r\n2\r\n1 2 3\r\n", "JASC-PAL: refused");
        row("JASC, no count", "JASC-PAL\n0100\n", "JASC-PAL: refused");
        row("RIFF, 3 announced, 2 present", riff + "\1\2\3\0\4\5\6\0", "RIFF PAL: refused");
        row("RIFF, no data", riff.left(12), "RIFF PAL: refused");
        row("RIFF, odd chunk padded",
            QByteArray("RIFF\0\0\0\0PAL odd \1\0\0\0x\0data\x0c\0\0\0\0\3\2\0\1\2\3\0\4\5\6\0", 42),
            "RIFF PAL: 2 1,2,3");
    }
    void paletteReaders()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, expected);
        const PaletteRead read = ReadPaletteFile(file);
        QCOMPARE(PaletteFormatName(DetectPaletteFormat(file)) + ": " +
                     (read.ok() ? u"%1 %2"_qs.arg(read.rgb.size() / 3).arg(First(read.rgb))
                                : u"refused"_qs),
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
