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

#include <climits>
#include <cmath>
#include <iterator>

namespace {

QByteArray Sjis(const QString &text)
{
    QStringEncoder encoder("cp932");
    return encoder.encode(text);
}

} // namespace

class TestShellCore : public QObject {
    Q_OBJECT
private slots:
    void readProfileString_data();
    void readProfileString();
    void readProfileStringCuts_data();
    void readProfileStringCuts();
    void readProfileStringGarbage();
    void readSettingFromFile();

    void catalogTable_data();
    void catalogTable();
    void catalogErrMsg0FeedsThreeTexts();

    void textHelpers_data();
    void textHelpers();

    void roundHalfEven_data();
    void roundHalfEven();
    void divRoundHalfEven_data();
    void divRoundHalfEven();

    void numericText_data();
    void numericText();
    void wholeInRange_data();
    void wholeInRange();
};

void TestShellCore::readProfileString_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("expected");

    // Every row looks up TITLE / FRM_MAIN with the default "dflt".
    QTest::newRow("plain") << QByteArray("[TITLE]\nFRM_MAIN=Foo\n") << "Foo";
    QTest::newRow("case of names") << QByteArray("[title]\nFrm_Main=Foo\n") << "Foo";
    QTest::newRow("blanks around names and value")
        << QByteArray("  [TITLE]  \n \t FRM_MAIN \t=  Foo Bar \t\n") << "Foo Bar";
    QTest::newRow("CRLF") << QByteArray("[TITLE]\r\nFRM_MAIN=Foo\r\n") << "Foo";
    QTest::newRow("no final newline") << QByteArray("[TITLE]\nFRM_MAIN=Foo") << "Foo";
    QTest::newRow("comment line skipped")
        << QByteArray("[TITLE]\n;FRM_MAIN=Bad\n  ; FRM_MAIN=Bad\nFRM_MAIN=Good\n") << "Good";
    QTest::newRow("only a comment") << QByteArray("[TITLE]\n;FRM_MAIN=Bad\n") << "dflt";
    QTest::newRow("first duplicate wins") << QByteArray("[TITLE]\nFRM_MAIN=A\nfrm_main=B\n") << "A";
    QTest::newRow("double quotes") << QByteArray("[TITLE]\nFRM_MAIN=\" Foo \"\n") << " Foo ";
    QTest::newRow("single quotes") << QByteArray("[TITLE]\nFRM_MAIN='Foo'\n") << "Foo";
    QTest::newRow("unmatched quote kept") << QByteArray("[TITLE]\nFRM_MAIN=\"Foo\n") << "\"Foo";
    QTest::newRow("empty value is not the default") << QByteArray("[TITLE]\nFRM_MAIN=\n") << "";
    QTest::newRow("equals sign in value") << QByteArray("[TITLE]\nFRM_MAIN=a=b\n") << "a=b";
    QTest::newRow("key in another section")
        << QByteArray("[MESSAGE]\nFRM_MAIN=x\n[TITLE]\nFRM_PCX=y\n") << "dflt";
    QTest::newRow("key before any section") << QByteArray("FRM_MAIN=x\n[TITLE]\n") << "dflt";
    QTest::newRow("section name is no prefix") << QByteArray("[TITLEX]\nFRM_MAIN=x\n") << "dflt";
    QTest::newRow("key name is no prefix")
        << QByteArray("[TITLE]\nFRM_MAIN_X=x\nFRM=y\n") << "dflt";
    QTest::newRow("later section")
        << QByteArray("[CONFIG]\nFONTS=f\n[TITLE]\nFRM_MAIN=Foo\n") << "Foo";
    QTest::newRow("empty file") << QByteArray() << "dflt";
    QTest::newRow("Shift-JIS") << Sjis(u"[TITLE]\r\nFRM_MAIN=パレット編集ﾃｽﾄ\r\n"_qs)
                               << u"パレット編集ﾃｽﾄ"_qs;
    QTest::newRow("UTF-8") << u"[TITLE]\nFRM_MAIN=パレット編集\n"_qs.toUtf8() << u"パレット編集"_qs;
    QTest::newRow("UTF-8 with BOM on the section line")
        << QByteArray("\xEF\xBB\xBF") + u"[TITLE]\nFRM_MAIN=パレット\n"_qs.toUtf8()
        << u"パレット"_qs;
}

void TestShellCore::readProfileString()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, expected);
    QCOMPARE(ReadProfileString(file, u"TITLE", u"FRM_MAIN", QStringLiteral("dflt")), expected);
}

void TestShellCore::readProfileStringCuts_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("expected");

    const QByteArray a1500(1500, 'a');
    QTest::newRow("1500 ASCII bytes") << "[T]\nK=" + a1500 + "\n" << QString(1023, u'a');
    QTest::newRow("exactly 1023") << "[T]\nK=" + QByteArray(1023, 'b') << QString(1023, u'b');

    // 1022 + 2 bytes: the second byte of the double-byte character would be
    // byte 1024, so the whole character goes.
    QTest::newRow("Shift-JIS not split")
        << "[T]\nK=" + QByteArray(1022, 'a') + Sjis(u"パパ"_qs) << QString(1022, u'a');
    QTest::newRow("Shift-JIS fits")
        << "[T]\nK=" + QByteArray(1021, 'a') + Sjis(u"パパ"_qs) << QString(1021, u'a') + u"パ"_qs;
    QTest::newRow("half-width katakana is one byte")
        << "[T]\nK=" + QByteArray(1022, 'a') + Sjis(u"ﾊﾟ"_qs) << QString(1022, u'a') + u"ﾊ"_qs;
    // "パ" is three bytes in UTF-8.
    QTest::newRow("UTF-8 not split")
        << "[T]\nK=" + QByteArray(1021, 'a') + u"パ"_qs.toUtf8() << QString(1021, u'a');
    QTest::newRow("UTF-8 fits") << "[T]\nK=" + QByteArray(1020, 'a') + u"パパ"_qs.toUtf8()
                                << QString(1020, u'a') + u"パ"_qs;
}

void TestShellCore::readProfileStringCuts()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, expected);
    const QString value = ReadProfileString(file, u"T", u"K", QString());
    QCOMPARE(value.size(), expected.size());
    QCOMPARE(value, expected);
}

void TestShellCore::readProfileStringGarbage()
{
    QRandomGenerator random(932);
    for (int round = 0; round < 20; ++round) {
        QByteArray bytes(4096, '\0');
        for (char &c : bytes)
            c = char(random.bounded(256));
        QCOMPARE(ReadProfileString(bytes, u"TITLE", u"FRM_MAIN", QStringLiteral("dflt")),
                 QStringLiteral("dflt"));
    }
}

void TestShellCore::readSettingFromFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    mdlGlobal::SettingsFilePath = dir.filePath(QStringLiteral("missing.ini"));
    QCOMPARE(mdlGlobal::ReadSetting("TITLE", "FRM_MAIN", "dflt"), QStringLiteral("dflt"));

    // Exists but cannot be read as a file.
    mdlGlobal::SettingsFilePath = dir.path();
    QCOMPARE(mdlGlobal::ReadSetting("TITLE", "FRM_MAIN", "dflt"), QStringLiteral("dflt"));

    mdlGlobal::SettingsFilePath = WriteFile(dir.filePath(QStringLiteral("palmiro.ini")),
                                            Sjis(u"[TITLE]\r\nFRM_MAIN=メイン\r\n"_qs));
    QCOMPARE(mdlGlobal::ReadSetting("TITLE", "FRM_MAIN", "dflt"), u"メイン"_qs);
    QCOMPARE(mdlGlobal::ReadSetting("TITLE", "FRM_PCX", "dflt"), QStringLiteral("dflt"));
    mdlGlobal::SettingsFilePath.clear();
}

void TestShellCore::catalogTable_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("defaultText");

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
    int index = 0;
    for (const auto &r : rows)
        QTest::newRow(r.name) << index++ << QString::fromLatin1(r.section)
                              << QString::fromLatin1(r.key) << r.text;
}

void TestShellCore::catalogTable()
{
    QFETCH(int, index);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, defaultText);

    const CatalogEntry &e = CatalogEntries()[index];
    QCOMPARE(QString::fromLatin1(e.name), QString::fromLatin1(QTest::currentDataTag()));
    QCOMPARE(QString::fromLatin1(e.section), section);
    QCOMPARE(QString::fromLatin1(e.key), key);
    QCOMPARE(e.defaultText, defaultText);
    QCOMPARE(DefaultCatalog().*e.member, defaultText);

    // Every default survives the trip through code page 932.
    QCOMPARE(FromAnsiBytes(ToAnsiBytes(defaultText)), defaultText);

    // With no file at all the reader hands back each default.
    const MessageCatalog read =
        ReadCatalog([](const QString &s, const QString &k, const QString &d) {
            return ReadProfileString(QByteArray(), s, k, d);
        });
    QCOMPARE(read.*e.member, defaultText);
}

void TestShellCore::catalogErrMsg0FeedsThreeTexts()
{
    const QByteArray file = Sjis(u"[message]\r\nerr_msg_0=だめ\r\n"_qs);
    QStringList calls;
    const MessageCatalog catalog =
        ReadCatalog([&](const QString &s, const QString &k, const QString &d) {
            calls << s + u'/' + k;
            return ReadProfileString(file, s, k, d);
        });

    QCOMPARE(calls.size(), kCatalogEntries);
    for (int i = 0; i < kCatalogEntries; ++i)
        QCOMPARE(calls[i], QString::fromLatin1(CatalogEntries()[i].section) + u'/' +
                               QString::fromLatin1(CatalogEntries()[i].key));

    const MessageCatalog defaults = DefaultCatalog();
    for (const CatalogEntry &e : CatalogEntries()) {
        const bool errMsg0 = qstrcmp(e.key, "ERR_MSG_0") == 0;
        QCOMPARE(catalog.*e.member, errMsg0 ? u"だめ"_qs : defaults.*e.member);
    }
    QCOMPARE(catalog.MsgOver255, u"だめ"_qs);
    QCOMPARE(catalog.MsgPcxUnsupported, u"だめ"_qs);
    QCOMPARE(catalog.MsgEnterNumber, u"だめ"_qs);
}

void TestShellCore::textHelpers_data()
{
    QTest::addColumn<QString>("function");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("a");
    QTest::addColumn<int>("b");
    QTest::addColumn<QVariant>("expected");

    const QVariant null;
    QTest::newRow("len 255") << "len" << QVariant(u"255"_qs) << 0 << 0 << QVariant(3);
    QTest::newRow("len empty") << "len" << QVariant(QString()) << 0 << 0 << QVariant(0);
    QTest::newRow("len null") << "len" << null << 0 << 0 << QVariant(0);
    QTest::newRow("len full-width") << "len" << QVariant(u"パレット"_qs) << 0 << 0 << QVariant(8);
    QTest::newRow("len half-width kana")
        << "len" << QVariant(u"ﾊﾞｰｼﾞｮﾝ"_qs) << 0 << 0 << QVariant(7);
    QTest::newRow("len number") << "len" << QVariant(1234) << 0 << 0 << QVariant(4);

    QTest::newRow("mid 1,3") << "mid" << QVariant(u"0031"_qs) << 1 << 3 << QVariant(u"003"_qs);
    QTest::newRow("mid past end") << "mid" << QVariant(u"0031"_qs) << 5 << 1 << QVariant(QString());
    QTest::newRow("mid runs over") << "mid" << QVariant(u"0031"_qs) << 3 << 9 << QVariant(u"31"_qs);
    QTest::newRow("mid length 0") << "mid" << QVariant(u"0031"_qs) << 2 << 0 << QVariant(QString());
    QTest::newRow("mid by bytes") << "mid" << QVariant(u"パレット"_qs) << 3 << 4
                                  << QVariant(u"レッ"_qs);
    QTest::newRow("mid number") << "mid" << QVariant(255) << 2 << 1 << QVariant(u"5"_qs);
    QTest::newRow("mid null") << "mid" << null << 1 << 3 << null;

    QTest::newRow("pad number 7") << "pad" << QVariant(7) << 3 << 0 << QVariant(u"007"_qs);
    QTest::newRow("pad number 255 stays number")
        << "pad" << QVariant(255) << 3 << 0 << QVariant(255);
    QTest::newRow("pad number 1234 stays number")
        << "pad" << QVariant(1234) << 3 << 0 << QVariant(1234);
    QTest::newRow("pad text 0") << "pad" << QVariant(u"0"_qs) << 3 << 0 << QVariant(u"000"_qs);
    QTest::newRow("pad text 255 stays text")
        << "pad" << QVariant(u"255"_qs) << 3 << 0 << QVariant(u"255"_qs);
    QTest::newRow("pad empty") << "pad" << QVariant(u""_qs) << 3 << 0 << QVariant(u"000"_qs);
    QTest::newRow("pad null string")
        << "pad" << QVariant(QString()) << 3 << 0 << QVariant(u"000"_qs);
    QTest::newRow("pad by bytes") << "pad" << QVariant(u"パ"_qs) << 3 << 0 << QVariant(u"0パ"_qs);
    QTest::newRow("pad null") << "pad" << null << 3 << 0 << null;
}

void TestShellCore::textHelpers()
{
    QFETCH(QString, function);
    QFETCH(QVariant, value);
    QFETCH(int, a);
    QFETCH(int, b);
    QFETCH(QVariant, expected);

    const QVariant result = function == u"len"   ? AnsiByteLen(value)
                            : function == u"mid" ? AnsiByteMid(value, a, b)
                                                 : PadZeros(a, value);
    QCOMPARE(result.isValid(), expected.isValid());
    QCOMPARE(result.typeId(), expected.typeId());
    QCOMPARE(result, expected);
}

void TestShellCore::roundHalfEven_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("expected");
    const struct {
        double value, expected;
    } rows[] = {{0.5, 0},       {1.5, 2},   {2.5, 2},   {3.5, 4},      {12.5, 12},
                {13.5, 14},     {-0.5, 0},  {-1.5, -2}, {-2.5, -2},    {2.4999, 2},
                {2.5000001, 3}, {-2.6, -3}, {7, 7},     {1e300, 1e300}};
    for (const auto &r : rows)
        QTest::addRow("%.17g", r.value) << r.value << r.expected;
}

void TestShellCore::roundHalfEven()
{
    QFETCH(double, value);
    QFETCH(double, expected);
    QCOMPARE(RoundHalfEven(value), expected);
}

void TestShellCore::divRoundHalfEven_data()
{
    QTest::addColumn<qlonglong>("a");
    QTest::addColumn<qlonglong>("b");
    QTest::addColumn<qlonglong>("expected");
    const struct {
        qlonglong a, b, expected;
    } rows[] = {{5, 2, 2},
                {7, 2, 4},
                {-5, 2, -2},
                {-7, 2, -4},
                {-1, 2, 0},
                {3985, 15, 266},
                {550, 15, 37},
                {1860, 15, 124},
                {22, 15, 1},
                {-2, 3, -1},
                {-1, 3, 0},
                {0, 7, 0},
                {INT_MAX, 2, 1073741824},
                {INT_MIN, 3, -715827883},
                {INT_MIN, 2, INT_MIN / 2}};
    for (const auto &r : rows)
        QTest::addRow("%lld/%lld", r.a, r.b) << r.a << r.b << r.expected;
}

void TestShellCore::divRoundHalfEven()
{
    QFETCH(qlonglong, a);
    QFETCH(qlonglong, b);
    QFETCH(qlonglong, expected);
    QCOMPARE(DivRoundHalfEven(a, b), expected);
}

void TestShellCore::numericText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("numeric");
    QTest::addColumn<double>("value");

    const struct {
        const char16_t *text;
        bool numeric;
        double value;
    } rows[] = {
        {u"12.5", true, 12.5}, {u" 7 ", true, 7},     {u"\t7\t", true, 7}, {u"1e2", true, 100},
        {u"1E+2", true, 100},  {u"25e-1", true, 2.5}, {u".5", true, 0.5},  {u"5.", true, 5},
        {u"+3", true, 3},      {u"-3", true, -3},     {u"007", true, 7},   {u"-0", true, 0},
        {u"abc", false, 0},    {u"", false, 0},       {u"   ", false, 0},  {u"1e", false, 0},
        {u"1e+", false, 0},    {u"e2", false, 0},     {u".", false, 0},    {u"+", false, 0},
        {u"--3", false, 0},    {u"+-3", false, 0},    {u"3-", false, 0},   {u"0x10", false, 0},
        {u"1,000", false, 0},  {u"1 2", false, 0},    {u"12a", false, 0},  {u"1.2.3", false, 0},
        {u"inf", false, 0},    {u"nan", false, 0},    {u"１２", false, 0},
    };
    for (const auto &r : rows)
        QTest::newRow(QString::fromUtf16(r.text).toUtf8().constData())
            << QString::fromUtf16(r.text) << r.numeric << r.value;
}

void TestShellCore::numericText()
{
    QFETCH(QString, text);
    QFETCH(bool, numeric);
    QFETCH(double, value);
    const auto result = ReadNumericText(text);
    QCOMPARE(result.has_value(), numeric);
    if (numeric)
        QCOMPARE(*result, value);
}

void TestShellCore::wholeInRange_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("lo");
    QTest::addColumn<int>("hi");
    QTest::addColumn<int>("expected"); // -999: refused

    const struct {
        const char *text;
        int lo, hi, expected;
    } rows[] = {
        {"0", 0, 255, 0},         {"255", 0, 255, 255},     {"256", 0, 255, -999},
        {"-1", 0, 255, -999},     {"12.5", 0, 255, 12},     {"13.5", 0, 255, 14},
        {" 7 ", 0, 255, 7},       {"012", 0, 255, 12},      {"1e2", 0, 255, 100},
        {"255.4", 0, 255, 255},   {"255.5", 0, 255, -999},  {"254.5", 0, 255, 254},
        {"-0.4", 0, 255, 0},      {"-0.5", 0, 255, 0},      {"-0.6", 0, 255, -999},
        {"abc", 0, 255, -999},    {"", 0, 255, -999},       {"1e400", 0, 255, -999},
        {"-1e400", 0, 255, -999}, {"1e-400", 0, 255, 0},    {"4294967296", 0, 255, -999},
        {"99.5", 100, 400, 100},  {"400.5", 100, 400, 400}, {"401", 100, 400, -999},
    };
    for (const auto &r : rows)
        QTest::addRow("'%s' in %d..%d", r.text, r.lo, r.hi)
            << QString::fromLatin1(r.text) << r.lo << r.hi << r.expected;
}

void TestShellCore::wholeInRange()
{
    QFETCH(QString, text);
    QFETCH(int, lo);
    QFETCH(int, hi);
    QFETCH(int, expected);
    const auto result = ReadWholeInRange(text, lo, hi);
    QCOMPARE(result.value_or(-999), expected);
}

QTEST_GUILESS_MAIN(TestShellCore)
#include "test_shell_core.moc"
