#include "image/LoadPcxFile.h"
#include "palette_window/frmPallet.h"
#include "shell/WindowKit.h"
#include "support/AppUnderTest.h"
#include "support/PaletteKit.h"
#include "support/ScriptedPlatform.h"

#include <QtTest>
#include <QtWidgets>

using namespace mdlGlobal;

// Each entry as stored (an empty Color as -1) and its cell, then the selected entry's controls.
static QString State()
{
    frmPallet &w = FrmPallet();
    QString s;
    for (int i = 0; i < kPalletEntries; ++i)
        s += QString::asprintf("%d/%d/%x ", PackColor(Pallet[i].R, Pallet[i].G, Pallet[i].B),
                               Pallet[i].Color.value_or(-1), Background(w.lblColor[i]).rgb());
    for (int k = 0; k < 3; ++k)
        s += QString::number(w.sldColBar[k]->value()) + "/" + w.txtColor[k]->text() + " ";
    return s + w.lblPalID->text() + QString::number(Background(w.lblSelectColor).rgb(), 16);
}

class TestHistory : public QObject {
    Q_OBJECT
    ScriptedPlatform scripted;
private slots:
    void cleanup() { EndApplication(); }

    void undoRedo_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("steps");
        QTest::newRow("two key steps") << 2 << 2;
        QTest::newRow("typed value") << 3 << 1;
        QTest::newRow("same value typed") << 4 << 0;
        QTest::newRow("paste") << 5 << 1;
        QTest::newRow("New") << 6 << 1;
        QTest::newRow("PCX open") << 8 << 1;
    }
    // From entry 5 selected, black, and entries 6 to 255 never written. Slider drags: the journey.
    void undoRedo()
    {
        QFETCH(int, kind);
        QFETCH(int, steps);
        QVERIFY(StartApplication(&(scripted = ScriptedPlatform{})));
        frmPallet &w = FrmPallet();
        ActFileBytes = Pattern(15) + QByteArray(3, '\0');
        ActFileLen = 18;
        w.PalletSet();
        w.History().stack().clear();
        w.lblColor_Click(5);
        const QString before = State();
        if (kind == 2) {
            QTest::keyClick(w.sldColBar[1], Qt::Key_Right);
            QTest::keyClick(w.sldColBar[1], Qt::Key_PageUp);
        } else if (kind < 5) {
            w.txtColor[0]->setText(kind == 3 ? "77" : "0");
            w.txtColor_LostFocus(0);
        } else if (kind == 5) {
            scripted.clipboard = "Palmiro001" + Triples({1, 2, 3, 4, 5, 6});
            w.cmdPaste_Click();
        } else if (kind == 6) {
            w.initPallet(9, 8, 7);
        } else { // ACT open goes the same way, through PalletSet
            PcxFileBytes = Pattern(900);
            LoadPcxPallet();
        }
        const QString after = State();
        QCOMPARE(w.History().stack().count(), steps);
        w.History().stack().setIndex(0);
        QCOMPARE(State(), before);
        w.History().stack().setIndex(steps);
        QCOMPARE(State(), after);
    }
};

QTEST_MAIN(TestHistory)
#include "test_history.moc"
