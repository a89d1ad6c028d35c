#include "app/CommandLine.h"
#include "app/IniReader.h"
#include "app/MessageCatalog.h"
#include "app/Placement.h"
#include "app/mdlGlobal.h"
#include "base/Numbers.h"
#include "base/TextHelpers.h"
#include "formats/EngineTableFiles.h"
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

class TestSettings : public QObject {
    Q_OBJECT

private slots:
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
        QTest::newRow("a table's")
            << false << ReadEngineTables(TableFormat::Raw, QByteArray(300, 1)).error
            << "raw のテーブルは 256 バイトの行の並びですが、このファイルは "
               "300 バイトです";
        QTest::newRow("a table's, by its name")
            << false << ReadEngineTables(TableFormat::Colormap, QByteArray(8700, 0)).error
            << "COLORMAP は 8,704 バイトですが、このファイルは 8,700 バイトです";
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
};

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
