#include "shell/IniReader.h"
#include "shell/MessageCatalog.h"
#include "shell/Numbers.h"
#include "shell/TextHelpers.h"
#include "shell/mdlGlobal.h"
#include "support/TestFiles.h"

#include <QRandomGenerator>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

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
    void readProfileString_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *n, QByteArray f, QString e) { QTest::newRow(n) << f << e; };
        row("case, blanks, CRLF, no last newline", "  [title]  \r\n\t Frm_Main \t=  a b \t", "a b");
        row("comments", "[A]\nB=f\n[TITLE]\n;FRM_MAIN=x\n ; FRM_MAIN=x\nFRM_MAIN=y", "y");
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
        row("UTF-8 with BOM", "\xEF\xBB\xBF" + u"[TITLE]\nFRM_MAIN=表\n"_qs.toUtf8(), u"表"_qs);
        row("UTF-16 LE", Utf16(QStringEncoder::Utf16LE, u"[title]\r\nFRM_MAIN = 'ä表'\r\n"_qs),
            u"ä表"_qs);
        row("UTF-16 BE", Utf16(QStringEncoder::Utf16BE, u"[TITLE]\nFRM_MAIN=表\n"_qs), u"表"_qs);
    }
    void readProfileString()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, expected);
        QCOMPARE(ReadProfileString(file, u"TITLE", u"FRM_MAIN", u"dflt"_qs), expected);
    }

    void readProfileStringCuts_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *n, int c, QByteArray t, QString k) {
            QTest::newRow(n) << "[TITLE]\nFRM_MAIN=" + t.prepend(c, 'a') << QString(c, u'a') + k;
        };
        row("1500 ASCII bytes", 1023, QByteArray(477, 'a'), {});
        // The cut at 1023 bytes falls inside the first character of the tail.
        row("Shift-JIS not split", 1022, Sjis(u"パパ"_qs), {});
        row("Shift-JIS fits", 1021, Sjis(u"パパ"_qs), u"パ"_qs);
        row("half-width katakana is one byte", 1022, Sjis(u"ﾊﾟ"_qs), u"ﾊ"_qs);
        row("UTF-8 not split", 1021, u"パ"_qs.toUtf8(), {});
        row("UTF-8 fits", 1020, u"パパ"_qs.toUtf8(), u"パ"_qs);
        // Cut as the text saved in Shift-JIS: "ä" is one byte there, its '?'.
        QTest::newRow("UTF-16 cut as Shift-JIS")
            << Utf16(QStringEncoder::Utf16LE,
                     u"[TITLE]\nFRM_MAIN="_qs + QString(1020, u'a') + u"äパパ"_qs)
            << QString(1020, u'a') + u"äパ"_qs;
    }
    void readProfileStringCuts() { readProfileString(); }

    void readProfileStringGarbage()
    {
        QRandomGenerator random(932);
        QByteArray bytes(4096, '\0');
        for (int round = 0; round < 20; ++round) {
            random.fillRange(reinterpret_cast<quint32 *>(bytes.data()), bytes.size() / 4);
            QCOMPARE(ReadProfileString(bytes, u"TITLE", u"FRM_MAIN", u"dflt"_qs), "dflt");
        }
    }

    void readSettingFromFile()
    {
        QTemporaryDir dir;
        const auto read = [](const char *key) { return mdlGlobal::ReadSetting("TITLE", key, "-"); };
        for (const QString &path : {dir.filePath(u"missing.ini"_qs), dir.path()}) { // none, no file
            mdlGlobal::SettingsFilePath = path;
            QCOMPARE(read("FRM_MAIN"), "-");
        }
        mdlGlobal::SettingsFilePath = WriteFile(dir.filePath(QStringLiteral("palmiro.ini")),
                                                Sjis(u"[TITLE]\r\nFRM_MAIN=メイン\r\n"_qs));
        QCOMPARE(read("FRM_MAIN") + read("FRM_PCX"), u"メイン-"_qs);
        mdlGlobal::SettingsFilePath.clear();
    }

    void catalogTable()
    {
        const struct {
            const char *name, *section, *key;
            QString text;
        } rows[] = {
            {"UiFontName", "CONFIG", "FONTS", u"ＭＳ Ｐゴシック"_qs},
            {"MsgOver255", "MESSAGE", "ERR_MSG_0", u"255以下の数値を入力して下さい！"_qs},
            {"MsgPcxUnsupported", "MESSAGE", "ERR_MSG_0",
             u"この形式のＰＣＸファイルは、本プログラムでは対応していません！"_qs},
            {"MsgEnterNumber", "MESSAGE", "ERR_MSG_0", u"の数値を入力して下さい！"_qs},
            {"MsgExitConfirm", "MESSAGE", "MSG_0", u"Palmiro を終了しますか？"_qs},
            {"MsgPasteRangeSep", "MESSAGE", "MSG_1_0", u" \uFF5E "_qs},
            {"MsgPasteRewrite", "MESSAGE", "MSG_1_1", u" のパレットを書き換えます。"_qs},
            {"MsgPasteConfirm", "MESSAGE", "MSG_1_2", u"よろしいですか？"_qs},
            {"TitleMain", "TITLE", "FRM_MAIN", u"Palmiro"_qs},
            {"TitleScreen", "TITLE", "FRM_PCX", u"Palmiro - スクリーン"_qs},
            {"TitlePallet", "TITLE", "FRM_PALLET", u"Palmiro - パレット"_qs},
            {"CaptionClipFrame", "TITLE", "FRM_PALLET_FRA_CLIP", u"クリップボード"_qs},
            {"CaptionCopy", "TITLE", "FRM_PALLET_CMD_COPY", u"コピー"_qs},
            {"CaptionPaste", "TITLE", "FRM_PALLET_CMD_PASTE", u"貼り付け"_qs},
            {"MsgInitPallet", "MESSAGE", "MSG_2", u"パレットの初期値を指定してください。"_qs},
            {"MsgSearchShown", "MESSAGE", "MSG_3_1",
             u"選択パレットを使用している箇所を表示しました。"_qs},
            {"MsgSearchReturn", "MESSAGE", "MSG_3_2", u"OKボタン押下、通常表示に戻ります。"_qs},
        };
        static_assert(std::size(rows) == kCatalogEntries);
        // The one ERR_MSG_0 feeds three texts; the others keep their defaults.
        const QByteArray file = Sjis(u"[message]\r\nerr_msg_0=だめ\r\n"_qs);
        QStringList calls;
        const MessageCatalog read = ReadCatalog([&](auto &s, auto &k, auto &d) {
            calls << s + u'/' + k;
            return ReadProfileString(file, s, k, d);
        });
        for (const auto &r : rows) {
            const CatalogEntry &e = CatalogEntries()[&r - rows];
            QCOMPARE(QString(e.name) + e.section + e.key, QString(r.name) + r.section + r.key);
            QCOMPARE(calls.value(&r - rows), r.section + u"/"_qs + r.key);
            QCOMPARE(QStringList({e.defaultText, DefaultCatalog().*e.member,
                                  FromAnsiBytes(ToAnsiBytes(r.text))}),
                     QStringList(3, r.text));
            QCOMPARE(read.*e.member, qstrcmp(r.key, "ERR_MSG_0") ? r.text : u"だめ"_qs);
        }
    }

    void textHelpers()
    {
        const QVariant null, blank = QString(), s0031(u"0031"_qs), sPal(u"パレット"_qs);
        const struct {
            char f;
            QVariant value;
            int a, b;
            QVariant expected;
        } rows[] = {{'l', null, 0, 0, 0},
                    {'l', sPal, 0, 0, 8},
                    {'l', 12, 0, 0, 2},
                    {'m', s0031, 1, 3, u"003"_qs},
                    {'m', s0031, 5, 1, blank},
                    {'m', s0031, 3, 9, u"31"_qs},
                    {'m', sPal, 3, 4, u"レッ"_qs},
                    {'m', 255, 2, 1, u"5"_qs},
                    {'m', null, 1, 3, null},
                    {'p', 7, 3, 0, u"007"_qs},
                    {'p', 255, 3, 0, 255},
                    {'p', u"0"_qs, 3, 0, u"000"_qs},
                    {'p', u"25"_qs, 2, 0, u"25"_qs},
                    {'p', blank, 3, 0, u"000"_qs},
                    {'p', null, 3, 0, null},
                    {'p', u"パ"_qs, 3, 0, u"0パ"_qs},
                    {'l', u"ﾊﾞｰｼﾞｮﾝ"_qs, 0, 0, 7}};
        for (const auto &r : rows) { // len, mid, zero padding; numbers stay numbers when too long
            const QVariant got = r.f == 'l'   ? AnsiByteLen(r.value)
                                 : r.f == 'm' ? AnsiByteMid(r.value, r.a, r.b)
                                              : PadZeros(r.a, r.value);
            QVERIFY2(got.typeId() == r.expected.typeId() && got == r.expected,
                     qPrintable(QString::number(&r - rows)));
        }
    }

    void roundHalfEven()
    {
        const double halves[][2] = {{0.5, 0},       {1.5, 2},   {2.5, 2},   {12.5, 12},
                                    {13.5, 14},     {-0.5, 0},  {-2.5, -2}, {2.4999, 2},
                                    {2.5000001, 3}, {-2.6, -3}, {7, 7},     {1e300, 1e300}};
        for (const auto &r : halves)
            QCOMPARE(RoundHalfEven(r[0]), r[1]);
        const qlonglong divisions[][3] = {{5, 2, 2},
                                          {7, 2, 4},
                                          {-5, 2, -2},
                                          {-7, 2, -4},
                                          {-1, 2, 0},
                                          {3985, 15, 266},
                                          {22, 15, 1},
                                          {-2, 3, -1},
                                          {-1, 3, 0},
                                          {0, 7, 0},
                                          {INT_MAX, 2, 1073741824},
                                          {INT_MIN, 3, -715827883},
                                          {INT_MIN, 2, INT_MIN / 2}};
        for (const auto &r : divisions)
            QCOMPARE(DivRoundHalfEven(r[0], r[1]), r[2]);
    }

    void numericText()
    {
        const std::pair<QStringView, double> numbers[] = {
            // -1: not numeric
            {u"12.5", 12.5}, {u" 7 ", 7},     {u"\t7\t", 7},  {u"1e2", 100}, {u"1E+2", 100},
            {u"+3", 3},      {u"25e-1", 2.5}, {u".5", 0.5},   {u"5.", 5},    {u"-3", -3},
            {u"abc", -1},    {u"", -1},       {u"   ", -1},   {u"1e", -1},   {u"e2", -1},
            {u".", -1},      {u"+", -1},      {u"--3", -1},   {u"3-", -1},   {u"0x10", -1},
            {u"1,000", -1},  {u"1 2", -1},    {u"1.2.3", -1}, {u"inf", -1},  {u"１２", -1}};
        for (const auto &[text, value] : numbers)
            QVERIFY2(ReadNumericText(text).value_or(-1) == value, qPrintable(text.toString()));
        const std::pair<const char *, int> whole[] = {
            // in 0..255, -1: refused
            {"0", 0},       {"255", 255},  {"256", -1},       {"-1", -1},     {"12.5", 12},
            {"13.5", 14},   {" 7 ", 7},    {"1e2", 100},      {"255.4", 255}, {"255.5", -1},
            {"254.5", 254}, {"-0.5", 0},   {"-0.6", -1},      {"abc", -1},    {"", -1},
            {"1e400", -1},  {"1e-400", 0}, {"4294967296", -1}};
        for (const auto &[text, value] : whole)
            QVERIFY2(ReadWholeInRange(QString(text), 0, 255).value_or(-1) == value, text);
        QCOMPARE(ReadWholeInRange(u"99.5", 100, 400).value_or(-1), 100);
        QVERIFY(!ReadWholeInRange(u"401", 100, 400));
    }
};

QTEST_GUILESS_MAIN(TestShellCore)
#include "test_shell_core.moc"
