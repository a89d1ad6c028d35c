#pragma once

#include <QCoreApplication>
#include <QFile>
#include <QList>
#include <QProcess>
#include <QString>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

// Every byte different from its neighbours, none of them 0.
inline QByteArray Pattern(qsizetype len, int seed = 1)
{
    QByteArray bytes(len, '\0');
    for (qsizetype i = 0; i < len; ++i)
        bytes[i] = char(1 + (i * 7 + seed) % 251);
    return bytes;
}

inline QByteArray Contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// Each value as three digits, as the clipboard palette text writes them.
inline QString Triples(const QList<int> &values)
{
    QString s;
    for (int v : values)
        s += QStringLiteral("%1").arg(v, 3, 10, QLatin1Char('0'));
    return s;
}

// Root ignores permission bits, so a case about them runs again in this suite
// as nobody; empty when it passed there, else what it printed.
inline QString RunCaseAsNobody()
{
    QProcess child;
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start("setpriv",
                {"--reuid=nobody", "--regid=nogroup", "--clear-groups",
                 QCoreApplication::applicationFilePath(),
                 QString("%1:%2").arg(QTest::currentTestFunction(), QTest::currentDataTag())});
    const bool passed = child.waitForFinished(60000) &&
                        child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
    return passed ? QString() : "as nobody: " + child.readAll();
}
#define RUN_AS_NOBODY_IF_ROOT()                                                                    \
    do {                                                                                           \
        if (::geteuid() == 0) {                                                                    \
            const QString failed = RunCaseAsNobody();                                              \
            QVERIFY2(failed.isEmpty(), qPrintable(failed));                                        \
            return;                                                                                \
        }                                                                                          \
    } while (false)

// Runs f with writes past `limit` bytes failing with EFBIG instead of killing the process.
template <typename F> auto WithFileSizeLimit(rlim_t limit, F f)
{
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    const rlimit lowered{limit, saved.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &lowered);
    const auto result = f();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    return result;
}
