#include "formats/ActFile.h"
#include "formats/ClipText.h"
#include "model/ActApply.h"
#include "model/Levels.h"
#include "support/PaletteKit.h"
#include "support/PcxBuilder.h"
#include "support/TestFiles.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <random>

#include <sys/stat.h>

namespace {

PalletArray Distinct(int seed)
{
    PalletArray pallet;
    ApplyActBytes(pallet, Pattern(kActFileBytes, seed), kActFileBytes);
    return pallet;
}

} // namespace

class TestPaletteCore : public QObject {
    Q_OBJECT
private slots:
    // Entry i takes bytes 3i..3i+2 of the first len; bytes past the data read 0.
    void applyActBytes_data()
    {
        QTest::addColumn<qint64>("len"); // of 303 bytes of data
        QTest::addColumn<int>("entries");
        for (auto [len, n] : {std::pair{302LL, 101},
                              {767, 256},
                              {766, 255},
                              {1, 0},
                              {-1, 0},
                              {100000, 256},
                              {LLONG_MAX, 256}}) // fuzz_act: len + 1
            QTest::addRow("%lld", len) << qint64(len) << n;
    }
    void applyActBytes()
    {
        QFETCH(qint64, len);
        QFETCH(int, entries);
        const QByteArray bytes = Pattern(300) + "\xAA\xBB\xCC";
        PalletArray pallet = Distinct(9), want = pallet;
        QCOMPARE(ApplyActBytes(pallet, bytes, len), entries);
        auto at = [&](qint64 k) { return k < qMin(len, 303LL) ? quint8(bytes[k]) : quint8(0); };
        for (int i = 0; i < entries; ++i)
            want[i].set(at(3 * i), at(3 * i + 1), at(3 * i + 2));
        QVERIFY(pallet == want);
    }

    // Only regular files are opened, each refusal saying why; an ACT file is read for its
    // first 768 bytes whatever its size.
    void readActFile_data()
    {
        QTest::addColumn<QString>("name"); // in a fresh folder; "*": a real file of the corpus
        QTest::addColumn<int>("problem");  // FileProblem
        const auto row = [](const char *n, QString name, FileProblem p) {
            QTest::newRow(n) << name << int(p);
        };
        row("missing name is created empty", "p.act", FileProblem::None);
        row("missing folder", "no/p.act", FileProblem::Missing);
        row("directory", ".", FileProblem::Folder);
        row("named pipe", "fifo", FileProblem::Pipe);
        row("device", "/dev/zero", FileProblem::Device);
        row("unreadable file", kUnreadableFile, FileProblem::ReadError);
        row("5 GB, sparse", "sparse", FileProblem::None);
        for (const QString &name : QDir(TestDataDir() + "/act").entryList({"*.act"}, QDir::Files))
            row(qPrintable(name), TestDataDir() + "/act/" + name, FileProblem::None);
    }
    void readActFile()
    {
        QFETCH(QString, name);
        QFETCH(int, problem);
        QTemporaryDir tmp;
        const QString path = name.startsWith('/') ? name : tmp.filePath(name);
        if (name == "fifo")
            QCOMPARE(::mkfifo(qPrintable(path), 0600), 0);
        if (name == "sparse") {
            QFile big(path);
            QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(qint64(5) << 30));
        }
        const PaletteRead read = ReadPaletteAt(path, true);
        QCOMPARE(int(read.file.problem), problem);
        QCOMPARE(read.rgb.size(), problem ? 0 : qMin(QFileInfo(path).size(), 768LL));
        if (!name.startsWith(TestDataDir()))
            return;
        // Saving over a copy of a real file gives back the very same bytes.
        const QByteArray bytes = Contents(path);
        PalletArray pallet = Distinct(1);
        QCOMPARE(ApplyActBytes(pallet, read.rgb, read.rgb.size()), 256);
        QVERIFY(!SaveActFile(WriteFile(tmp.filePath("copy.act"), bytes), pallet));
        QCOMPARE(Contents(tmp.filePath("copy.act")), bytes);
    }

    // A save keeps the old tail and mode; a failed one the old file; neither a temporary file.
    void saveActFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("oldSize");    // -1: no file yet
        QTest::addColumn<QString>("locked"); // made read-only: "dir" or "file"
        QTest::addColumn<bool>("ok");
        const auto row = [](const char *n, QString name, int size, QString locked, bool ok) {
            QTest::newRow(n) << name << size << locked << ok;
        };
        row("new file", "t.act", -1, {}, true);
        row("772 bytes: count and transparent index", "t.act", 772, {}, true);
        row("read-only folder: rewritten in place", "t.act", 772, "dir", true);
        row("read-only file", "t.act", 772, "file", false);
        row("disk full", "t.act", 772, {}, false);
        row("target is a directory", ".", -1, {}, false);
        row("folder nobody can write", "/proc/palmiro.act", -1, {}, false);
        row("target that cannot be read", kUnreadableFile, -1, {}, false);
        row("named pipe", "fifo", -1, {}, false);
        row("device", "/dev/null", -1, {}, false);
    }
    void saveActFile()
    {
        QFETCH(QString, name);
        QFETCH(int, oldSize);
        QFETCH(QString, locked);
        QFETCH(bool, ok);
        if (!locked.isEmpty())
            RUN_AS_NOBODY_IF_ROOT();
        QTemporaryDir tmp;
        const QString path = name.startsWith('/') ? name : tmp.filePath(name);
        const QByteArray old = Pattern(qMax(oldSize, 0), 5);
        if (name == "fifo")
            QCOMPARE(::mkfifo(qPrintable(path), 0600), 0);
        const auto mode = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther;
        if (oldSize >= 0)
            QFile::setPermissions(WriteFile(path, old), mode);
        const QString lock = locked == "dir" ? tmp.path() : path;
        const auto perms = QFile::permissions(lock);
        if (!locked.isEmpty())
            QFile::setPermissions(lock, QFile::ReadOwner | QFile::ExeOwner);
        const FileError saved = WithFileSizeLimit(
            QTest::currentDataTag() == QByteArray("disk full") ? 100 : RLIM_INFINITY,
            [&] { return SaveActFile(path, Distinct(3)); });
        QFile::setPermissions(lock, perms);
        QCOMPARE(!saved, ok);
        if (path.startsWith('/') || name == "fifo")
            return;
        QCOMPARE(Contents(path), ok            ? Pattern(kActFileBytes, 3) + old.mid(kActFileBytes)
                                 : oldSize < 0 ? QByteArray("<unreadable>")
                                               : old);
        QVERIFY(!ok || oldSize < 0 ||
                (QFile::permissions(path) & 0x0fff) == (mode | QFile::ReadUser | QFile::WriteUser));
        QCOMPARE(QDir(tmp.path()).entryList(QDir::Files).size(), int(oldSize >= 0 || ok));
    }

    // Level k is k*255/(L-1) and v goes to level v*(L-1)/255, both rounded half up, for each
    // preset (its counts) and raw format (its bytes for 255,0,73, and read back as snapped).
    void levels_data()
    {
        QTest::addColumn<int>("preset"); // -1: a raw format
        QTest::addColumn<int>("format");
        QTest::addColumn<Levels>("levels");
        QTest::addColumn<QByteArray>("entry"); // hex
        const auto row = [](const char *n, int preset, PaletteFormat f, Levels l, QByteArray e) {
            QTest::newRow(n) << preset << int(f) << l << e;
        };
        const char *const presets[] = {"none", "VGA", "OCS",  "ST",    "STE",   "MD",
                                       "SMS",  "EGA", "SNES", "3-3-2", "5-6-5", "CPC"};
        const Levels counts[] = {{{256, 256, 256}}, {{64, 64, 64}}, {{16, 16, 16}}, {{8, 8, 8}},
                                 {{16, 16, 16}},    {{8, 8, 8}},    {{4, 4, 4}},    {{4, 4, 4}},
                                 {{32, 32, 32}},    {{8, 8, 4}},    {{32, 64, 32}}, {{3, 3, 3}}};
        for (int i = 0; i < kLevelsPresets; ++i)
            row(presets[i], i, PaletteFormat::Act, counts[i], {});
        row("vga", -1, PaletteFormat::Vga, counts[1], "3f0012");
        row("bgr555", -1, PaletteFormat::Bgr555, counts[8], "1f24");
        row("md", -1, PaletteFormat::MegaDrive, counts[5], "040e");
        row("amiga", -1, PaletteFormat::Amiga, counts[2], "0f04");
    }
    void levels()
    {
        QFETCH(int, preset);
        QFETCH(int, format);
        QFETCH(Levels, levels);
        QFETCH(QByteArray, entry);
        const auto f = PaletteFormat(format);
        QVERIFY(preset < 0 ? RawLevels(f) == levels : LevelsPresets()[preset] == levels);
        for (const int L : levels.count) {
            for (int k = 0; k < L; ++k)
                QCOMPARE(LevelValue(L, k), int(std::floor(k * 255.0 / (L - 1) + 0.5)));
            for (int v = 0; v < 256; ++v)
                QCOMPARE(SnapValue(L, v),
                         LevelValue(L, int(std::floor(v * (L - 1) / 255.0 + 0.5))));
        }
        if (preset >= 0)
            return;
        PalletArray pallet = Distinct(3);
        pallet[0].set(255, 0, 73);
        QByteArray bytes = WritePaletteFile(f, pallet);
        QCOMPARE(bytes.left(entry.size() / 2).toHex(), entry);
        QBuffer file(&bytes);
        file.open(QIODevice::ReadOnly);
        const PaletteRead read = ReadRawPalette(file, f);
        QVERIFY(read.ok() && read.rgb.size() == 768);
        for (int i = 0; i < kPalletEntries; ++i)
            QCOMPARE(read.rgb.mid(3 * i, 3), BuildActBytes({SnapEntry(levels, pallet[i])}).left(3));
    }

    void parseClipText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("count");        // -1: not a clipboard palette text
        QTest::addColumn<QList<int>>("first"); // R, G, B of the first entries
        const auto row = [](const char *name, QString t, int n, QList<int> e = {}) {
            QTest::newRow(name) << t << n << e;
        };
        const QString nine = Triples({1, 2, 3, 4, 5, 6, 7, 8, 9});
        const PalletArray ramp = Ramp(); // its copies read back
        QCOMPARE(BuildClipText(ramp, 40, 41), "Palmiro001040215024041214031");
        row("copy of entry 255", BuildClipText(ramp, 255, 255), 1, {255, 0, 249});
        row("copy of all", BuildClipText(ramp, 0, 255), 256, {0, 255, 0, 1, 254, 7});
        row("empty", "", -1);
        row("18 bytes", "Palmiro00000100200", -1);
        row("magic in lower case", "palmiro000001002003", -1);
        row("magic with a blank", " Palmiro000001002003", -1);
        row("full-width magic", u"Ｐａｌｍｉｒｏ000001002003"_qs, -1);
        row("letters in the count", "PalmiroABC001002003", -1);
        row("hex count", "Palmiro0x1001002003004005006", -1);
        row("count 001, three entries: extra ignored", "Palmiro001" + nine, 2, {1, 2, 3, 4, 5, 6});
        row("value 256", "Palmiro000001002256", -1);
        row("negative value", "Palmiro000-01000000", -1);
        row("negative count", "Palmiro-01001002003", -1);
        row("blanks in count and fields", "Palmiro 1   1 2 3  004005006", 2, {1, 2, 3, 4, 5, 6});
        row("blank field", "Palmiro000   002003", -1);
        row("count 0.5 rounds to 0", "Palmiro0.5001002003", 1);
        row("count 1.5 rounds to 2", "Palmiro1.5" + nine, 3);
        row("fields round half to even", "Palmiro0002.53.51e2", 1, {2, 4, 100});
        row("text ends two bytes into the last field", "Palmiro00100100200300400512", 2,
            {1, 2, 3, 4, 5, 12});
        row("text ends before the last field", "Palmiro001001002003004005", -1);
        row("full-width digits", u"Palmiro000１２３"_qs, -1);
        row("kana in the count", u"Palmiroあ0001002003"_qs, -1);
        row("emoji in a field", u"Palmiro000001\U0001F600003"_qs, -1);
        row("lone surrogate in the count", u"Palmiro0"_qs + QChar(0xD800) + "0001002003", -1);
        row("NUL in a field", u"Palmiro000001"_qs + QChar(0) + "02003", -1);
        row("line break inside a field", "Palmiro000001\r\n02003", -1);
        row("fuzz_clip count_with_exponent_allocates_billions", "Palmiro2e9" + nine, -1);
        row("count 9e9", "Palmiro9e9" + nine, -1);
        row("count 1e2 with 101 entries", "Palmiro1e2" + nine.repeated(34), 101, {1, 2, 3});
        row("8 MB of digits, count 999", "Palmiro999" + QString(8 << 20, '1'), 1000,
            {111, 111, 111});
        row("8 MB after a full text", "Palmiro255" + nine.repeated(86) + QString(8 << 20, '7'),
            256);
    }
    void parseClipText()
    {
        QFETCH(QString, text);
        QFETCH(int, count);
        QFETCH(QList<int>, first);
        QElapsedTimer clock;
        clock.start();
        const auto parsed = ParseClipText(text);
        QVERIFY(clock.elapsed() < 3000);
        QCOMPARE(parsed ? int(parsed->size()) : -1, count);
        QList<int> got;
        for (int i = 0; i < first.size() / 3; ++i) {
            const PalletEntry &e = parsed->at(i);
            got << e.R << e.G << e.B;
            QCOMPARE(e.color(), PackColor(e.R, e.G, e.B));
        }
        QCOMPARE(got, first);
    }

    // A child saving two palettes in turn over one file is killed at random moments.
    void killedSaveLeavesOldOrNew()
    {
        QTemporaryDir dir;
        const QString path = WriteFile(dir.filePath("p.act"), Pattern(768, 0) + "tail");
        std::mt19937 rng(std::random_device{}());
        int seen[2] = {};
        for (int round = 0; round < 30; ++round) {
            QProcess child;
            child.start(QCoreApplication::applicationFilePath(), {"--save-loop", path});
            QVERIFY(child.waitForReadyRead(5000));
            QThread::usleep(rng() % 20000);
            ::kill(pid_t(child.processId()), SIGKILL);
            QVERIFY(child.waitForFinished(5000) && child.exitStatus() == QProcess::CrashExit);
            const QByteArray now = Contents(path);
            QVERIFY2(now.endsWith("tail") &&
                         (now.startsWith(Pattern(768, 0)) || now.startsWith(Pattern(768, 1))),
                     qPrintable(QString::number(round)));
            ++seen[now.startsWith(Pattern(768, 1))];
        }
        QVERIFY(seen[0] && seen[1]); // the kills did land among the saves
    }
};

int main(int argc, char **argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--save-loop") == 0)
        for (int i = 1;; ++i) {
            if (SaveActFile(QString::fromLocal8Bit(argv[2]), Distinct(i % 2)))
                return 1;
            if (i == 1)
                std::puts("saving"), std::fflush(stdout);
        }
    QCoreApplication app(argc, argv);
    TestPaletteCore test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_palette_core.moc"
