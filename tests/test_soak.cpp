// A second of random edits on an open image: the palette window shows the selected
// entry and the picture is a fresh redraw. PALMIRO_SOAK_SEED repeats a failed run.

#include "image/DrawPcxImage.h"
#include "image/LoadPcxFile.h"
#include "image/PcxReader.h"
#include "image/frmPCX.h"
#include "palette_window/ClipText.h"
#include "palette_window/frmPallet.h"
#include "shell/WindowKit.h"
#include "support/AppUnderTest.h"
#include "support/PcxBuilder.h"
#include "support/ScriptedPlatform.h"
#include "support/TestFiles.h"

#include <QtTest>
#include <QtWidgets>

using namespace mdlGlobal;

class TestSoak : public QObject {
    Q_OBJECT
private slots:
    void randomEdits()
    {
        ScriptedPlatform platform;
        QVERIFY(StartApplication(&platform));
        QTemporaryDir dir;
        QByteArray data; // 40 x 30, every stored value
        for (int i = 0; i < 1200; ++i)
            data += Bytes({0xC1, (i % 40 * 11 + i / 40 * 37) % 256});
        const QByteArray pcx = MakePcx(39, 29, data);
        platform.paths.push_back(WriteFile(dir.filePath("s.pcx"), pcx));
        FrmMain().cmdPcxOpen_Click();
        // The file is read once: a change after the check never reaches the picture.
        WriteFile(dir.filePath("s.pcx"), MakePcx(9, 9, QByteArray(100, 3)) + QByteArray(5000, 0));
        DecodePcxImage();
        QCOMPARE(PcxFileBytes, pcx);
        QCOMPARE(mdlGlobal::PcxImage.pixels, ReadPcx(pcx).decoded);
        FrmPCX().resize(120, 100); // the scroll bars come from 300 %
        const uint seed = qEnvironmentVariableIsSet("PALMIRO_SOAK_SEED")
                              ? qEnvironmentVariableIntValue("PALMIRO_SOAK_SEED")
                              : QRandomGenerator::global()->generate();
        QRandomGenerator rng(seed);
        frmPallet &p = FrmPallet();
        QElapsedTimer clock;
        clock.start();
        for (int step = 0; clock.elapsed() < 1000; ++step) {
            const int k = rng.bounded(3), kind = rng.bounded(7);
            const QString typed =
                QStringList{"12.5", "256", "-0.4", " 7 ", "x", "1e2"}[rng.bounded(6)];
            QScrollBar *bar = rng.bounded(2) ? FrmPCX().scrlH : FrmPCX().scrlV;
            platform.answers = {Platform::Answer::Ok};
            kind == 0   ? p.sldColBar[k]->setValue(rng.bounded(256))
            : kind == 1 ? p.lblColor_Click(qint16(rng.bounded(256)))
            : kind == 2 ? (platform.clipboard = BuildClipText(Pallet, k, k + rng.bounded(24)),
                           p.cmdPaste_Click())
            : kind == 3 ? FrmMain().sldZoom->setValue(rng.bounded(100, 401))
            : kind == 4 ? (rng.bounded(2) ? FrmMain().cmdAdjustPlus_Click()
                                          : FrmMain().cmdAdjustMinas_Click())
            : kind == 5 ? bar->setValue(rng.bounded(bar->maximum() + 1))
                        : void((p.txtColor[k]->setText(typed), p.txtColor_LostFocus(k)));
            const PalletEntry &e = Pallet[SelectedPalletID];
            const QImage before = FrmPCX().raster().copy();
            DrawPcxImage();
            const QImage after =
                FrmPCX().raster().copy(0, 0, FrmPCX().width() - 17, FrmPCX().height() - 17);
            QVERIFY2(
                e.color() == PackColor(e.R, e.G, e.B) &&
                    Background(p.lblColor[SelectedPalletID]) == QColor(e.R, e.G, e.B) &&
                    Background(p.lblSelectColor) == Background(p.lblColor[SelectedPalletID]) &&
                    CellLookOf(p.lblColor[SelectedPalletID]) == CellLook::Raised &&
                    p.sldColBar[k]->value() == e.channel(k) &&
                    p.lblPalID->text() == QString::number(SelectedPalletID) &&
                    before.copy(after.rect()) == after,
                qPrintable(
                    QStringLiteral("step %1, edit %2, seed %3").arg(step).arg(kind).arg(seed)));
        }
        EndApplication();
    }
};

QTEST_MAIN(TestSoak)
#include "test_soak.moc"
