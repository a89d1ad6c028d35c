#include "formats/ActFile.h"
#include "formats/ImageExport.h"
#include "formats/ImageFormats.h"
#include "formats/PaletteFormats.h"
#include "model/ActApply.h"
#include "model/EntryList.h"
#include "support/FormatBytes.h"
#include "support/PcxBuilder.h"
#include "support/TestFiles.h"

#include <QtTest>

using L = QList<int>;

class TestPaletteFormats : public QObject {
    Q_OBJECT

private slots:
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
        for (int size : {12, 16, 40, 52, 56, 64, 108, 124, 41})
            QTest::addRow("BM, header %d", size)
                << QByteArray("BM").leftJustified(14, '\0') + char(size) + QByteArray(3, 0)
                << QString()
                << QString(size == 41 ? "ACT: 6 66,77,0"
                                      : "the file ends inside its headers (18 bytes)");
        row("binary ACT", QByteArray("\x0a\0\x30\n", 4), "ACT: 1 10,0,48");
        row("text, not a palette", "hello\n", "ACT: 2 104,101,108");
        row("hex with #", "#FF0010\r\n00ff00\n", "hex palette: 2 255,0,16");
        row("RRGGBBAA", "ff0001bb\n00ff00bb\n", "hex palette: 2 255,0,1");
        row("AARRGGBB", "ffff0001\nff00ff00", "Paint.NET palette: 2 255,0,1");
        row("both pairs constant", "ff0000ff\nff00ffff", "Paint.NET palette: 2 0,0,255");
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
        row("RIFF, data after 2 million empty chunks",
            riff.left(12) + QByteArray("junk\0\0\0\0", 8).repeated(2'000'000) + riff.mid(12),
            "RIFF PAL: no data chunk among the first 1024 chunks");
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
        // The RIFF sizes: the whole form after its first 8 bytes, and the data chunk.
        QCOMPARE(WritePaletteFile(PaletteFormat::Riff, Ramp()).left(24).toHex(),
                 "524946461004000050414c20646174610404000000030001");
        for (const PalletArray &pallet : {Ramp(), PalletArray{}}) {
            for (int f = 0; f < 6; ++f) {
                const QByteArray file = WritePaletteFile(PaletteFormat(f), pallet);
                const QByteArray rgb = f ? ReadPaletteFile(file).rgb : file;
                PalletArray back{};
                QCOMPARE(DetectPaletteFormat(file), PaletteFormat(f));
                QCOMPARE(ApplyActBytes(back, rgb, rgb.size()), 256);
                QCOMPARE(BuildActBytes(back), BuildActBytes(pallet));
            }
            for (const ExportFormat f :
                 {ExportFormat::Png, ExportFormat::Pcx, ExportFormat::Bmp, ExportFormat::Gif}) {
                const QByteArray file = EncodeImage(f, image, pallet).value_or("");
                const AnyImage opened = ReadAnyImage(file);
                QCOMPARE(opened.pcx.image.pixels, image.pixels);
                QCOMPARE(opened.pcx.image.UB1, 4);
                QCOMPARE(opened.pcx.palette, BuildActBytes(pallet));
                // Other programs see entry i as colour i, and stored value v as index 255 - v.
                const QImage other = QImage::fromData(file, f == ExportFormat::Bmp   ? "bmp"
                                                            : f == ExportFormat::Gif ? "gif"
                                                                                     : "png");
                if (f == ExportFormat::Gif) // Qt gives colours
                    QCOMPARE(other.pixel(3, 0),
                             PackedToRgb32(pallet[255 - image.at(3, 0)].color()));
                else if (f != ExportFormat::Pcx) {
                    QCOMPARE(other.pixelIndex(3, 0), 255 - image.at(3, 0));
                    QCOMPARE(other.color(1), PackedToRgb32(pallet[1].color()));
                }
            }
        }
        QByteArray runs(2048 * 2048, 0); // large enough to be deflated in bands
        for (int i = 0; i < runs.size(); ++i)
            runs[i] = char(i / 4099 % 7 * 31);
        const ::PcxImage large(MakePixels(runs), 2048, 2048, 2048);
        const QByteArray png = EncodeImage(ExportFormat::Png, large, Ramp()).value_or("");
        QCOMPARE(ReadAnyImage(png).pcx.image.pixels, large.pixels);
        // Runs stop at 63 and at each row's end; a lone byte from 0xC0 up is a run of one.
        const ::PcxImage counted(MakePixels(QByteArray(64, 5) + "\xC0\7\7" + QByteArray(65, 9)), 66,
                                 2, 66);
        const QByteArray pcx = EncodePcx(counted, Ramp());
        QCOMPARE(pcx.chopped(768),
                 QByteArray::fromHex("0a050108000000004100010048004800") + QByteArray(49, 0) +
                     Bytes({1, 66, 0, 1, 0}) + QByteArray(58, 0) +
                     Bytes({0xFF, 5, 5, 0xC1, 0xC0, 7, 7, 0xFF, 9, 0xC2, 9, 0x0C}));
        for (auto [w, h] :
             {std::pair{65535, 1}, {65536, 1}, {1, 65536}, {1, 65537}}) // what a PCX can say
            QCOMPARE(
                bool(EncodeImage(ExportFormat::Pcx,
                                 ::PcxImage(MakePixels(QByteArray(w * h, 1)), w, h, std::size_t(w)),
                                 Ramp())),
                w < 65536 && h <= 65536);
        QByteArray truecolour = MakePcx(0, 0, Bytes({7}));
        truecolour[65] = 3; // a PCX of three planes is refused as having no palette
        QCOMPARE(ReadAnyImage(truecolour).refusal, ImageRefusal::NotIndexed);
    }

    // Cycling ranges as GrafX2 keeps them, six bytes each: a crNg chunk before the pixels of a
    // PNG, a CRNG1.0 application extension after a GIF's colour table; and read back.
    void cycleRecords_data()
    {
        QTest::addColumn<bool>("png");
        QTest::addColumn<L>("ranges"); // see Ranges()
        QTest::addColumn<QByteArray>("records");
        for (const bool png : {true, false}) {
            const char *f = png ? "png" : "gif";
            QTest::addRow("%s 16..31 at 10", f)
                << png << L{16, 31, 1000, 0, 1} << Bytes({0x0A, 0xAB, 0, 1, 16, 31});
            QTest::addRow("%s backward, off, 60", f)
                << png << L{0, 255, 6000, 1, 0} << Bytes({0x40, 0, 0, 2, 0, 255});
            QTest::addRow("%s two, a quarter", f)
                << png << L{5, 9, 25, 0, 1, 1, 2, 3000, 1, 1}
                << Bytes({0, 0x44, 0, 1, 5, 9, 0x20, 0, 0, 3, 1, 2});
        }
    }
    void cycleRecords()
    {
        QFETCH(bool, png);
        QFETCH(L, ranges);
        QFETCH(QByteArray, records);
        const QByteArray block =
            png ? PngChunk("crNg", records) : kCrngApp + char(records.size()) + records + '\0';
        const QByteArray file = *EncodeImage(png ? ExportFormat::Png : ExportFormat::Gif,
                                             ::PcxImage(MakePixels(Bytes({1, 2})), 2, 1, 2), Ramp(),
                                             {}, Ranges(ranges));
        const qsizetype at = file.indexOf(block);
        QCOMPARE(at, png ? file.indexOf("IDAT") - 4 - block.size() : 13 + 768);
        // Rates read back as the roundest that is stored the same: 2731 as 10.
        QCOMPARE(ReadAnyImage(file).pcx.cycles, Ranges(ranges));
    }

    // Entry lists as a GIMP palette's comment and the tool take them, written back compacted;
    // or why not.
    void entryList_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *t, const char *e) { QTest::newRow(t) << QString(t) << e; };
        row("0,15,224-255", "0,15,224-255");
        row(" 7 , 5-6,6 ", "5-7");
        row("", "");
        row("255-255", "255");
        row("256", "256 is past 255");
        row("9-3", "the range 9-3 runs backwards");
        row("1,,2", "\"\" is not an entry number");
        row("+3", "\"+3\" is not an entry number");
        row("1-2-3", "\"2-3\" is not an entry number");
    }
    void entryList()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        const EntryListRead read = ParseEntryList(text);
        QCOMPARE(read.ok() ? FormatEntryList(read.entries) : read.error, expected);
    }

    // Locked and reserved entries read back with a palette (and our comment line, if any): from
    // a GIMP palette's comment and a PNG's pmLk chunk; a line or chunk that does not read whole
    // leaves none and the colours still load; other formats keep none.
    void marksRoundTrip_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("expected"); // locked/reserved
        const EntryMarks marks{ParseEntryList(u"0,15,224-255").entries,
                               ParseEntryList(u"16").entries};
        const ::PcxImage dot(MakePixels(Bytes({0})), 1, 1, 1);
        const auto png = [&](const QByteArray &record) {
            return *EncodeImage(ExportFormat::Png, dot, Ramp(), {256, -1, {}, record});
        };
        const QByteArray gpl = WritePaletteFile(PaletteFormat::Gpl, Ramp(), 256, marks);
        QTest::newRow("GIMP") << gpl
                              << "0,15,224-255/16 # Palmiro: locked 0,15,224-255 reserved 16";
        QTest::newRow("GIMP, ours in another order")
            << QByteArray("GIMP Palette\n#Palmiro: x\n# Palmiro: reserved 9  locked 1-2\n1 2 3\n")
            << "1-2/9 # Palmiro: reserved 9  locked 1-2";
        QTest::newRow("GIMP, an entry past 255")
            << QByteArray("GIMP Palette\n# Palmiro: locked 1-256\n1 2 3\n")
            << "/ # Palmiro: locked 1-256";
        QTest::newRow("JASC") << WritePaletteFile(PaletteFormat::Jasc, Ramp(), 256, marks) << "/";
        QTest::newRow("PNG") << png(MarksRecord(marks)) << "0,15,224-255/16";
        QTest::newRow("PNG, none") << png({}) << "/";
        QTest::newRow("PNG, 63 bytes") << png(MarksRecord(marks).chopped(1)) << "/";
        QByteArray spoilt = png(MarksRecord(marks));
        spoilt[spoilt.indexOf("pmLk") + 4 + 64] ^= 1;
        QTest::newRow("PNG, CRC wrong") << spoilt << "/";
    }
    void marksRoundTrip()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, expected);
        const PaletteRead read = ReadPaletteFile(file);
        QVERIFY(read.ok() && read.rgb.size() >= 3);
        QString got =
            FormatEntryList(read.marks.locked) + '/' + FormatEntryList(read.marks.reserved);
        if (const qsizetype at = file.indexOf("\n# Palmiro:"); at >= 0)
            got += ' ' + file.mid(at + 1, file.indexOf('\n', at + 1) - at - 1);
        QCOMPARE(got, expected);
    }
};

QTEST_MAIN(TestPaletteFormats)
#include "test_palette_formats.moc"
