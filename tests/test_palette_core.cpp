#include "palette/ActApply.h"
#include "palette/ActFile.h"
#include "support/PaletteKit.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

static PalletArray Distinct(int seed)
{
    PalletArray pallet;
    ApplyActBytes(pallet, Pattern(kActFileBytes, seed), kActFileBytes);
    return pallet;
}

class TestPaletteCore : public QObject {
    Q_OBJECT
private slots:
    void applyActBytes_data()
    {
        QTest::addColumn<int>("len");
        QTest::addColumn<int>("entries");
        QTest::newRow("300: 0..99") << 300 << 100;
        QTest::newRow("767: last entry blue 0") << 767 << 256;
        QTest::newRow("766: 0..254, lone byte ignored") << 766 << 255;
        QTest::newRow("1: lone byte ignored") << 1 << 0;
        QTest::newRow("100000: nothing past 255") << 100000 << 256;
    }
    void applyActBytes()
    {
        QFETCH(int, len);
        QFETCH(int, entries);
        const QByteArray bytes = Pattern(len) + "\xAA\xBB\xCC"; // junk past len
        PalletArray pallet = Distinct(9), want = pallet;
        QCOMPARE(ApplyActBytes(pallet, bytes, len), entries);
        auto at = [&](int k) { return k < len ? quint8(bytes[k]) : quint8(0); };
        for (int i = 0; i < entries; ++i)
            want[i].set(at(3 * i), at(3 * i + 1), at(3 * i + 2));
        QVERIFY(pallet == want);
    }

    void realFiles_data()
    {
        QTest::addColumn<QString>("name");
        for (const QString &name : QDir(TestDataDir() + "/act").entryList({"*.act"}, QDir::Files))
            QTest::newRow(qPrintable(name)) << name;
    }
    void realFiles()
    {
        REQUIRE_TESTDATA();
        QFETCH(QString, name);
        const ActReadResult read = ReadActFile(TestDataDir() + "/act/" + name);
        QVERIFY2(read.ok && read.bytes.size() >= kActFileBytes, qPrintable(read.error));
        PalletArray pallet = Distinct(1);
        QCOMPARE(ApplyActBytes(pallet, read.bytes, read.bytes.size()), 256);
        QCOMPARE(BuildActBytes(pallet), read.bytes.left(kActFileBytes));
        QTemporaryDir tmp; // saving over a copy gives back the very same file
        QVERIFY(SaveActFile(WriteFile(tmp.filePath(name), read.bytes), pallet).ok);
        QCOMPARE(Contents(tmp.filePath(name)), read.bytes);
    }

    void readActFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("ok");
        QTest::newRow("read-only file still loads") << "read-only" << true;
        QTest::newRow("missing name is created empty") << "missing" << true;
        QTest::newRow("missing folder") << "missing folder" << false;
        QTest::newRow("directory") << "directory" << false;
        QTest::newRow("unreadable file") << "unreadable" << false;
    }
    void readActFile()
    {
        QFETCH(QString, kind);
        QFETCH(bool, ok);
        if (kind == "unreadable")
            RUN_AS_NOBODY_IF_ROOT();
        QTemporaryDir tmp;
        const QString path = tmp.filePath(kind == "missing folder" ? "no/p.act" : "p.act");
        const bool written = kind == "read-only" || kind == "unreadable";
        if (written)
            QFile::setPermissions(WriteFile(path, Pattern(300)),
                                  kind == "unreadable" ? QFile::WriteOwner : QFile::ReadOwner);
        if (kind == "directory")
            QVERIFY(QDir().mkpath(path));
        const ActReadResult read = ReadActFile(path);
        QCOMPARE(std::pair(read.ok, read.error.isEmpty()), std::pair(ok, ok));
        QCOMPARE(read.bytes, written && ok ? Pattern(300) : QByteArray());
        QCOMPARE(QFileInfo(path).isFile(), ok || kind == "unreadable");
    }

    // A save writes the bytes the palette was read from and keeps the old tail and mode.
    void saveKeepsTailAndMode_data()
    {
        QTest::addColumn<int>("oldSize"); // -1: no file yet
        QTest::addColumn<int>("mode");
        QTest::newRow("new file") << -1 << 0;
        QTest::newRow("shorter file") << 100 << 0600;
        QTest::newRow("772 bytes: count and transparent index") << 772 << 0664;
    }
    void saveKeepsTailAndMode()
    {
        QFETCH(int, oldSize);
        QFETCH(int, mode);
        QTemporaryDir tmp;
        const QString path = tmp.filePath("t.act");
        const QByteArray old = Pattern(qMax(oldSize, 0), 5);
        if (oldSize >= 0)
            QCOMPARE(::chmod(QFile::encodeName(WriteFile(path, old)).constData(), mode_t(mode)), 0);
        const ActSaveResult saved = SaveActFile(path, Distinct(3));
        QVERIFY2(saved.ok, qPrintable(saved.error));
        QCOMPARE(Contents(path), Pattern(kActFileBytes, 3) + old.mid(kActFileBytes));
        struct stat st {};
        ::stat(QFile::encodeName(path).constData(), &st);
        QVERIFY(!mode || int(st.st_mode & 07777) == mode);
    }

    // Each fails and keeps the old file, but for the read-only folder, where the
    // file is rewritten in place.
    void saveInAwkwardPlaces_data()
    {
        QTest::addColumn<QString>("kind");
        for (const char *kind : {"disk full", "target is a directory", "missing folder",
                                 "read-only folder", "read-only file"})
            QTest::newRow(kind) << QString(kind);
    }
    void saveInAwkwardPlaces()
    {
        QFETCH(QString, kind);
        if (kind.startsWith("read-only"))
            RUN_AS_NOBODY_IF_ROOT();
        QTemporaryDir tmp;
        const QString dir = tmp.filePath("d");
        const QByteArray old = Pattern(772, 9);
        const QString path = dir + (kind == "missing folder" ? "/no/new.act" : "/old.act");
        const bool isDir = kind == "target is a directory",
                   noFile = isDir || kind == "missing folder", ok = kind == "read-only folder";
        QDir().mkpath(isDir ? path : dir);
        if (!noFile)
            WriteFile(path, old);
        const QString locked = kind == "read-only file" ? path : dir;
        const auto perms = QFile::permissions(locked);
        if (kind.startsWith("read-only"))
            QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner);
        const ActSaveResult saved =
            WithFileSizeLimit(kind == "disk full" ? 100 : RLIM_INFINITY,
                              [&] { return SaveActFile(path, Distinct(4)); });
        QFile::setPermissions(locked, perms);
        QCOMPARE(std::pair(saved.ok, saved.error.isEmpty()), std::pair(ok, ok));
        QCOMPARE(QFileInfo(path).isDir(), isDir);
        QCOMPARE(Contents(path), noFile ? QByteArray("<unreadable>")
                                 : ok   ? Pattern(kActFileBytes, 4) + old.mid(kActFileBytes)
                                        : old);
        const QStringList left = QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        QVERIFY2(left.size() <= 1, qPrintable(left.join(' '))); // no temporary file left
    }
};

QTEST_GUILESS_MAIN(TestPaletteCore)
#include "test_palette_core.moc"
