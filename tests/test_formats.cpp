#include "base/ByteSource.h"
#include "convert/TrueColour.h"
#include "formats/ActFile.h"
#include "formats/ImageExport.h"
#include "formats/ImageFormats.h"
#include "formats/PaletteFormats.h"
#include "model/ActApply.h"
#include "support/FormatBytes.h"
#include "support/PcxBuilder.h"
#include "support/TestFiles.h"

#include <QtTest>

#include <optional>

#include <unistd.h>
#include <zlib.h>

namespace {

// An 8 x 8 PNG of index 0 whose data inflates to `mib` MiB more: blocks of zeros, each
// a copy of the last, as the window they look back on is zeros too.
QByteArray PngBomb(int mib)
{
    z_stream z{};
    deflateInit(&z, 9);
    const QByteArray zeros(1 << 20, 0);
    QByteArray out(1 << 16, 0);
    const auto deflated = [&](qsizetype n, int flush) {
        z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(zeros.data()));
        z.avail_in = uInt(n);
        z.next_out = reinterpret_cast<Bytef *>(out.data());
        z.avail_out = uInt(out.size());
        deflate(&z, flush);
        return out.left(out.size() - z.avail_out);
    };
    QByteArray data = deflated(1 << 16, Z_SYNC_FLUSH);
    data += deflated(1 << 20, Z_SYNC_FLUSH).repeated(mib);
    data += deflated(0, Z_FINISH);
    deflateEnd(&z);
    return Png(8, 8, nullptr)
        .insert(Png(8, 8, nullptr).indexOf("IEND") - 4, PngChunk("IDAT", data));
}

// Two black pixels as Qt writes a JPEG; its frame header then says w x h.
QByteArray Jpeg(int w = 2, int h = 1)
{
    QImage image(2, 1, QImage::Format_RGB32);
    image.fill(Qt::black);
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG");
    const qsizetype sof = out.indexOf("\xFF\xC0") + 5;
    qToBigEndian<quint16>(quint16(h), out.data() + sof);
    qToBigEndian<quint16>(quint16(w), out.data() + sof + 2);
    return out;
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
        // images_pillow.sha1 names files in images/, foreign_*.sha1 files in foreign/.
        const QDir data(QFINDTESTDATA("data"));
        for (const QString &name : data.entryList({"images_pillow.sha1", "foreign_*.sha1"})) {
            QFile list(data.filePath(name));
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
            const auto shown = [](const AnyImage &image) {
                QByteArray rgb; // stored value v shows palette entry 255 - v
                for (const quint8 v : image.pcx.image.pixels)
                    rgb += image.pcx.palette.mid(3 * (255 - v), 3);
                return Outcome(image.refusal, rgb) +
                       (image.refusal == ImageRefusal::None ? ' ' + First(image.pcx.palette) : "");
            };
            got = shown(ReadAnyImage(file));
            // Read a part at a time from a file, as PCX Open reads a PNG or BMP: the same.
            QBuffer device;
            device.setData(file);
            const ImageFormat format = DetectImageFormat(file);
            if (device.open(QIODevice::ReadOnly) &&
                (format == ImageFormat::Png || format == ImageFormat::Bmp)) {
                ByteSource source(device);
                QCOMPARE(shown(ReadStreamedImage(source)), got);
            }
            if (expected == "error" || expected == "any")
                return;
        }
        QCOMPARE(got.section(' ', 0, expected.count(' ')), expected);
    }

    // Damaged and extreme pictures: the refusal, or the size and first pixels shown.
    void hostileImages_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("expected");
        const QByteArray png = Png(2, 1, "000001");
        QByteArray badCrc = png;
        badCrc[29] = char(badCrc[29] ^ 1);
        QByteArray badIdatCrc = png;
        badIdatCrc[png.size() - 13] = char(badIdatCrc[png.size() - 13] ^ 1);
        const auto row = [](const char *n, QByteArray f, QString e) { QTest::newRow(n) << f << e; };
        row("PNG, IHDR CRC wrong", badCrc, "unreadable");
        row("PNG, IDAT CRC wrong", badIdatCrc, "unreadable");
        row("PNG cut in IDAT", png.chopped(20), "truncated");
        row("PNG without IDAT", Png(2, 1, nullptr), "truncated");
        row("PNG, rows missing", Png(2, 2, "000001"), "truncated");
        row("PNG 0 wide", Png(0, 1, "00"), "empty");
        row("PNG 8000 x 8000", Png(8000, 8000, "", 8001 * 8000), "8000x8000 7f7f7f 7f7f7f");
        row("PNG 0 high", Png(1, 0, "00"), "empty");
        row("PNG 65537 x 1", Png(65537, 1, "", 65538), "too-large");
        row("PNG 1 x 65536", Png(1, 65536, "", 2 * 65536), "1x65536 7f7f7f");
        // Refused by the header alone: no pixel nor row is allocated.
        row("PNG interlaced 2^28 x 1",
            "\x89PNG\r\n\x1a\n" +
                PngChunk("IHDR", Be(1 << 28) + Be(1) + QByteArray("\x08\3\0\0\1", 5)) +
                Png(1, 1, "00").mid(33),
            "too-large: a picture of 268435456 x 1 pixels is too large: at most 268435456 pixels "
            "(16384 x 16384) and 65536 a side");
        row("BMP RLE4 1 x 2^28", Bmp(1, 1 << 28, 4, "\0\1", 2),
            "too-large: a picture of 1 x 268435456 pixels is too large: at most 268435456 pixels "
            "(16384 x 16384) and 65536 a side");
        row("PNG whose data inflates to 1 GiB", PngBomb(1024),
            "unreadable: the image data goes on far past the last row");
        row("PNG 2^31 - 1 wide", Png(0x7fffffff, 1, nullptr), "truncated");
        row("PNG 2^31 - 1 high", Png(1, 0x7fffffff, nullptr), "truncated");
        row("PNG, index past PLTE", png, "2x1 7f7f7f 000000");
        row("PNG, 2-bit grey", Png(2, 1, "0060", 0, 2, 0, {}), "2x1 555555 aaaaaa");
        // Truecolour: the size and first pixels as RGBA.
        row("PNG, 16-bit RGB", Png(1, 1, "", 7, 16, 2), "1x1 000000ff");
        row("RGB PNG cut in IDAT", Png(2, 1, "00ff000000ff00", 0, 8, 2, {}).chopped(20),
            "truncated");
        row("RGB PNG 20000 x 20000", Png(20000, 20000, "", 0, 8, 2, {}), "too-large");
        row("RGB PNG 4097 x 8192, past Qt's own limit",
            Png(4097, 8192, "", 8192 * (1 + 4097 * 3), 8, 2, {}), "4097x8192 000000ff 000000ff");
        row("empty file named .png", {}, "truncated");
        row("JPEG", Jpeg(), "2x1 000000ff 000000ff");
        row("JPEG cut in its tables", Jpeg().left(Jpeg().indexOf("\xFF\xC4") + 20), "truncated");
        row("JPEG cut in its data", Jpeg().chopped(4), "truncated");
        row("JPEG without its end marker", Jpeg().chopped(2), "2x1 000000ff 000000ff");
        row("JPEG 20000 x 20000", Jpeg(20000, 20000), "too-large");
        row("JPEG 0 high", Jpeg(2, 0), "empty");
        row("GIF cut after header", Gif(2, 1, 2, 1, "\1\0").left(13), "truncated");
        row("GIF 0 x 0", Gif(0, 0, 1, 1, "\1"), "empty");
        row("GIF 16384^2 screen", Gif(16384, 16384, 1, 1, "\1"), "16384x16384 ffffff 000000");
        row("GIF frame beyond a small screen", Gif(2, 1, 100, 65535, QByteArray(100, 1)),
            "2x1 ffffff ffffff");
        // The 6 bytes after the frame's header can fill at most 6 * 8 * 4096 / 12 pixels.
        row("GIF 1 x 16384 from 6 bytes", Gif(1, 16384, 1, 16384, "\1"), "truncated");
        row("GIF 1 x 16385 from 6 bytes", Gif(1, 16385, 1, 16385, "\1"),
            "truncated: the file ends before the picture is complete");
        row("GIF, 12-bit codes from the start", Gif(3, 1, 3, 1, QByteArray("\1\0\1", 3), 11),
            "3x1 ffffff 000000");
        row("GIF, a literal past 255", GifCodes(3, 1, 3, 1, 11, {2048, 1, 300, 1, 2049}),
            "unreadable");
        row("GIF, LZW code size 12", Gif(3, 1, 3, 1, "\1", 12),
            "unreadable: an LZW code size of 12, where codes of 12 bits allow at most 11");
        row("GIF frame beyond a large screen", Gif(16384, 16384, 65535, 65535, "\1"), "too-large");
        row("GIF, a code used as it is made", Gif(3, 1, 3, 1, "\1\x82"), "3x1 ffffff ffffff");
        row("GIF, a code not yet made", Gif(3, 1, 3, 1, "\1\x83"), "unreadable");
        row("GIF, end code before the last pixel", Gif(3, 1, 3, 1, "\1"), "truncated");
        // Cycling records: whole ones, at most 16, from a crNg before IDAT as GrafX2 reads them.
        const QByteArray rec = Bytes({0x0A, 0xAB, 0, 1, 31, 16});
        const auto crng = [&](const QByteArray &r, bool afterIdat = false, quint32 spoil = 0) {
            return QByteArray(png).insert(png.indexOf(afterIdat ? "IEND" : "IDAT") - 4,
                                          PngChunk("crNg", r, spoil));
        };
        row("PNG, crNg of 7 bytes", crng(rec + '\0'), "2x1 7f7f7f 000000");
        row("PNG, crNg of 17 ranges", crng(rec.repeated(17)), "2x1 7f7f7f 000000 c16");
        row("PNG, crNg CRC wrong", crng(rec, false, 1), "2x1 7f7f7f 000000");
        row("PNG, crNg after IDAT", crng(rec, true), "2x1 7f7f7f 000000");
        const QByteArray gif = Gif(2, 1, 2, 1, "\1\1");
        row("GIF, CRNG in two sub-blocks",
            QByteArray(gif).insert(19, kCrngApp + '\4' + rec.left(4) + '\x08' + rec.mid(4) + rec +
                                           '\0'),
            "2x1 ffffff ffffff c2");
        row("GIF cut in CRNG", gif.left(19) + kCrngApp + '\6' + rec.left(3), "truncated");
    }
    void hostileImages()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, expected);
        QTemporaryFile err; // nothing reaches stderr
        QVERIFY(err.open());
        const int saved = dup(2);
        dup2(err.handle(), 2);
        const AnyImage image = ReadAnyImage(file);
        // Without a palette, read as the program reads a picture to convert, named as a PNG.
        const bool truecolour = image.refusal == ImageRefusal::NotIndexed ||
                                DetectImageFormat(file) == ImageFormat::Unknown;
        std::optional<TrueColourRows> rows;
        const QImage rgba = truecolour ? rows.emplace(file, "in.png").readAll() : QImage();
        dup2(saved, 2);
        close(saved);
        QCOMPARE(err.size(), 0);
        // The refusal's kind, and its reason when the row names one.
        const auto refused = [&](ImageRefusal why, const QString &detail) {
            return Outcome(why, {}) + (expected.contains(": ") ? ": " + detail : "");
        };
        if (truecolour) {
            QString got = u"%1x%2"_qs.arg(rgba.width()).arg(rgba.height());
            for (int i = 0; i < qMin(2, rgba.width()); ++i)
                got += ' ' + QByteArray::fromRawData(
                                 reinterpret_cast<const char *>(rgba.constBits()) + 4 * i, 4)
                                 .toHex();
            QCOMPARE(rows->refusal() == ImageRefusal::None
                         ? got
                         : refused(rows->refusal(), rows->detail()),
                     expected);
            return;
        }
        QString got = u"%1x%2"_qs.arg(image.pcx.image.width()).arg(image.pcx.image.height());
        for (int i = 0; i < qMin(2, image.pcx.image.width()); ++i)
            got += ' ' + image.pcx.palette.mid(3 * (255 - image.pcx.image.at(i, 0)), 3).toHex();
        if (!image.pcx.cycles.empty())
            got += u" c%1"_qs.arg(image.pcx.cycles.size());
        QCOMPARE(image.refusal == ImageRefusal::None ? got : refused(image.refusal, image.detail),
                 expected);
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
        row("OS/2 2.x header of 16 bytes", QByteArray(onebit).replace(14, 1, "\x10"),
            "110/010 0,0,0");
        row("JPEG inside", Bmp(3, 2, 8, Bytes({0, 0}), 4), "unsupported");
        // RLE: clipped to the picture; pixels the stream skips are index 0.
        row("RLE8 run past the row", Bmp(3, 2, 8, Bytes({5, 1, 0, 0, 1, 1, 0, 1}), 1), "100/111");
        row("RLE8 jump past the row", Bmp(3, 2, 8, Bytes({0, 2, 9, 0, 1, 1, 0, 1}), 1), "000/000");
        row("RLE8 jump past the top", Bmp(3, 2, 8, Bytes({1, 1, 0, 2, 0, 7, 3, 1}), 1), "000/100");
        row("RLE8 ends on a jump out", Bmp(3, 2, 8, Bytes({1, 1, 0, 2, 0, 7}), 1), "000/100");
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
    // A plain BMP read from its file a block of rows at a time, on every core, gives what it
    // gives from memory; one cut after it was opened is refused, not read past its end.
    void bmpFromFile_data()
    {
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("height"); // negative: top row first
        QTest::newRow("24-bit, bottom row first") << 24 << 2040;
        QTest::newRow("24-bit, top row first") << 24 << -2040;
        QTest::newRow("32-bit") << 32 << 700;
    }
    void bmpFromFile()
    {
        QFETCH(int, bits);
        QFETCH(int, height);
        const int width = 1031, stride = (width * bits / 8 + 3) / 4 * 4;
        QByteArray data(stride * std::abs(height), '\0');
        for (int i = 0; i < data.size(); ++i)
            data[i] = char(i * 7 + i / 311);
        const QByteArray bmp = Bmp(width, height, bits, data);
        QTemporaryDir dir;
        const QString path = WriteFile(dir.filePath("a.bmp"), bmp);
        const auto open = [&path] {
            auto file = std::make_unique<QFile>(path);
            return file->open(QIODevice::ReadOnly) ? TrueColourRows::FromBmpFile(file) : nullptr;
        };
        const QImage want = TrueColourRows(bmp).readAll();
        QCOMPARE(open()->readAll(), want);
        const std::unique_ptr<TrueColourRows> steps = open();
        QImage got(want.size(), want.format());
        for (int y = 0; y < got.height(); y += 97)
            QVERIFY(steps->read(got.scanLine(y), std::min(97, got.height() - y)));
        QCOMPARE(got, want);
        const std::unique_ptr<TrueColourRows> cut = open();
        QVERIFY(QFile::resize(path, bmp.size() - stride));
        QVERIFY(cut->readAll().isNull());
        QCOMPARE(cut->detail(), "the file ends before the picture is complete");
        // Any other BMP is left to be read whole.
        auto other = std::make_unique<QFile>(WriteFile(dir.filePath("b.bmp"), Bmp(3, 2, 8, "")));
        QVERIFY(other->open(QIODevice::ReadOnly));
        QVERIFY(!TrueColourRows::FromBmpFile(other) && other);
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
};

QTEST_MAIN(TestFormats)
#include "test_formats.moc"
