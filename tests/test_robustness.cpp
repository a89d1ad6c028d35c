// Bad data at every input the program reads, where the other suites leave a
// case open: the settings file, ACT and PCX files, the clipboard text and
// the typed numbers. Inputs the fuzzers found are kept here by name too.

#include "image/DrawPcxImage.h"
#include "image/LoadPcxFile.h"
#include "image/PcxReader.h"
#include "image/frmPCX.h"
#include "palette/ActApply.h"
#include "palette/ActFile.h"
#include "palette/frmInitPallet.h"
#include "palette_window/ClipText.h"
#include "palette_window/frmPallet.h"
#include "shell/Forms.h"
#include "shell/IniReader.h"
#include "shell/Numbers.h"
#include "shell/frmMain.h"
#include "shell/mdlGlobal.h"
#include "support/AppUnderTest.h"
#include "support/ScriptedPlatform.h"
#include "support/TestFiles.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QtTest>

#include <climits>

using namespace mdlGlobal;

namespace {

// Opens, then fails every read with an I/O error, even for root, which
// reads any file whatever its permission bits.
const QString kUnreadable = QStringLiteral("/proc/self/mem");

QByteArray Pcx(int xmax, int ymax, const QByteArray &data)
{
    QByteArray file(128, '\0');
    file[0] = 10;
    file[1] = 5;
    file[2] = 1;
    file[3] = 8;
    file[8] = char(xmax);
    file[9] = char(xmax >> 8);
    file[10] = char(ymax);
    file[11] = char(ymax >> 8);
    file[65] = 1;
    file += data;
    for (int k = 0; k < 768; ++k)
        file += char(k / 3);
    return file;
}

QString Entries(int count, const char *triple = "001002003")
{
    QString s;
    for (int i = 0; i < count; ++i)
        s += QLatin1String(triple);
    return s;
}

} // namespace

class TestRobustness : public QObject {
    Q_OBJECT

    ScriptedPlatform scripted;
    std::unique_ptr<QTemporaryDir> tmp;

    QString write(const QString &name, const QByteArray &bytes)
    {
        return WriteFile(tmp->filePath(name), bytes);
    }

private slots:
    void init()
    {
        scripted = ScriptedPlatform{};
        tmp = std::make_unique<QTemporaryDir>();
        QVERIFY(StartApplication(&scripted));
    }

    void cleanup()
    {
        EndApplication();
        tmp.reset();
    }

    // Quotients of the largest whole numbers, which the scroll and zoom
    // arithmetic takes from the controls; found by fuzz_number.
    void divisionExtremes_data()
    {
        QTest::addColumn<qlonglong>("a");
        QTest::addColumn<qlonglong>("b");
        QTest::addColumn<qlonglong>("expected");
        const qlonglong big = 1LL << 62;
        QTest::newRow("fuzz_number div_round_remainder_doubled_overflows")
            << big + 5 << big + 10 << 1LL;
        QTest::newRow("just above a half") << big + 5 << LLONG_MAX << 1LL;
        QTest::newRow("exactly a half, to even") << big - 1 << LLONG_MAX - 1 << 0LL;
        QTest::newRow("negative, just below a half") << -(big + 5) << big + 10 << -1LL;
    }

    void divisionExtremes()
    {
        QFETCH(qlonglong, a);
        QFETCH(qlonglong, b);
        QFETCH(qlonglong, expected);
        QCOMPARE(DivRoundHalfEven(a, b), expected);
    }

    // TITLE/FRM_MAIN of each file; every file also has FRM_PCX=ok after it,
    // which a bad byte before must not hide.
    void settingsText_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("expected");
        auto row = [](const char *name, const QByteArray &before, const QByteArray &value,
                      const QString &expected) {
            QTest::newRow(name) << before + "[TITLE]\nFRM_MAIN=" + value + "\nFRM_PCX=ok\n"
                                << expected;
        };
        row("Shift-JIS lead byte at the end of a value", {}, "ab\x81", "ab");
        row("Shift-JIS lead byte before the line end", {}, "\x81", "");
        row("Shift-JIS lead byte with a bad trail byte", {},
            "a\x81\x7f"
            "c",
            u"a\x1a\x1a"
            "c"_qs);
        row("bytes that are no Shift-JIS", {},
            "a\xa0\xfd\xfe\xff"
            "c",
            u"a\x1a\x1a\x1a\x1a"
            "c"_qs);
        row("UTF-8 BOM, then bytes that are no UTF-8", "\xef\xbb\xbf",
            "a\xff"
            "b",
            u"a\uFFFD"
            "b"_qs);
        row("NUL inside a value", {}, QByteArray("ab\0cd", 5), "ab");
        row("binary line before the section", QByteArray("\x00\x01\xff=\xfe\n", 6), "x", "x");
        row("line of 1 MB before the section", QByteArray(1 << 20, 'z') + "\n", "x", "x");
        row("value of 1 MB", {}, QByteArray(1 << 20, 'v'), QString(kProfileValueMaxBytes, u'v'));
        // Found by fuzz_ini: a UTF-8 sequence cut off by the end of the file
        // made the file count as UTF-8.
        QTest::newRow("fuzz_ini utf8_cut_at_end_of_file")
            << QByteArray("[TITLE]\nFRM_MAIN=\xe3\x81\x82\xe3\nFRM_PCX=ok\n\xe3\x81")
            << QString(QStringDecoder("cp932").decode(QByteArray("\xe3\x81\x82\xe3")));
    }

    void settingsText()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, expected);
        QCOMPARE(ReadProfileString(file, u"TITLE", u"FRM_MAIN", QStringLiteral("dflt")), expected);
        QCOMPARE(ReadProfileString(file, u"TITLE", u"FRM_PCX", QStringLiteral("dflt")),
                 QStringLiteral("ok"));
    }

    void settingsFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("expected");
        QTest::newRow("unreadable file") << "unreadable"
                                         << "dflt";
        QTest::newRow("20 MB, key at the start") << "early"
                                                 << "x";
        QTest::newRow("20 MB, key past 16 MB") << "late"
                                               << "dflt";
    }

    void settingsFile()
    {
        QFETCH(QString, kind);
        QFETCH(QString, expected);
        const QByteArray filler = QByteArray(20 << 20, ';');
        if (kind == "unreadable")
            SettingsFilePath = kUnreadable;
        else if (kind == "early")
            SettingsFilePath = write("s.ini", "[TITLE]\nFRM_MAIN=x\n" + filler);
        else
            SettingsFilePath = write("s.ini", filler + "\n[TITLE]\nFRM_MAIN=x\n");
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(ReadSetting("TITLE", "FRM_MAIN", "dflt"), expected);
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
        SettingsFilePath.clear();
    }

    // ApplyActBytes with lengths no file gives; bytes past the data read 0.
    void actLength_data()
    {
        QTest::addColumn<qint64>("len");
        QTest::addColumn<int>("entries");
        QTest::newRow("negative") << qint64(-1) << 0;
        QTest::newRow("beyond the data") << qint64(600) << 200;
        QTest::newRow("fuzz_act largest_length_overflows") << qint64(LLONG_MAX) << 256;
    }

    void actLength()
    {
        QFETCH(qint64, len);
        QFETCH(int, entries);
        PalletArray pallet{};
        pallet[0].set(9, 9, 9);
        const QByteArray bytes("\x01\x02\x03\x04", 4);
        QCOMPARE(ApplyActBytes(pallet, bytes, len), entries);
        if (entries == 0) {
            QCOMPARE(pallet[0], PalletEntry(pallet[0]));
            QCOMPARE(int(pallet[0].R), 9);
            return;
        }
        QCOMPARE(QList<int>({pallet[0].R, pallet[0].G, pallet[0].B, pallet[1].R, pallet[1].G}),
                 QList<int>({1, 2, 3, 4, 0}));
        QCOMPARE(pallet[entries - 1].color(), 0);
        QVERIFY(!pallet[256].Color);
    }

    void actOpen_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("read");
        QTest::newRow("unreadable file") << "unreadable" << false;
        QTest::newRow("10 MB file") << "huge" << true;
    }

    void actOpen()
    {
        QFETCH(QString, kind);
        QFETCH(bool, read);
        FrmPallet().lblFName->setText("keep.act");
        FrmPallet().lblColor_Click(3);
        const PalletArray before = Pallet;
        QByteArray big(10 << 20, '\x07');
        scripted.paths.push_back(kind == "unreadable" ? kUnreadable : write("big.act", big));
        FrmMain().cmdActOpen_Click();
        if (!read) {
            QCOMPARE(scripted.messages.size(), 1);
            QCOMPARE(Pallet, before);
            QCOMPARE(FrmPallet().lblFName->text(), QStringLiteral("keep.act"));
            return;
        }
        QVERIFY(scripted.messages.isEmpty());
        for (int i = 0; i < kPalletEntries; ++i)
            QCOMPARE(Pallet[i].color(), PackColor(7, 7, 7));
        QCOMPARE(FrmPallet().txtColor[0]->text(), QStringLiteral("7"));
    }

    // Places no save can reach, root included: one message, the name shown
    // stays, nothing is written.
    void actSave_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("folder nobody can write") << "/proc/palmiro-save-test.act";
        QTest::newRow("target that cannot be read") << kUnreadable;
    }

    void actSave()
    {
        QFETCH(QString, path);
        FrmPallet().lblFName->setText("keep.act");
        scripted.paths.push_back(path);
        FrmMain().cmdActSave_Click();
        QCOMPARE(scripted.messages.size(), 1);
        QCOMPARE(scripted.messages[0].buttons, Platform::Buttons::Ok);
        QCOMPARE(FrmPallet().lblFName->text(), QStringLiteral("keep.act"));
        QVERIFY(!QFileInfo::exists(QStringLiteral("/proc/palmiro-save-test.act")));
    }

    // Each refused the same way: the message, and nothing shown changes.
    void pcxOpen_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("unreadable file") << "unreadable" << QByteArray();
        QTest::newRow("empty file") << "file" << QByteArray();
        QTest::newRow("all bytes 0xFF") << "file" << QByteArray(4096, '\xff');
        QTest::newRow("65535 x 65535 from 64 bytes")
            << "file" << Pcx(65535, 65535, QByteArray(64, '\xff'));
        QTest::newRow("palette only, no pixel data") << "file" << Pcx(0, 0, {});
    }

    void pcxOpen()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, bytes);
        scripted.paths.push_back(
            write("good.pcx", Pcx(3, 1, QByteArray("\x01\x02\x03\x04\x05\x06\x07\x08"))));
        FrmMain().cmdPcxOpen_Click();
        QCOMPARE(mdlGlobal::PcxImage.width(), 4);
        FrmPallet().lblFName->setText("keep.act");
        const PalletArray before = Pallet;
        const std::vector<quint8> pixels = mdlGlobal::PcxImage.pixels;
        const QImage raster = FrmPCX().raster().copy();

        scripted.paths.push_back(kind == "unreadable" ? kUnreadable : write("bad.pcx", bytes));
        FrmMain().cmdPcxOpen_Click();
        QCOMPARE(scripted.messageTexts(), QStringList{Catalog.MsgPcxUnsupported});
        QCOMPARE(Pallet, before);
        QCOMPARE(mdlGlobal::PcxImage.pixels, pixels);
        QCOMPARE(FrmPallet().lblFName->text(), QStringLiteral("keep.act"));
        QCOMPARE(FrmPCX().raster(), raster);
    }

    // The file is read once: pixels and palette come from the bytes that
    // were checked, whatever the file holds by the time they are decoded.
    void pcxChangesWhileOpen()
    {
        const QByteArray first = Pcx(3, 1, QByteArray("\x01\x02\x03\x04\x05\x06\x07\x08"));
        const QString path = write("moving.pcx", first);
        QVERIFY(LoadPcxFile(path));
        write("moving.pcx", Pcx(9, 9, QByteArray(100, '\x33')) + QByteArray(5000, '\0'));
        DecodePcxImage();
        QCOMPARE(mdlGlobal::PcxImage.width(), 4);
        QCOMPARE(mdlGlobal::PcxImage.height(), 2);
        QCOMPARE(int(mdlGlobal::PcxImage.at(3, 1)), 8);
        QCOMPARE(PcxFileBytes, first);
        QCOMPARE(int(Pallet[0].R), 255);
    }

    void clipText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("entries"); // 0: no clipboard palette text
        QTest::newRow("fuzz_clip count_with_exponent_allocates_billions")
            << "Palmiro2e9" + Entries(3) << 0;
        QTest::newRow("count 9e9") << "Palmiro9e9" + Entries(3) << 0;
        QTest::newRow("count 1e2 with 101 entries") << "Palmiro1e2" + Entries(101) << 101;
        QTest::newRow("line break inside a field") << "Palmiro000001\r\n02003" << 0;
        QTest::newRow("emoji in a field") << QStringLiteral("Palmiro000001\U0001F600003") << 0;
        QTest::newRow("lone surrogate in the count")
            << QStringLiteral("Palmiro0") + QChar(0xD800) + "0001002003" << 0;
        QTest::newRow("8 MB after a full text")
            << "Palmiro255" + Entries(256) + QString(8 << 20, u'7') << 256;
        QTest::newRow("8 MB of digits, count 999") << "Palmiro999" + QString(8 << 20, u'1') << 1000;
    }

    void clipText()
    {
        QFETCH(QString, text);
        QFETCH(int, entries);
        QElapsedTimer clock;
        clock.start();
        const auto parsed = ParseClipText(text);
        QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(parsed ? int(parsed->size()) : 0, entries);
    }

    // A clipboard of several megabytes through the paste: one prompt for
    // the room left, nothing written past entry 255.
    void pasteHugeClipboard()
    {
        scripted.clipboard = "Palmiro999" + QString(8 << 20, u'1');
        FrmPallet().lblColor_Click(250);
        FrmPallet().cmdPaste_Click();
        QCOMPARE(scripted.messages.size(), 1);
        QVERIFY(scripted.messages[0].text.startsWith(QStringLiteral("250")));
        for (int i = 0; i < kPalletEntries; ++i)
            QCOMPARE(Pallet[i].color(), i >= 250 ? PackColor(111, 111, 111) : 0);
        QVERIFY(!Pallet[256].Color);
    }

    // Typed into a box and committed: the value taken, or -1 for the
    // refusal message with nothing changed. Zoom values are the text after.
    void typedNumbers_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        auto row = [](const char *box, const char *name, const QString &text, int value) {
            QTest::addRow("%s: %s", box, name) << box << text << value;
        };
        const QString manyDigits = QStringLiteral("1") + QString(400, u'0');
        row("pallet", "overflowing 1e400", QStringLiteral("1e400"), -1);
        row("pallet", "20 digits", QStringLiteral("99999999999999999999"), -1);
        row("pallet", "full-width digits", QStringLiteral("１２"), -1);
        row("pallet", "exponent 25e-1", QStringLiteral("25e-1"), 2);
        row("pallet", "inf", QStringLiteral("inf"), -1);
        row("pallet", "minus zero", QStringLiteral("-0"), 0);
        row("pallet", "underflowing 1e-400", QStringLiteral("1e-400"), 0);
        row("pallet", "blanks only", QStringLiteral("   "), -1);
        row("pallet", "NUL after a digit", QStringLiteral("1") + QChar(0), -1);
        row("pallet", "Arabic-Indic digit", QStringLiteral("٣"), -1);
        row("pallet", "30000 digits", QString(30000, u'9'), -1);
        // Found by checking fuzz_number against strtod: a mantissa too long for
        // a double with a small negative exponent read as 0.
        row("pallet", "401 digits e-10", manyDigits + "e-10", -1);
        row("init", "overflowing 1e400", QStringLiteral("1e400"), -1);
        row("init", "plus sign", QStringLiteral("+5"), 5);
        row("init", "hex 0x10", QStringLiteral("0x10"), -1);
        row("init", "decimal comma", QStringLiteral("1,5"), -1);
        row("init", "full-width digit", QStringLiteral("１"), -1);
        row("init", "exponent 2.55e2", QStringLiteral("2.55e2"), 255);
        row("zoom", "exponent 2.5e2", QStringLiteral("2.5e2"), 250);
        row("zoom", "negative", QStringLiteral("-150"), -1);
        row("zoom", "overflowing 1e400", QStringLiteral("1e400"), -1);
        row("zoom", "nan", QStringLiteral("nan"), -1);
        row("zoom", "full-width digits", QStringLiteral("２００"), -1);
        row("zoom", "401 digits e-398", manyDigits + "e-398", 100);
        row("zoom", "blank inside", QStringLiteral("12 3"), -1);
    }

    void typedNumbers()
    {
        QFETCH(QString, box);
        QFETCH(QString, text);
        QFETCH(int, value);
        if (box == "zoom") {
            frmMain &m = FrmMain();
            m.sldZoom->setValue(300);
            m.txtZoom->setText(text);
            QCOMPARE(m.txtZoom_LostFocus(), value >= 0);
            QCOMPARE(scripted.messageTexts(),
                     value >= 0 ? QStringList()
                                : QStringList{u"100～400"_qs + Catalog.MsgEnterNumber});
            QCOMPARE(m.txtZoom->text(), QString::number(value >= 0 ? value : 100));
            QCOMPARE(m.sldZoom->value(), value >= 0 ? value : 300);
            return;
        }
        const bool pallet = box == "pallet";
        QLineEdit *edit = pallet ? FrmPallet().txtColor[1] : FrmInitPallet().txtColor[1];
        QSlider *slider = pallet ? FrmPallet().sldColBar[1] : FrmInitPallet().sldColBar[1];
        slider->setValue(40);
        edit->setText(text);
        const bool taken =
            pallet ? FrmPallet().txtColor_LostFocus(1) : FrmInitPallet().txtColor_LostFocus(1);
        QCOMPARE(taken, value >= 0);
        QCOMPARE(scripted.messageTexts(),
                 value >= 0 ? QStringList() : QStringList{Catalog.MsgOver255});
        QCOMPARE(slider->value(), value >= 0 ? value : 40);
        QCOMPARE(edit->text(), text.isEmpty() && pallet ? QStringLiteral("0") : text);
        if (pallet)
            QCOMPARE(int(Pallet[SelectedPalletID].G), value >= 0 ? value : 40);
    }
};

QTEST_MAIN(TestRobustness)
#include "test_robustness.moc"
