#include "palette/ActApply.h"
#include "palette/ActFile.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Every byte different from its neighbours, none of them 0.
QByteArray Pattern(qsizetype len, int seed = 1)
{
    QByteArray bytes(len, '\0');
    for (qsizetype i = 0; i < len; ++i)
        bytes[i] = char(1 + (i * 7 + seed) % 251);
    return bytes;
}

PalletArray Filled(quint8 r, quint8 g, quint8 b)
{
    PalletArray pallet;
    for (PalletEntry &e : pallet)
        e.set(r, g, b);
    return pallet;
}

PalletArray Distinct(int seed)
{
    PalletArray pallet;
    const QByteArray bytes = Pattern(kActFileBytes, seed);
    ApplyActBytes(pallet, bytes, bytes.size());
    return pallet;
}

QByteArray Contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

mode_t ModeOf(const QString &path)
{
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}

bool IsRoot()
{
    return ::geteuid() == 0;
}

// Writes past `limit` bytes fail with EFBIG instead of killing the process.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit)
    {
        ::getrlimit(RLIMIT_FSIZE, &saved);
        oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = saved;
        lowered.rlim_cur = limit;
        ::setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
    }

private:
    rlimit saved{};
    void (*oldHandler)(int) = nullptr;
};

} // namespace

class TestPaletteCore : public QObject {
    Q_OBJECT
private slots:
    void applyActBytes_data();
    void applyActBytes();
    void realFiles_data();
    void realFiles();

    void readActFile_data();
    void readActFile();

    void saveRoundTrip_data();
    void saveRoundTrip();
    void saveKeepsTail_data();
    void saveKeepsTail();
    void failedSaveKeepsOldFile_data();
    void failedSaveKeepsOldFile();
    void saveKeepsPermissions_data();
    void saveKeepsPermissions();
};

void TestPaletteCore::applyActBytes_data()
{
    QTest::addColumn<int>("len");
    QTest::addColumn<int>("entries");

    QTest::newRow("768: all") << 768 << 256;
    QTest::newRow("300: 0..99") << 300 << 100;
    QTest::newRow("767: last entry blue 0") << 767 << 256;
    QTest::newRow("766: 0..254, lone byte ignored") << 766 << 255;
    QTest::newRow("769: byte 768 ignored") << 769 << 256;
    QTest::newRow("0: nothing") << 0 << 0;
    QTest::newRow("1: lone byte ignored") << 1 << 0;
    QTest::newRow("2: one entry blue 0") << 2 << 1;
    QTest::newRow("772: nothing past 255") << 772 << 256;
    QTest::newRow("100000: nothing past 255") << 100000 << 256;
}

void TestPaletteCore::applyActBytes()
{
    QFETCH(int, len);
    QFETCH(int, entries);

    // Bytes after len are junk the length must keep out.
    const QByteArray bytes = Pattern(len) + QByteArray("\xAA\xBB\xCC");
    const PalletEntry before = Filled(9, 8, 7)[0];
    PalletArray pallet = Filled(9, 8, 7);

    QCOMPARE(ApplyActBytes(pallet, bytes, len), entries);
    auto byteAt = [&](int i) { return i < len ? quint8(bytes[i]) : quint8(0); };
    for (int i = 0; i < entries; ++i) {
        const PalletEntry &e = pallet[i];
        QCOMPARE(e.R, byteAt(3 * i));
        QCOMPARE(e.G, byteAt(3 * i + 1));
        QCOMPARE(e.B, byteAt(3 * i + 2));
        QCOMPARE(e.Color, std::optional<qint32>(PackColor(e.R, e.G, e.B)));
    }
    for (int i = entries; i <= kPalletEntries; ++i)
        QVERIFY2(pallet[i] == before, qPrintable(QString::number(i)));
}

void TestPaletteCore::realFiles_data()
{
    QTest::addColumn<QString>("name");
    if (!HaveTestData())
        return;
    const QDir dir(TestDataDir() + QStringLiteral("/act"));
    for (const QString &name : dir.entryList({QStringLiteral("*.act")}, QDir::Files))
        QTest::newRow(qPrintable(name)) << name;
}

void TestPaletteCore::realFiles()
{
    REQUIRE_TESTDATA();
    QFETCH(QString, name);
    const QString path = TestDataDir() + QStringLiteral("/act/") + name;

    const ActReadResult read = ReadActFile(path);
    QVERIFY2(read.ok, qPrintable(read.error));
    QCOMPARE(read.bytes.size(), QFileInfo(path).size());
    QVERIFY(read.bytes.size() >= kActFileBytes);

    PalletArray pallet = Filled(1, 2, 3);
    const PalletEntry slot256 = pallet[256];
    QCOMPARE(ApplyActBytes(pallet, read.bytes, read.bytes.size()), 256);
    QCOMPARE(BuildActBytes(pallet), read.bytes.left(kActFileBytes));
    QVERIFY(pallet[256] == slot256);

    // Saving the palette over a copy gives back the very same file.
    QTemporaryDir tmp;
    const QString copy = WriteFile(tmp.filePath(name), read.bytes);
    const ActSaveResult saved = SaveActFile(copy, pallet);
    QVERIFY2(saved.ok, qPrintable(saved.error));
    QCOMPARE(Contents(copy), read.bytes);
}

void TestPaletteCore::readActFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("ok");

    QTest::newRow("existing file") << "file" << true;
    QTest::newRow("read-only file still loads") << "read-only" << true;
    QTest::newRow("missing name is created empty") << "missing" << true;
    QTest::newRow("missing folder") << "missing folder" << false;
    QTest::newRow("directory") << "directory" << false;
    QTest::newRow("unreadable file") << "unreadable" << false;
}

void TestPaletteCore::readActFile()
{
    QFETCH(QString, kind);
    QFETCH(bool, ok);

    QTemporaryDir tmp;
    const QByteArray content = Pattern(300);
    QString path = tmp.filePath(QStringLiteral("p.act"));
    if (kind == QLatin1String("file") || kind == QLatin1String("read-only"))
        WriteFile(path, content);
    if (kind == QLatin1String("read-only"))
        QFile::setPermissions(path, QFile::ReadOwner);
    if (kind == QLatin1String("missing folder"))
        path = tmp.filePath(QStringLiteral("no/such/p.act"));
    if (kind == QLatin1String("directory"))
        QVERIFY(QDir(tmp.path()).mkdir(QStringLiteral("p.act")));
    if (kind == QLatin1String("unreadable")) {
        if (IsRoot())
            QSKIP("root reads a file whatever its permission bits");
        WriteFile(path, content);
        QFile::setPermissions(path, QFile::WriteOwner);
    }

    const ActReadResult read = ReadActFile(path);
    QCOMPARE(read.ok, ok);
    if (!ok) {
        QVERIFY(!read.error.isEmpty());
        QVERIFY(read.bytes.isEmpty());
        QVERIFY(!QFileInfo(path).isFile() || kind == QLatin1String("unreadable"));
        return;
    }
    QVERIFY(QFileInfo(path).isFile());
    QCOMPARE(read.bytes, kind == QLatin1String("missing") ? QByteArray() : content);
}

void TestPaletteCore::saveRoundTrip_data()
{
    QTest::addColumn<int>("seed");
    QTest::newRow("pattern 1") << 1;
    QTest::newRow("pattern 2") << 2;
    QTest::newRow("all zero") << -1;
}

void TestPaletteCore::saveRoundTrip()
{
    QFETCH(int, seed);
    const PalletArray pallet = seed < 0 ? Filled(0, 0, 0) : Distinct(seed);

    QTemporaryDir tmp;
    const QString path = tmp.filePath(QStringLiteral("out.act"));
    const ActSaveResult saved = SaveActFile(path, pallet);
    QVERIFY2(saved.ok, qPrintable(saved.error));

    const QByteArray written = Contents(path);
    QCOMPARE(written.size(), kActFileBytes);
    QCOMPARE(written, BuildActBytes(pallet));

    const ActReadResult read = ReadActFile(path);
    QVERIFY(read.ok);
    PalletArray back = Filled(77, 77, 77);
    QCOMPARE(ApplyActBytes(back, read.bytes, read.bytes.size()), 256);
    for (int i = 0; i < kPalletEntries; ++i)
        QVERIFY2(back[i] == pallet[i], qPrintable(QString::number(i)));
}

void TestPaletteCore::saveKeepsTail_data()
{
    QTest::addColumn<int>("oldSize");
    QTest::addColumn<int>("newSize");

    QTest::newRow("empty file") << 0 << 768;
    QTest::newRow("shorter file") << 100 << 768;
    QTest::newRow("768 bytes") << 768 << 768;
    QTest::newRow("772 bytes: count and transparent index") << 772 << 772;
    QTest::newRow("1000 bytes") << 1000 << 1000;
}

void TestPaletteCore::saveKeepsTail()
{
    QFETCH(int, oldSize);
    QFETCH(int, newSize);

    QTemporaryDir tmp;
    const QByteArray old = Pattern(oldSize, 5);
    const QString path = WriteFile(tmp.filePath(QStringLiteral("t.act")), old);
    const PalletArray pallet = Distinct(3);

    const ActSaveResult saved = SaveActFile(path, pallet);
    QVERIFY2(saved.ok, qPrintable(saved.error));
    const QByteArray now = Contents(path);
    QCOMPARE(now.size(), newSize);
    QCOMPARE(now.left(kActFileBytes), BuildActBytes(pallet));
    QCOMPARE(now.mid(kActFileBytes), old.mid(kActFileBytes));
}

void TestPaletteCore::failedSaveKeepsOldFile_data()
{
    QTest::addColumn<QString>("kind");

    QTest::newRow("disk full") << "fsize";
    QTest::newRow("target is a directory") << "directory";
    QTest::newRow("missing folder") << "missing folder";
    QTest::newRow("read-only folder") << "read-only folder";
    QTest::newRow("read-only file") << "read-only file";
}

void TestPaletteCore::failedSaveKeepsOldFile()
{
    QFETCH(QString, kind);

    QTemporaryDir tmp;
    const QString dir = tmp.filePath(QStringLiteral("d"));
    QDir().mkpath(dir);
    QString path = dir + QStringLiteral("/old.act");
    const QByteArray old = Pattern(772, 9);
    const PalletArray pallet = Distinct(4);
    ActSaveResult saved;

    if (kind == QLatin1String("fsize")) {
        WriteFile(path, old);
        const FileSizeLimit limit(100);
        saved = SaveActFile(path, pallet);
    } else if (kind == QLatin1String("directory")) {
        QVERIFY(QDir().mkpath(path));
        saved = SaveActFile(path, pallet);
        QVERIFY(QFileInfo(path).isDir());
    } else if (kind == QLatin1String("missing folder")) {
        path = dir + QStringLiteral("/no/such/new.act");
        saved = SaveActFile(path, pallet);
        QVERIFY(!QFileInfo::exists(path));
    } else {
        if (IsRoot())
            QSKIP("root writes whatever the permission bits say");
        WriteFile(path, old);
        const QString locked = kind == QLatin1String("read-only file") ? path : dir;
        const auto perms = QFile::permissions(locked);
        QFile::setPermissions(locked, perms & ~(QFile::WriteOwner | QFile::WriteUser |
                                                QFile::WriteGroup | QFile::WriteOther));
        saved = SaveActFile(path, pallet);
        QFile::setPermissions(locked, perms);
    }

    QVERIFY(!saved.ok);
    QVERIFY(!saved.error.isEmpty());
    if (QFileInfo(path).isFile())
        QCOMPARE(Contents(path), old);
    // No temporary file is left behind.
    const QStringList left = QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    QVERIFY2(left.size() <= 1, qPrintable(left.join(QLatin1Char(' '))));
}

void TestPaletteCore::saveKeepsPermissions_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("0640") << 0640;
    QTest::newRow("0600") << 0600;
    QTest::newRow("0664") << 0664;
}

void TestPaletteCore::saveKeepsPermissions()
{
    QFETCH(int, mode);

    QTemporaryDir tmp;
    const QString path = WriteFile(tmp.filePath(QStringLiteral("p.act")), Pattern(768));
    QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode_t(mode)), 0);

    const ActSaveResult saved = SaveActFile(path, Distinct(6));
    QVERIFY2(saved.ok, qPrintable(saved.error));
    QCOMPARE(int(ModeOf(path)), mode);
}

QTEST_GUILESS_MAIN(TestPaletteCore)
#include "test_palette_core.moc"
