#include "palette_window/ClipText.h"

#include <QElapsedTimer>
#include <QtTest>

namespace {

// Entry i is (i, 255 - i, (7 * i) % 256), so every field differs from its neighbours.
PalletArray Ramp()
{
    PalletArray pallet;
    for (int i = 0; i < kPalletEntries; ++i)
        pallet[i].set(quint8(i), quint8(255 - i), quint8((7 * i) % 256));
    return pallet;
}

QString Triples(const QList<int> &values)
{
    QString s;
    for (int v : values)
        s += QStringLiteral("%1").arg(v, 3, 10, QLatin1Char('0'));
    return s;
}

QList<int> Flatten(const std::vector<PalletEntry> &entries)
{
    QList<int> out;
    for (const PalletEntry &e : entries)
        out << e.R << e.G << e.B;
    return out;
}

} // namespace

class TestClipCore : public QObject {
    Q_OBJECT
private slots:
    void buildClipText_data();
    void buildClipText();
    void roundTrip_data();
    void roundTrip();
    void parseClipText_data();
    void parseClipText();
    void hugeTextIsBounded_data();
    void hugeTextIsBounded();
};

void TestClipCore::buildClipText_data()
{
    QTest::addColumn<QList<int>>("entries");
    QTest::addColumn<QString>("expected");

    QTest::newRow("one entry") << QList<int>{255, 0, 16} << "Palmiro000255000016";
    QTest::newRow("two entries") << QList<int>{1, 2, 3, 4, 5, 6}
                                 << "Palmiro001001002003004005006";
    QTest::newRow("black") << QList<int>{0, 0, 0} << "Palmiro000000000000";
}

void TestClipCore::buildClipText()
{
    QFETCH(QList<int>, entries);
    QFETCH(QString, expected);

    PalletArray pallet = Ramp();
    const int first = 40;
    const int last = first + int(entries.size()) / 3 - 1;
    for (int i = first; i <= last; ++i) {
        const int j = 3 * (i - first);
        pallet[i].set(quint8(entries[j]), quint8(entries[j + 1]), quint8(entries[j + 2]));
    }
    const QString text = BuildClipText(pallet, first, last);
    QCOMPARE(text, expected);
    QCOMPARE(text.size(), 19 + 9 * (last - first));
}

void TestClipCore::roundTrip_data()
{
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<int>("bytes");

    QTest::newRow("entry 0 alone") << 0 << 0 << 19;
    QTest::newRow("entry 255 alone") << 255 << 255 << 19;
    QTest::newRow("100..200") << 100 << 200 << 19 + 9 * 100;
    QTest::newRow("full range") << 0 << 255 << 2314;
}

void TestClipCore::roundTrip()
{
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(int, bytes);

    const PalletArray pallet = Ramp();
    const QString text = BuildClipText(pallet, first, last);
    QCOMPARE(text.size(), bytes);
    QCOMPARE(text.mid(7, 3), QStringLiteral("%1").arg(last - first, 3, 10, QLatin1Char('0')));

    const auto parsed = ParseClipText(text);
    QVERIFY(parsed);
    QCOMPARE(int(parsed->size()), last - first + 1);
    for (int i = first; i <= last; ++i) {
        const PalletEntry &e = (*parsed)[std::size_t(i - first)];
        QVERIFY2(e == pallet[i], qPrintable(QString::number(i)));
        QVERIFY(e.Color.has_value());
    }
}

void TestClipCore::parseClipText_data()
{
    QTest::addColumn<QString>("text");
    // Empty: no clipboard palette text.
    QTest::addColumn<QList<int>>("entries");
    using L = QList<int>;

    QTest::newRow("empty") << "" << L{};
    QTest::newRow("18 bytes") << "Palmiro00000100200" << L{};
    QTest::newRow("19 bytes") << "Palmiro000001002003" << L{1, 2, 3};
    QTest::newRow("magic lower case") << "palmiro000001002003" << L{};
    QTest::newRow("magic upper case") << "PALMIRO000001002003" << L{};
    QTest::newRow("magic with a blank") << " Palmiro000001002003" << L{};
    QTest::newRow("letters in the count") << "PalmiroABC001002003" << L{};
    QTest::newRow("hex count") << "Palmiro0x1001002003004005006" << L{};
    QTest::newRow("count 002, one entry") << "Palmiro002001002003" << L{};
    QTest::newRow("count 002, two entries") << "Palmiro002001002003004005006" << L{};
    QTest::newRow("count 001, three entries: extra ignored")
        << "Palmiro001001002003004005006007008009" << L{1, 2, 3, 4, 5, 6};
    QTest::newRow("trailing garbage ignored") << "Palmiro000001002003xyz" << L{1, 2, 3};
    QTest::newRow("value 256") << "Palmiro000256000000" << L{};
    QTest::newRow("value 999 in the last field") << "Palmiro000000000999" << L{};
    QTest::newRow("values 255") << "Palmiro000255255255" << L{255, 255, 255};
    QTest::newRow("negative value") << "Palmiro000-01000000" << L{};
    QTest::newRow("negative count") << "Palmiro-01001002003" << L{};
    QTest::newRow("count minus zero is zero") << "Palmiro-00001002003" << L{1, 2, 3};
    QTest::newRow("count with blanks") << "Palmiro 1 001002003004005006" << L{1, 2, 3, 4, 5, 6};
    QTest::newRow("count 0.5 rounds to 0") << "Palmiro0.5001002003" << L{1, 2, 3};
    QTest::newRow("count 1.5 rounds to 2")
        << "Palmiro1.5" + Triples({1, 2, 3, 4, 5, 6}) << L{};
    QTest::newRow("count 1.5 rounds to 2, three entries")
        << "Palmiro1.5" + Triples({1, 2, 3, 4, 5, 6, 7, 8, 9}) << L{1, 2, 3, 4, 5, 6, 7, 8, 9};
    QTest::newRow("fields round half to even") << "Palmiro0002.53.51e2" << L{2, 4, 100};
    QTest::newRow("blanks in fields") << "Palmiro000  1 2 3  " << L{1, 2, 3};
    QTest::newRow("blank field") << "Palmiro000   002003" << L{};
    QTest::newRow("text ends inside the last field")
        << "Palmiro001001002003004005" + QStringLiteral("6") << L{1, 2, 3, 4, 5, 6};
    QTest::newRow("text ends two bytes into the last field")
        << "Palmiro001001002003004005" + QStringLiteral("12") << L{1, 2, 3, 4, 5, 12};
    QTest::newRow("text ends before the last field") << "Palmiro001001002003004005" << L{};
    QTest::newRow("text ends inside the middle field") << "Palmiro00100100200300400" << L{};
    QTest::newRow("full-width digits") << QStringLiteral("Palmiro000１２３") << L{};
    QTest::newRow("full-width magic") << QStringLiteral("Ｐａｌｍｉｒｏ000001002003") << L{};
    QTest::newRow("kana in the count") << QStringLiteral("Palmiroあ0001002003") << L{};
    QTest::newRow("half-width kana in a field") << QStringLiteral("Palmiro000ｱ01002003") << L{};
    QTest::newRow("Japanese after the entries")
        << QStringLiteral("Palmiro000001002003パレット") << L{1, 2, 3};
    QTest::newRow("outside the code page after the entries")
        << QStringLiteral("Palmiro000001002003\U0001F600") << L{1, 2, 3};
    QTest::newRow("NUL in a field") << QStringLiteral("Palmiro000001") + QChar(0) +
                                           QStringLiteral("02003")
                                    << L{};

    L many;
    for (int j = 0; j < 1000; ++j)
        many << j % 256 << (j * 3) % 256 << 255 - j % 256;
    QTest::newRow("count 999 with 1000 entries") << "Palmiro999" + Triples(many) << many;
    QTest::newRow("count 999 with 999 entries")
        << "Palmiro999" + Triples(many.mid(0, 999 * 3)) << L{};
}

void TestClipCore::parseClipText()
{
    QFETCH(QString, text);
    QFETCH(QList<int>, entries);

    const auto parsed = ParseClipText(text);
    if (entries.isEmpty()) {
        QVERIFY2(!parsed, qPrintable(QString::number(parsed ? parsed->size() : 0)));
        return;
    }
    QVERIFY(parsed);
    QCOMPARE(Flatten(*parsed), entries);
    for (const PalletEntry &e : *parsed)
        QCOMPARE(e.Color, std::optional<qint32>(PackColor(e.R, e.G, e.B)));
}

void TestClipCore::hugeTextIsBounded_data()
{
    QTest::addColumn<QChar>("digit");
    QTest::addColumn<bool>("valid");

    QTest::newRow("1 MB of 1s") << QChar(u'1') << true;
    QTest::newRow("1 MB of 9s") << QChar(u'9') << false;
}

void TestClipCore::hugeTextIsBounded()
{
    QFETCH(QChar, digit);
    QFETCH(bool, valid);

    const QString text = QStringLiteral("Palmiro999") + QString(1 << 20, digit);
    QElapsedTimer clock;
    clock.start();
    const auto parsed = ParseClipText(text);
    QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(bool(parsed), valid);
    if (valid) {
        QCOMPARE(parsed->size(), std::size_t(1000));
        const PalletEntry &last = parsed->back();
        QCOMPARE(QList<int>({last.R, last.G, last.B, last.color()}),
                 QList<int>({111, 111, 111, PackColor(111, 111, 111)}));
    }
}

QTEST_GUILESS_MAIN(TestClipCore)
#include "test_clip_core.moc"
