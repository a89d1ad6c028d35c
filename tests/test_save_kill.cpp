// A save must never leave a half-written palette: a child process saves two
// palettes alternately over one file, and is killed at random moments.

#include "palette/ActFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <random>

#include <signal.h>
#include <sys/types.h>

namespace {

constexpr int kRounds = 50;

PalletArray Palette(int which)
{
    PalletArray p{};
    for (int i = 0; i < kPalletEntries; ++i)
        p[i].set(quint8(i * (which + 1)), quint8(255 - i), quint8(which ? 0xAA : 0x55));
    return p;
}

// The child: saves palette 1 and palette 0 in turn until it is killed.
int SaveLoop(const QString &path)
{
    const PalletArray palettes[] = {Palette(0), Palette(1)};
    for (unsigned long i = 1;; ++i) {
        if (!SaveActFile(path, palettes[i % 2]).ok)
            return 1;
        if (i == 1) {
            std::puts("saving");
            std::fflush(stdout);
        }
    }
}

} // namespace

class TestSaveKill : public QObject {
    Q_OBJECT
private slots:
    void killedSaveLeavesOldOrNew_data()
    {
        QTest::addColumn<QByteArray>("tail");
        QTest::newRow("772 bytes, tail kept") << QByteArray("\x00\x10\xff\xff", 4);
        QTest::newRow("768 bytes") << QByteArray();
    }

    void killedSaveLeavesOldOrNew()
    {
        QFETCH(QByteArray, tail);
        const quint32 seed = std::random_device{}();
        qInfo("seed %u", seed);
        std::mt19937 rng(seed);

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString target = dir.filePath(QStringLiteral("palette.act"));
        const QByteArray old = BuildActBytes(Palette(0)) + tail;
        const QByteArray fresh = BuildActBytes(Palette(1)) + tail;
        {
            QFile f(target);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QCOMPARE(f.write(old), old.size());
        }

        int seen[2] = {0, 0};
        for (int round = 0; round < kRounds; ++round) {
            QProcess child;
            child.start(QCoreApplication::applicationFilePath(),
                        {QStringLiteral("--save-loop"), target});
            QVERIFY2(child.waitForStarted(5000), qPrintable(child.errorString()));
            QVERIFY2(child.waitForReadyRead(5000), "the child never saved");
            QThread::usleep(rng() % 20000);
            QCOMPARE(child.state(), QProcess::Running);
            ::kill(pid_t(child.processId()), SIGKILL);
            QVERIFY(child.waitForFinished(5000));
            QCOMPARE(child.exitStatus(), QProcess::CrashExit);

            QFile f(target);
            QVERIFY2(f.open(QIODevice::ReadOnly), "the target is gone");
            const QByteArray now = f.readAll();
            QVERIFY2(now == old || now == fresh,
                     qPrintable(QStringLiteral("round %1: %2 bytes, neither palette")
                                    .arg(round)
                                    .arg(now.size())));
            ++seen[now == fresh];
        }
        // Both outcomes occur, so the kills did land among the saves.
        QVERIFY(seen[0] > 0 && seen[1] > 0);
        // Whatever else a killed save left beside the target is its own file.
        for (const QString &name : QDir(dir.path()).entryList(QDir::Files))
            QVERIFY2(name == QLatin1String("palette.act") ||
                         name.startsWith(QLatin1String("palette.act.")),
                     qPrintable(name));
    }
};

int main(int argc, char **argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--save-loop") == 0)
        return SaveLoop(QString::fromLocal8Bit(argv[2]));
    QCoreApplication app(argc, argv);
    TestSaveKill test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_save_kill.moc"
