#include "palette_window/ClipText.h"
#include "support/PaletteKit.h"

#include <QElapsedTimer>
#include <QtTest>

class TestClipCore : public QObject {
    Q_OBJECT
private slots:
    void buildAndParseBack()
    {
        PalletArray pallet; // entry i is (i, 255 - i, 7i mod 256)
        for (int i = 0; i < kPalletEntries; ++i)
            pallet[i].set(quint8(i), quint8(255 - i), quint8((7 * i) % 256));
        pallet[41].set(255, 0, 16);
        QCOMPARE(BuildClipText(pallet, 40, 41), "Palmiro001040215024255000016");
        for (auto [first, last] : {std::pair(0, 0), {255, 255}, {100, 200}, {0, 255}}) {
            const QString text = BuildClipText(pallet, first, last);
            QCOMPARE(text, "Palmiro" + Triples({last - first}) + text.mid(10));
            QCOMPARE(text.size(), 19 + 9 * (last - first));
            const auto parsed = ParseClipText(text);
            QVERIFY(parsed &&
                    std::equal(parsed->begin(), parsed->end(), &pallet[first], &pallet[last + 1]));
        }
    }

    void parseClipText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("entries"); // empty: not a clipboard palette text
        using L = QList<int>;
        QTest::newRow("one entry, values 255") << "Palmiro000255000255" << L{255, 0, 255};
        QTest::newRow("magic with a blank") << " Palmiro000001002003" << L{};
        QTest::newRow("full-width magic") << QStringLiteral("Ｐａｌｍｉｒｏ000001002003") << L{};
        QTest::newRow("hex count") << "Palmiro0x1001002003004005006" << L{};
        QTest::newRow("count 001, three entries: extra ignored")
            << "Palmiro001" + Triples({1, 2, 3, 4, 5, 6, 7, 8, 9}) << L{1, 2, 3, 4, 5, 6};
        QTest::newRow("negative value") << "Palmiro000-01000000" << L{};
        QTest::newRow("negative count") << "Palmiro-01001002003" << L{};
        QTest::newRow("count minus zero is zero") << "Palmiro-00001002003" << L{1, 2, 3};
        QTest::newRow("blanks in count and fields")
            << "Palmiro 1   1 2 3  004005006" << L{1, 2, 3, 4, 5, 6};
        QTest::newRow("blank field") << "Palmiro000   002003" << L{};
        QTest::newRow("count 0.5 rounds to 0") << "Palmiro0.5001002003" << L{1, 2, 3};
        QTest::newRow("count 1.5 rounds to 2")
            << "Palmiro1.5" + Triples({1, 2, 3, 4, 5, 6, 7, 8, 9}) << L{1, 2, 3, 4, 5, 6, 7, 8, 9};
        QTest::newRow("fields round half to even") << "Palmiro0002.53.51e2" << L{2, 4, 100};
        QTest::newRow("text ends two bytes into the last field")
            << "Palmiro00100100200300400512" << L{1, 2, 3, 4, 5, 12};
        QTest::newRow("text ends before the last field") << "Palmiro001001002003004005" << L{};
        QTest::newRow("full-width digits") << QStringLiteral("Palmiro000１２３") << L{};
        QTest::newRow("kana in the count") << QStringLiteral("Palmiroあ0001002003") << L{};
        QTest::newRow("Japanese and an emoji after the entries")
            << QStringLiteral("Palmiro000001002003パレット\U0001F600") << L{1, 2, 3};
        QTest::newRow("NUL in a field") << QString("Palmiro000001") + QChar(0) + "02003" << L{};
    }
    void parseClipText()
    {
        QFETCH(QString, text);
        QFETCH(QList<int>, entries);
        const auto parsed = ParseClipText(text);
        QList<int> got;
        bool packed = true;
        for (const PalletEntry &e : parsed.value_or(std::vector<PalletEntry>{})) {
            got << e.R << e.G << e.B;
            packed &= e.Color == PackColor(e.R, e.G, e.B);
        }
        QCOMPARE(got, entries);
        QCOMPARE(bool(parsed), !entries.isEmpty());
        QVERIFY(packed);
    }

    void hugeTextIsBounded_data()
    {
        QTest::addColumn<QChar>("digit");
        QTest::newRow("1 MB of 1s") << QChar(u'1');
        QTest::newRow("1 MB of 9s") << QChar(u'9');
    }
    void hugeTextIsBounded()
    {
        QFETCH(QChar, digit);
        QElapsedTimer clock;
        clock.start();
        const auto parsed = ParseClipText("Palmiro999" + QString(1 << 20, digit));
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(parsed ? parsed->size() : 0, digit == u'1' ? 1000u : 0u);
        if (parsed)
            QVERIFY(parsed->back() == parsed->front() && parsed->back().color() == 0x6f6f6f);
    }
};

QTEST_GUILESS_MAIN(TestClipCore)
#include "test_clip_core.moc"
