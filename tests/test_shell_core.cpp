#include "app/CommandLine.h"
#include "app/IniReader.h"
#include "app/MessageCatalog.h"
#include "app/Placement.h"
#include "app/mdlGlobal.h"
#include "base/Numbers.h"
#include "base/TextHelpers.h"
#include "formats/ImageRead.h"
#include "model/Contrast.h"
#include "support/TestFiles.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

static QByteArray Sjis(const QString &text)
{
    return QStringEncoder("cp932").encode(text);
}
static QByteArray Utf16(QStringEncoder::Encoding order, const QString &text)
{
    return QStringEncoder(order, QStringEncoder::Flag::WriteBom).encode(text);
}

class TestShellCore : public QObject {
    Q_OBJECT
private slots:
    void numericText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value"); // NaN: not a number
        QTest::addColumn<int>("lo");
        QTest::addColumn<int>("whole"); // rounded, in lo..(lo ? 400 : 255); -1: refused
        const double inf = qInf(), no = qQNaN();
        const auto row = [](QString t, double v, int w, int lo = 0) {
            QTest::newRow(qPrintable(
                t.size() > 20 ? u"%1 chars ending %2"_qs.arg(t.size()).arg(t.right(5)) : t))
                << t << v << lo << w;
        };
        const std::tuple<const char *, double, int> rows[] = {
            {"255", 255, 255},  {"256", 256, -1},  {"-1", -1, -1},       {"12.5", 12.5, 12},
            {" 7\t", 7, 7},     {"+3", 3, 3},      {"-0", 0, 0},         {".5", .5, 0},
            {"1E+2", 100, 100}, {"25e-1", 2.5, 2}, {"2.55e2", 255, 255}, {"255.5", 255.5, -1},
            {"-0.5", -.5, 0},   {"-0.6", -.6, -1}, {"1e400", inf, -1},   {"1e-400", 0, 0},

            {"", no, -1},       {"   ", no, -1},   {"abc", no, -1},      {"1e", no, -1},
            {"0x10", no, -1},   {"1,5", no, -1},   {"1 2", no, -1},      {"1.2.3", no, -1},
            {"inf", no, -1},    {"nan", no, -1},   {"１２", no, -1},     {"٣", no, -1}};
        for (const auto &[t, v, w] : rows)
            row(t, v, w);
        row(QStringLiteral("1\u0000"), no, -1);
        row("4294967296", 4294967296., -1);
        row("99999999999999999999", 1e20, -1);
        row(QString(30000, '9'), inf, -1);
        row('1' + QString(400, '0') + "e-10", inf, -1); // read as 0 before (fuzz_number)
        row('1' + QString(400, '0') + "e-398", 100, 100, 100);
        row('1' + QString(400, '0') + '.' + QString(500, '0') + "e-10", inf, -1);
        row("99.5", 99.5, 100, 100);
        row("401", 401, -1, 100);
        row("-150", -150, -1, 100);
        row("2.5e2", 250, 250, 100);
    }
    void numericText()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QFETCH(int, lo);
        QFETCH(int, whole);
        QCOMPARE(ReadNumericText(text).value_or(qQNaN()), value); // NaN equals NaN here
        QCOMPARE(ReadWholeInRange(text, lo, lo ? 400 : 255).value_or(-1), whole);
    }

    // a / b to the nearest whole number, halves to even, in whole and in floating numbers.
    void roundHalfEven_data()
    {
        QTest::addColumn<qlonglong>("a");
        QTest::addColumn<qlonglong>("b");
        QTest::addColumn<qlonglong>("expected");
        const auto row = [](qlonglong a, qlonglong b, qlonglong e) {
            QTest::addRow("%lld / %lld", a, b) << a << b << e;
        };
        const qlonglong rows[][3] = {{1, 2, 0},   {3, 2, 2},   {5, 2, 2},    {-1, 2, 0},
                                     {-5, 2, -2}, {-7, 2, -4}, {-13, 5, -3}, {2, 3, 1}};
        for (const auto &r : rows)
            row(r[0], r[1], r[2]);
        row(INT_MIN, 3, -715827883);
        const qlonglong big = 1LL << 62; // the doubled remainder overflowed (fuzz_number)
        row(big + 5, big + 10, 1);
        row(big - 1, LLONG_MAX - 1, 0);
        row(-(big + 5), big + 10, -1);
    }
    void roundHalfEven()
    {
        QFETCH(qlonglong, a);
        QFETCH(qlonglong, b);
        QFETCH(qlonglong, expected);
        QCOMPARE(DivRoundHalfEven(a, b), expected);
        if (b < 1LL << 53)
            QCOMPARE(RoundHalfEven(double(a) / double(b)), double(expected));
    }

    void textHelpers_data()
    {
        QTest::addColumn<QVariant>("got");
        QTest::addColumn<QVariant>("expected"); // numbers stay numbers when too long
        const QVariant null, s0031(u"0031"_qs), pal(u"パレット"_qs);
        const std::pair<QVariant, QVariant> rows[] = {{AnsiByteLen(null), 0},
                                                      {AnsiByteLen(pal), 8},
                                                      {AnsiByteLen(12), 2},
                                                      {PadZeros(3, 7), u"007"_qs},
                                                      {PadZeros(3, 255), 255},
                                                      {PadZeros(3, QString()), u"000"_qs},
                                                      {PadZeros(3, u"パ"_qs), u"0パ"_qs},
                                                      {PadZeros(3, null), null}};
        for (const auto &[got, expected] : rows)
            QTest::addRow("%d", int(&got - &rows[0].first)) << got << expected;
    }
    void textHelpers()
    {
        QFETCH(QVariant, got);
        QFETCH(QVariant, expected);
        QCOMPARE(got.typeId(), expected.typeId());
        QCOMPARE(got, expected);
    }

    // TITLE/FRM_MAIN of a settings file read once, "dflt" when absent; whether
    // the file was refused.
    void readSetting_data()
    {
        // "path:" a path in a fresh folder, or absolute; "fifo:" a named pipe;
        // "link:" a link to a path
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("refused");
        const auto row = [](const char *n, QByteArray f, QString e, bool refused = false) {
            QTest::newRow(n) << f << e << refused;
        };
        const auto cut = [](const char *n, int c, QByteArray t, QString kept) {
            QTest::newRow(n) << "[TITLE]\nFRM_MAIN=" + t.prepend(c, 'a') << QString(c, 'a') + kept
                             << false;
        };
        row("case, blanks, CRLF, no last newline", "  [title]  \r\n\t Frm_Main \t=  a b \t", "a b");
        row("comments", "[A]\nB=f\n[TITLE]\n;FRM_MAIN=x\n ; FRM_MAIN=x\nFRM_MAIN=y", "y");
        row("';' inside a value", "[TITLE]\nFRM_MAIN=a;b ;c", "a;b ;c");
        row("first duplicate wins, '=' in value", "[TITLE]\nFRM_MAIN=a=b\nfrm_main=B\n", "a=b");
        row("double quotes", "[TITLE]\nFRM_MAIN=\" Foo \"\n", " Foo ");
        row("single quotes", "[TITLE]\nFRM_MAIN='Foo'\n", "Foo");
        row("unmatched quote kept", "[TITLE]\nFRM_MAIN=\"Foo\n", "\"Foo");
        row("empty value is not the default", "[TITLE]\nFRM_MAIN=\n", "");
        row("no prefixes", "[TITLEX]\nFRM_MAIN=x\n[TITLE]\nFRM_MAIN_X=x\nFRM=y", "dflt");
        row("key before any section", "FRM_MAIN=x\n[TITLE]\n", "dflt");
        row("empty file", QByteArray(), "dflt");
        // "表" has "\" as its second byte.
        row("Shift-JIS", Sjis(u"[TITLE]\r\nFRM_MAIN=表パレットﾃｽﾄ\r\n"_qs), u"表パレットﾃｽﾄ"_qs);
        row("UTF-8", u"[TITLE]\nFRM_MAIN=パレット編集\n"_qs.toUtf8(), u"パレット編集"_qs);
        row("UTF-16 LE", Utf16(QStringEncoder::Utf16LE, u"[title]\r\nFRM_MAIN = 'ä表'\r\n"_qs),
            u"ä表"_qs);
        row("UTF-16 BE", Utf16(QStringEncoder::Utf16BE, u"[TITLE]\nFRM_MAIN=表\n"_qs), u"表"_qs);
        // Cut as the text saved in Shift-JIS: "ä" is one byte there, its '?'.
        row("UTF-16 cut as Shift-JIS",
            Utf16(QStringEncoder::Utf16LE,
                  u"[TITLE]\nFRM_MAIN="_qs + QString(1020, 'a') + u"äパパ"_qs),
            QString(1020, 'a') + u"äパ"_qs);
        row("Shift-JIS lead byte at the end of a value", "[TITLE]\nFRM_MAIN=ab\x81\nX=", "ab");
        row("Shift-JIS lead byte before the line end", "[TITLE]\nX=\x81\nFRM_MAIN=ok", "ok");
        row("Shift-JIS lead byte, bad trail byte", "[TITLE]\nFRM_MAIN=\x81\x7f", u"\x1a\x1a"_qs);
        row("bytes that are no Shift-JIS", "[TITLE]\nFRM_MAIN=\xa0\xfd\xfe\xff",
            u"\x1a\x1a\x1a\x1a"_qs);
        row("UTF-8 BOM, then bytes that are no UTF-8",
            "\xef\xbb\xbf[TITLE]\nFRM_MAIN=\xe8\xa1\xa8\xff", u"表\uFFFD"_qs);
        // Found by fuzz_ini: a UTF-8 sequence cut by the end of the file made it count as UTF-8.
        row("fuzz_ini utf8_cut_at_end_of_file", "[TITLE]\nFRM_MAIN=\xe3\x81\x82\xe3\n\xe3\x81",
            u"縺ゅ"_qs);
        row("NUL inside a value", QByteArray("[TITLE]\nFRM_MAIN=ab\0cd", 21), "ab");
        row("binary line before the section", QByteArray("\0\1\xff=\xfe\n[TITLE]\nFRM_MAIN=x", 24),
            "x");
        row("line of 1 MB before the key", "[TITLE]\n" + QByteArray(1000000, 'z') + "\nFRM_MAIN=x",
            "x");
        QByteArray noise(4096, '\0');
        QRandomGenerator(932).fillRange(reinterpret_cast<quint32 *>(noise.data()), 1024);
        row("4 KB of random bytes", noise, "dflt");
        cut("1500 ASCII bytes", 1023, QByteArray(477, 'a'), {});
        cut("value of 1 MB", kProfileValueMaxBytes, QByteArray(1000000, 'a'), {});
        // The cut at 1023 bytes falls inside the first character of the tail.
        cut("Shift-JIS not split", 1022, Sjis(u"パパ"_qs), {});
        cut("half-width katakana is one byte", 1022, Sjis(u"ﾊﾟ"_qs), u"ﾊ"_qs);
        // A lead byte taken for one byte pairs its trail with the next, and a character is lost.
        cut("Shift-JIS lead bytes 0xE0 to 0xFC", 1019, "\xfb\x81\xe0\x81\x81", u"禔焉"_qs);
        cut("UTF-8 not split", 1021, u"パ"_qs.toUtf8(), {});
        cut("UTF-8 fits", 1020, u"パパ"_qs.toUtf8(), u"パ"_qs);
        const QByteArray key = "[TITLE]\r\nFRM_MAIN=x\r\n";
        const QByteArray filler(mdlGlobal::kMaxSettingsBytes - key.size(), ';');
        row("no file", "path:none", "dflt");
        row("unreadable", "path:" + kUnreadableFile.toUtf8(), "dflt");
        row("1 MiB, key at the start", key + filler, "x");
        row("directory", "path:.", "dflt", true);
        row("named pipe", "fifo:", "dflt", true);
        row("link to /dev/zero", "link:/dev/zero", "dflt", true);
        row("1 MiB and a byte, key at the start", key + filler + ';', "dflt", true);
    }
    void readSetting()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, expected);
        QFETCH(bool, refused);
        QTemporaryDir dir;
        const QByteArray kind = file.left(5);
        const bool written = kind != "path:" && kind != "fifo:" && kind != "link:";
        QString &path = mdlGlobal::SettingsFilePath;
        path = dir.filePath(kind == "path:" ? QString(file.mid(5)) : "p.ini");
        if (kind == "fifo:")
            QCOMPARE(::mkfifo(qPrintable(path), 0600), 0);
        if (kind == "link:")
            QVERIFY(QFile::link(file.mid(5), path));
        if (written)
            WriteFile(path, file);
        QCOMPARE(mdlGlobal::LoadSettingsFile(), !refused);
        if (written)
            WriteFile(path, "[TITLE]\nFRM_MAIN=read again");
        QCOMPARE(mdlGlobal::ReadSetting("TITLE", "FRM_MAIN", "dflt"), expected);
        mdlGlobal::ResetSharedState();
    }

    // The keys that replace the texts; every default has its code page 932 form.
    void catalog()
    {
        QStringList keys;
        const MessageCatalog read = ReadCatalog([&](auto &s, auto &k, auto &d) {
            keys << s + '/' + k;
            return d + '/' + s + '/' + k;
        });
        QCOMPARE(keys.mid(0, kCatalogEntries).join(' '),
                 "CONFIG/FONTS MESSAGE/ERR_MSG_0 MESSAGE/ERR_MSG_0 MESSAGE/ERR_MSG_0 "
                 "MESSAGE/MSG_0 MESSAGE/MSG_1_0 MESSAGE/MSG_1_1 MESSAGE/MSG_1_2 "
                 "TITLE/FRM_MAIN TITLE/FRM_PCX TITLE/FRM_PALLET "
                 "TITLE/FRM_PALLET_FRA_CLIP TITLE/FRM_PALLET_CMD_COPY "
                 "TITLE/FRM_PALLET_CMD_PASTE MESSAGE/MSG_2 MESSAGE/MSG_3_1 MESSAGE/MSG_3_2");
        const qsizetype design = keys.indexOf("TITLE/FRM_ABOUT");
        QCOMPARE(
            keys.mid(design, 8).join(' '),
            "TITLE/FRM_ABOUT TITLE/DLG_ACT_OPEN TITLE/DLG_ACT_SAVE TITLE/DLG_PCX_OPEN "
            "TITLE/FRM_CLIP TITLE/FRM_CLIP_LBL_SELECT TITLE/FRM_CLIP_CMD_COPY CONFIG/LANGUAGE");
        QCOMPARE(keys.mid(keys.size() - 3).join(' '),
                 "MESSAGE/ERR_MSG_OVER_255 MESSAGE/ERR_MSG_PCX MESSAGE/ERR_MSG_ZOOM");
        QCOMPARE(keys.removeDuplicates(), 2); // the ERR_MSG_0 keys only
        // The three ERR_MSG_0 sets have keys of their own, read last, with its value as default.
        QCOMPARE(read.MsgPcxUnsupported.section('/', 1), "MESSAGE/ERR_MSG_0/MESSAGE/ERR_MSG_PCX");
        QCOMPARE(read.MsgZoomRange, "100～400" + read.MsgEnterNumber + "/MESSAGE/ERR_MSG_ZOOM");
        for (const CatalogEntry &e : CatalogEntries()) {
            QVERIFY((read.*e.member).startsWith(e.defaultText + '/' + e.section + '/' + e.key));
            QCOMPARE(DefaultCatalog().*e.member, e.defaultText);
            QCOMPARE(FromAnsiBytes(ToAnsiBytes(e.defaultText)), e.defaultText);
        }
    }

    // A reader's English reason in the catalogue's words, Japanese by default, English from the
    // sample file, its numbers kept; a library's words as they came.
    void reasons_data()
    {
        QTest::addColumn<bool>("english");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("want");
        QTest::newRow("numbers")
            << false << "211 bytes of pixel data for 64 rows that need 1024"
            << "64 行には 1024 バイトの画素が要りますが 211 バイトしかありません";
        QTest::newRow("one in another") << false << "GPL, line 3: not three numbers from 0 to 255"
                                        << "GPL の 3 行目: 0～255 の数が 3 つありません";
        QTest::newRow("the closer pattern") << false << "not a PNG, BMP or GIF file"
                                            << "PNG、BMP、GIF のどれでもありません";
        // In the readers' own words, so that rewording one is caught.
        QTest::newRow("too large")
            << false << TooLargeText(20000, 20000, true)
            << "20000 x 20000 画素の画像は大きすぎます（268435456 画素、16384 "
               "x 16384、一辺 65536 まで）";
        QTest::newRow("a library's") << false << "No space left on device"
                                     << "No space left on device";
        QTest::newRow("english") << true << "no palette of 256 colours or fewer"
                                 << "no palette of 256 colours or fewer";
    }
    void reasons()
    {
        QFETCH(bool, english);
        QFETCH(QString, reason);
        QFETCH(QString, want);
        QFile en(QFINDTESTDATA("../samples/palmiro-en.ini"));
        QVERIFY(en.open(QIODevice::ReadOnly));
        const ProfileFile file(english ? en.readAll() : QByteArray());
        const MessageCatalog catalog =
            ReadCatalog([&](auto &s, auto &k, auto &d) { return file.value(s, k, d); });
        QCOMPARE(CatalogReason(catalog, reason), want);
        // Every reason the sample file words is known by its words.
        for (const CatalogEntry &e : ReasonCatalogEntries())
            if (QLatin1String(e.section) == "REASONS")
                QCOMPARE(CatalogReason(DefaultCatalog(),
                                       file.value(u"REASONS", QString::fromLatin1(e.key), {})),
                         english ? e.defaultText : QString());
    }

    // The read-out's text on a packed background: the complement unless under 3:1 (WCAG 2),
    // then black or white, whichever reads better. Mid grey, brick, black, 3.04:1, 2.96:1.
    void textColor_data()
    {
        QTest::addColumn<qint32>("background");
        QTest::addColumn<qint32>("text");
        const qint32 rows[][2] = {{0x808080, 0},
                                  {0x5857ba, 0},
                                  {0, 0xffffff},
                                  {0x575757, 0xa8a8a8},
                                  {0x585858, 0xffffff}};
        for (const auto &[background, text] : rows)
            QTest::addRow("%06x", background) << background << text;
    }
    void textColor()
    {
        QFETCH(qint32, background);
        QFETCH(qint32, text);
        QCOMPARE(ReadableTextColor(background), text);
    }

    // The colour chooser's frame (520 x 420) beside the palette, main and screen windows
    // (frames at x 8, 266, 390 moved by dx, 704 the right of all three): on the side with
    // room (right, left), else over the far part of the picture, else below them.
    void placeBeside_data()
    {
        QTest::addColumn<QList<int>>("r"); // available width, height, dx, expected x, y
        const QList<int> rows[] = {{1920, 1080, 0, 704, 37},
                                   {1920, 1080, 1200, 688, 37},
                                   {1024, 768, 0, 504, 37},
                                   {800, 1200, 0, 67, 450},
                                   {640, 480, 0, 120, 37}};
        for (const QList<int> &r : rows)
            QTest::addRow("%dx%d+%d", r[0], r[1], r[2]) << r;
    }
    void placeBeside()
    {
        QFETCH(QList<int>, r);
        const QRect pallet(8 + r[2], 37, 258, 413), main(266 + r[2], 37, 124, 412),
            screen(390 + r[2], 37, 314, 320);
        QCOMPARE(PlaceBesideWindows({0, 0, r[0], r[1]}, pallet, main, screen, {520, 420}),
                 QPoint(r[3], r[4]));
    }

    // Only the arguments before the first "--" reach Qt; every one after it is a file.
    void commandLine_data()
    {
        QTest::addColumn<QString>("args");
        QTest::addColumn<QString>("expected"); // how many Qt sees | the files | 1 help, 2 version
        const auto row = [](const char *args, const char *e) { QTest::newRow(args) << args << e; };
        row("palmiro -reverse a", "3||0");
        row("palmiro -- -reverse", "1|-reverse|0");
        row("palmiro -style fusion -- a --", "3|a,--|0");
        row("palmiro a --version -h", "4||2");
        row("palmiro -- --help", "1|--help|0");
    }
    void commandLine()
    {
        QFETCH(QString, args);
        QFETCH(QString, expected);
        const QList<QByteArray> bytes = args.toLocal8Bit().split(' ');
        std::vector<const char *> argv;
        for (const QByteArray &b : bytes)
            argv.push_back(b.constData());
        const CommandLine line = SplitCommandLine(int(argv.size()), argv.data());
        QCOMPARE(QString::number(line.qtArgc) + '|' + line.files.join(',') + '|' +
                     QString::number(int(line.ask)),
                 expected);
    }

    // Both programs answer with no display at all: exit 0, nothing on stderr.
    void selfDescription_data()
    {
        QTest::addColumn<QStringList>("command");
        QTest::addColumn<QString>("expected"); // in the output
        auto row = [](QStringList c, QString e) {
            QTest::newRow(qPrintable(c.join(' '))) << c << e;
        };
        row({PALMIRO_APP, "--version"}, "palmiro " PALMIRO_VERSION "\n");
        row({PALMIRO_APP, "-style", "fusion", "-h"}, "\n  /nowhere/palmiro/palmiro.ini\n");
        row({PALMIRO_TOOL, "--version"}, "palmiro-tool " PALMIRO_VERSION "\n");
        row({PALMIRO_TOOL, "--help"}, "palmiro-tool help [COMMAND]");
        row({PALMIRO_TOOL, "help", "render"}, "\n  --zoom PERCENT");
    }
    void selfDescription()
    {
        QFETCH(QStringList, command);
        QFETCH(QString, expected);
        QProcess child;
        // The sanitizers' options kept.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(name);
        env.insert("XDG_CONFIG_HOME", "/nowhere");
        child.setProcessEnvironment(env);
        child.start(command.takeFirst(), command);
        QVERIFY(child.waitForFinished(10000));
        QCOMPARE(child.readAllStandardError(), QByteArray());
        QVERIFY(child.readAllStandardOutput().contains(expected.toUtf8()));
        QCOMPARE(child.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestShellCore)
#include "test_shell_core.moc"
