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
