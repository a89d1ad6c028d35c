#include "base/ByteSource.h"
#include "convert/TrueColour.h"
#include "formats/ActFile.h"
#include "formats/ImageExport.h"
#include "formats/ImageFormats.h"
#include "formats/PaletteFormats.h"
#include "model/ActApply.h"
#include "support/PcxBuilder.h"
#include "support/TestFiles.h"

#include <QtTest>

#include <optional>

#include <unistd.h>
#include <zlib.h>

namespace {

using L = QList<int>;

QString First(const QByteArray &rgb)
{
    return rgb.isEmpty()
               ? "-"
               : u"%1,%2,%3"_qs.arg(quint8(rgb[0])).arg(quint8(rgb[1])).arg(quint8(rgb[2]));
}

// The application extension GrafX2 keeps its cycling ranges in, before its sub-blocks.
const QByteArray kCrngApp("\x21\xFF\013CRNG\0\0\0\0001.0", 14);

QByteArray Be(quint32 v)
{
    return QByteArray(1, char(v >> 24)) + char(v >> 16) + char(v >> 8) + char(v);
}

QByteArray PngChunk(const char *type, const QByteArray &data, quint32 spoil = 0)
{
    const QByteArray body = type + data;
    return Be(data.size()) + body +
           Be(crc32(0, reinterpret_cast<const Bytef *>(body.data()), uInt(body.size())) ^ spoil);
}

// Indexed 8-bit unless told; rows in hex, then as many zero bytes; no IDAT
// without rows.
QByteArray Png(quint32 w, quint32 h, const char *rows, qsizetype zeros = 0, char depth = 8,
               char colour = 3, const QByteArray &plte = "\x7f\x7f\x7f")
{
    const QByteArray z = qCompress(QByteArray::fromHex(rows) + QByteArray(zeros, 0)).mid(4);
    return "\x89PNG\r\n\x1a\n" +
           PngChunk("IHDR", Be(w) + Be(h) + depth + colour + QByteArray(3, 0)) +
           (plte.isEmpty() ? "" : PngChunk("PLTE", plte)) + (rows ? PngChunk("IDAT", z) : "") +
           PngChunk("IEND", {});
}

// A frame at 0, 0 in black and white whose data is `codes`, codeSize + 1 bits each.
QByteArray GifCodes(int sw, int sh, int fw, int fh, int codeSize, const QList<int> &codes)
{
    QByteArray lzw;
    quint32 bits = 0;
    int held = 0;
    for (const int code : codes)
        for (bits |= quint32(code) << held, held += codeSize + 1; held >= 8; held -= 8, bits >>= 8)
            lzw += char(bits);
    lzw += held ? QByteArray(1, char(bits)) : "";
    const auto le = [](int v) { return QByteArray(1, char(v)) + char(v >> 8); };
    return "GIF89a" + le(sw) + le(sh) + QByteArray("\x80\0\0\0\0\0\xff\xff\xff,\0\0\0\0", 14) +
           le(fw) + le(fh) + '\0' + char(codeSize) + char(lzw.size()) + lzw + QByteArray("\0;", 2);
}

// Pixels between a clear and an end code, at most 120 while the codes keep their width.
QByteArray Gif(int sw, int sh, int fw, int fh, const QByteArray &indices, int codeSize = 7)
{
    QList<int> codes{1 << codeSize};
    for (const char i : indices)
        codes += quint8(i);
    return GifCodes(sw, sh, fw, fh, codeSize, codes << (1 << codeSize) + 1);
}

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
};

QTEST_MAIN(TestFormats)
#include "test_formats.moc"
