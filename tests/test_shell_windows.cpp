#include "image/frmPCX.h"
#include "palette_window/frmPallet.h"
#include "shell/Forms.h"
#include "shell/WindowKit.h"
#include "shell/frmAbout.h"
#include "shell/frmMain.h"
#include "shell/mdlGlobal.h"
#include "support/AppUnderTest.h"
#include "support/ScriptedPlatform.h"
#include "support/TestFiles.h"

#include <QStringEncoder>
#include <QtTest>
#include <QtWidgets>

using namespace mdlGlobal;
using Strings = QStringList;

static QString SettingsFileBesideTest()
{
    const QFileInfo exe(QCoreApplication::applicationFilePath());
    return exe.dir().filePath(exe.completeBaseName() + u".ini"_qs);
}
static QByteArray Sjis(const QString &text)
{
    return QStringEncoder("cp932").encode(text);
}
static const QRect kMainStart(266, 37, 124, 412); // (3985, 550) twips

// The palette window's three text boxes and sliders, interleaved; its cell and swatch colours.
static Strings Channels(frmPallet &p = FrmPallet())
{
    Strings shown;
    for (int k = 0; k < 3; ++k)
        shown << p.txtColor[k]->text() << QString::number(p.sldColBar[k]->value());
    return shown;
}
static QList<QColor> Swatches(int i, frmPallet &p = FrmPallet())
{
    return {Background(p.lblColor[i]), Background(p.lblSelectColor)};
}
static QList<int> RaisedCells()
{
    QList<int> raised;
    for (int i = 0; i < kPalletEntries; ++i)
        if (CellLookOf(FrmPallet().lblColor[i]) == CellLook::Raised)
            raised << i;
    return raised;
}
static Strings Captions(frmMain &m = FrmMain(), frmPallet &p = FrmPallet())
{
    return {m.lblTitle[0]->text(),  m.lblTitle[1]->text(), m.windowTitle(),   p.windowTitle(),
            FrmPCX().windowTitle(), p.fraClip->title(),    p.cmdCopy->text(), p.cmdPaste->text()};
}

class TestShellWindows : public QObject {
    Q_OBJECT
    std::unique_ptr<ScriptedPlatform> platform;

    void start(const QByteArray &settings = {})
    {
        cleanup();
        if (!settings.isEmpty())
            WriteFile(SettingsFileBesideTest(), settings);
        platform = std::make_unique<ScriptedPlatform>();
        QVERIFY(StartApplication(platform.get()));
    }
    void select(int index, int r = -1, int g = 0, int b = 0) // then drag the sliders to r, g, b
    {
        QTest::mouseClick(FrmPallet().lblColor[index], Qt::LeftButton);
        QCOMPARE(SelectedPalletID, index);
        for (int k = 0; k < 3 && r >= 0; ++k)
            FrmPallet().sldColBar[k]->setValue(QList<int>{r, g, b}[k]); // a user move
    }
    void enter(QLineEdit *box, const QString &typed) // entering selects all: typing replaces it
    {
        FrmPallet().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&FrmPallet()));
        box->setFocus(Qt::TabFocusReason);
        QTRY_COMPARE(box->selectedText(), box->text());
        typed.isEmpty() ? QTest::keyClick(box, Qt::Key_Delete) : QTest::keyClicks(box, typed);
        QCOMPARE(box->text(), typed);
    }

private slots:
    void init() { start(); }
    void cleanup()
    {
        EndApplication();
        QFile::remove(SettingsFileBesideTest());
    }

    void startUpStateAndPlacement()
    {
        for (int i = 0; i < kPalletEntries; ++i)
            QVERIFY(Pallet[i] == PalletEntry{} && Background(FrmPallet().lblColor[i]) == Qt::black);
        QCOMPARE(RaisedCells(), QList<int>{0});
        const QSlider *zoom = FrmMain().sldZoom;
        QCOMPARE(QList<qsizetype>(
                     {SelectedPalletID, SearchPalletID, mdlGlobal::PcxImage.width(),
                      mdlGlobal::PcxImage.height(), zoom->minimum(), zoom->value(), zoom->maximum(),
                      ActFileBytes.count('\0'), PcxFileBytes.count('\0'),
                      ActFileBytes.size() + PcxFileBytes.size(), MainWindowLeft, MainWindowTop}),
                 QList<qsizetype>({0, -1, 1, 1, 100, 100, 400, 768, 1, 769, 3985, 550}));
        QVERIFY(FrmAboutLoaded() && !FrmAbout().isVisible() && !FrmPallet().cmdPaste->isEnabled());
        QCOMPARE(Strings({FrmAbout().lblVer->text(), FrmPallet().lblFName->text(),
                          FrmPallet().lblPalID->text()}) +
                     Channels(),
                 Strings({VersionText(PALMIRO_VERSION_MAJOR, PALMIRO_VERSION_MINOR,
                                      PALMIRO_VERSION_PATCH),
                          "<No File>", "0", "0", "0", "0", "0", "0", "0"}));
        for (const CatalogEntry &e : CatalogEntries())
            QCOMPARE(Catalog.*e.member, e.defaultText);
        // Shown normally, the main window has no caption of its own.
        QCOMPARE(Captions(), Strings({"Palmiro", "Palmiro", "", u"Palmiro - パレット"_qs,
                                      u"Palmiro - スクリーン"_qs, u"クリップボード"_qs,
                                      u"コピー"_qs, u"貼り付け"_qs}));
        const QRect main = FrmMain().frameGeometry(), pallet = FrmPallet().frameGeometry(),
                    screen = FrmPCX().frameGeometry();
        QVERIFY(FrmPallet().isVisible() && FrmPCX().isVisible());
        QCOMPARE(main, kMainStart);
        QCOMPARE(QList<int>({pallet.right() + 1, screen.x(), pallet.y(), screen.y()}),
                 QList<int>({main.x(), main.right() + 1, main.y(), main.y()}));
    }

    void settingsFileBesideExecutable()
    {
        start(Sjis(u"; written for the Windows reader\r\n[TITLE]\r\nFRM_MAIN=メイン窓\r\n"
                   "FRM_PALLET=色板\r\nFRM_PCX=画面\r\nFRM_PALLET_FRA_CLIP=クリップ\r\n"
                   "FRM_PALLET_CMD_COPY=写す\r\nFRM_PALLET_CMD_PASTE=貼る\r\n"
                   "[MESSAGE]\r\nERR_MSG_0=範囲外です\r\nMSG_0=終わる？\r\n"_qs));
        QCOMPARE(SettingsFilePath, SettingsFileBesideTest());
        QCOMPARE(Captions(), Strings({u"メイン窓"_qs, u"メイン窓"_qs, "", u"色板"_qs, u"画面"_qs,
                                      u"クリップ"_qs, u"写す"_qs, u"貼る"_qs}));
        QCOMPARE(Strings({Catalog.MsgOver255, Catalog.MsgPcxUnsupported, Catalog.MsgEnterNumber,
                          Catalog.MsgSearchShown}),
                 Strings(3, u"範囲外です"_qs) << DefaultCatalog().MsgSearchShown);
        FrmMain().cmdMin_Click();
        QCOMPARE(FrmMain().windowTitle(), u"メイン窓"_qs);
        FrmMain().showNormal();
        platform->answers = {Platform::Answer::Cancel};
        FrmMain().cmdExit_Click();
        QCOMPARE(platform->messageTexts(), Strings{u"終わる？"_qs});
    }

    void sliderEditsSelectedEntry()
    {
        select(37, 10, 20, 30);
        QCOMPARE(Pallet[37].color(), PackColor(10, 20, 30));
        FrmPallet().sldColBar[1]->setValue(200);
        QCOMPARE(QList<int>({Pallet[37].R, Pallet[37].G, Pallet[37].B, Pallet[37].color()}),
                 QList<int>({10, 200, 30, 2017290}));
        QCOMPARE(Channels(), Strings({"10", "10", "200", "200", "30", "30"}));
        QCOMPARE(Swatches(37), QList<QColor>(2, QColor(10, 200, 30)));
        QVERIFY(Background(FrmPallet().lblColor[36]) == Qt::black && Pallet[0] == PalletEntry{});
        QTest::keyClick(FrmPallet().sldColBar[2], Qt::Key_Right); // steps: 1 small, 5 large
        QTest::keyClick(FrmPallet().sldColBar[2], Qt::Key_PageUp);
        QCOMPARE(Channels().mid(4) << QString::number(Pallet[37].B), Strings(3, u"36"_qs));
        QCOMPARE(Swatches(37), QList<QColor>(2, QColor(10, 200, 36)));
    }

    void textCommit_data()
    {
        QTest::addColumn<int>("k");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("expected"); // -1: refused
        QTest::newRow("256 red") << 0 << "256" << -1;
        QTest::newRow("-1 green") << 1 << "-1" << -1;
        QTest::newRow("letters blue") << 2 << "abc" << -1;
        QTest::newRow("255.5 rounds to 256") << 0 << "255.5" << -1;
        QTest::newRow("empty blue") << 2 << "" << 0;
        QTest::newRow("12.5 red") << 0 << "12.5" << 12;
        QTest::newRow("13.5 green") << 1 << "13.5" << 14;
        QTest::newRow("blanks around 7") << 2 << " 7 " << 7;
        QTest::newRow("1e2") << 2 << "1e2" << 100;
    }
    void textCommit()
    {
        QFETCH(int, k);
        QFETCH(QString, typed);
        QFETCH(int, expected);
        select(37, 10, 20, 30);
        PalletEntry want = Pallet[37];
        QLineEdit *box = FrmPallet().txtColor[k], *other = FrmPallet().txtColor[(k + 1) % 3];
        enter(box, typed);
        QCOMPARE(Pallet[37], want);
        other->setFocus(Qt::TabFocusReason);
        const bool refused = expected < 0;
        if (!refused)
            want.setChannel(k, expected);
        QCOMPARE(platform->messageTexts(), refused ? Strings{Catalog.MsgOver255} : Strings());
        QVERIFY(!refused || platform->messages[0].buttons == Platform::Buttons::Ok);
        QTRY_VERIFY((refused ? box : other)->hasFocus()); // a refusal sends the focus back
        QCOMPARE(box->text(), typed.isEmpty() ? u"0"_qs : typed);
        QCOMPARE(Pallet[37], want);
        QCOMPARE(FrmPallet().sldColBar[k]->value(), int(want.channel(k)));
        QCOMPARE(Swatches(37), QList<QColor>(2, QColor(want.R, want.G, want.B)));
    }

    void cellClickSelects()
    {
        // Row 2, column 5.
        QCOMPARE(FrmPallet().lblColor[37]->pos(), TwipsRect(240 * 5, 240 * 3, 0, 0).topLeft());
        select(37, 10, 20, 30);
        QCOMPARE(FrmPallet().lblPalID->text(), u"37"_qs);
        QCOMPARE(RaisedCells(), QList<int>{37});
        select(38);
        QCOMPARE(RaisedCells(), QList<int>{38});
        QCOMPARE(Background(FrmPallet().lblColor[37]), QColor(10, 20, 30)); // kept when flat
        QCOMPARE(Channels(), Strings(6, u"0"_qs));
        select(37);
        select(37);
        QCOMPARE(RaisedCells(), QList<int>{37});
        QCOMPARE(Swatches(37), QList<QColor>(2, QColor(10, 20, 30)));
        QCOMPARE(Channels(), Strings({"10", "10", "20", "20", "30", "30"}));
        // The cell takes no focus: an edit in a box is overwritten, never committed.
        QLineEdit *red = FrmPallet().txtColor[0];
        enter(red, u"99"_qs);
        select(38);
        QVERIFY(red->hasFocus());
        QCOMPARE(red->text(), u"0"_qs);
        FrmPallet().txtColor[1]->setFocus(Qt::TabFocusReason);
        QCOMPARE(Pallet[37].color(), PackColor(10, 20, 30));
        QCOMPARE(Pallet[38].R, 0);
        QVERIFY(platform->messages.isEmpty());
    }

    void exitAsks()
    {
        platform->answers = {Platform::Answer::Cancel, Platform::Answer::Ok};
        FrmMain().cmdExit_Click();
        QCOMPARE(platform->messageTexts(), Strings{Catalog.MsgExitConfirm});
        QCOMPARE(platform->messages[0].buttons, Platform::Buttons::OkCancel);
        QVERIFY(platform->endProcessCalls == 0 && FrmMain().isVisible());
        FrmMain().cmdExit_Click();
        QCOMPARE(platform->endProcessCalls, 1);
        QCOMPARE(platform->messages.size(), 2);
    }

    void minimiseAndRestore()
    {
        FrmMain().cmdMin_Click();
        QTRY_VERIFY(FrmMain().windowState() & Qt::WindowMinimized);
        QTRY_VERIFY(!FrmPallet().isVisible() && !FrmPCX().isVisible());
        QCOMPARE(FrmMain().windowTitle(), Catalog.TitleMain);
        FrmMain().showNormal();
        QTRY_VERIFY(FrmPallet().isVisible() && FrmPCX().isVisible());
        QTRY_COMPARE(FrmMain().frameGeometry(), kMainStart);
        QCOMPARE(FrmMain().windowTitle(), QString());
        FrmMain().close(); // any other way than Exit ends at once, without the question
        QCOMPARE(platform->endProcessCalls, 1);
        QVERIFY(platform->messages.isEmpty());
    }

    void dragCarriesCompanions()
    {
        const auto places = [] {
            return QList<QPoint>({FrmMain().pos(), FrmPallet().pos(), FrmPCX().pos()});
        };
        QList<QPoint> dragged = places();
        for (QPoint &p : dragged)
            p += QPoint(30, 20);
        FrmMain().move(dragged[0]); // as the window manager does in a title drag
        QTRY_COMPARE(places(), dragged);
        // A window-manager minimise and restore, then the window's own button.
        for (bool own : {false, true}) {
            own ? FrmMain().cmdMin_Click() : FrmMain().setWindowState(Qt::WindowMinimized);
            QTRY_VERIFY(!FrmPallet().isVisible() && !FrmPCX().isVisible());
            own ? FrmMain().showNormal() : FrmMain().setWindowState(Qt::WindowNoState);
            QTRY_VERIFY(FrmPallet().isVisible() && FrmPCX().isVisible());
            QTRY_COMPARE(places(), dragged);
        }
    }

    void titleStrip()
    {
        QTest::mouseClick(FrmMain().lblTitle[0], Qt::RightButton);
        QCOMPARE(platform->systemMoves, 0);
        QTest::mouseClick(FrmMain().lblTitle[0], Qt::LeftButton);
        QCOMPARE(platform->systemMoves, 1);
        QTest::mouseClick(&FrmMain(), Qt::LeftButton, {}, QPoint(4, 100)); // below the strip
        QCOMPARE(platform->systemMoves, 2);
        FrmPallet().activateWindow();
        QTRY_VERIFY(FrmMain().lblTitle[1]->isVisible() && !FrmMain().lblTitle[0]->isVisible());
        FrmMain().activateWindow();
        QTRY_VERIFY(FrmMain().lblTitle[0]->isVisible() && !FrmMain().lblTitle[1]->isVisible());
    }

    void aboutVersionAndFontsOnFirstShowingOnly()
    {
        QCOMPARE(Strings({VersionText(0, 7, 8), VersionText(0, 1, 10), VersionText(1, 0, 2),
                          VersionText(0, 1, 0), VersionText(65535, 0, 0)}),
                 Strings({u"Version 0.78β"_qs, u"Version 0.110β"_qs, u"Version 1.02β"_qs,
                          u"Version 0.10β"_qs, u"Version 65535.00β"_qs}));
        const QString font = u"DejaVu Sans"_qs, designed = DesignedFont().family();
        start(Sjis(u"[CONFIG]\r\nFONTS="_qs + font + u"\r\n"_qs));
        QVERIFY(designed != font);
        QCOMPARE(FrmPallet().lblColor[0]->font().family(), font);
        QCOMPARE(FrmPallet().cmdSerch->font().family(), designed);
        // What the About window shows while it is up, then whether it stays loaded.
        const auto showAbout = [](bool closeBox) {
            Strings seen;
            QTimer::singleShot(0, [&seen, closeBox] {
                frmAbout &a = FrmAbout();
                seen = {a.isVisible() && a.isModal() ? "modal" : "not modal",
                        a.Label1->font().family(),
                        a.Label2->font().family(),
                        a.cmdOK->font().family(),
                        a.lblVer->font().family(),
                        a.lblVer->text()};
                closeBox ? void(a.close()) : a.cmdOK_Click();
            });
            FrmMain().cmdAbout_Click();
            return seen << (FrmAboutLoaded() ? "loaded" : "unloaded");
        };
        const QString version =
            VersionText(PALMIRO_VERSION_MAJOR, PALMIRO_VERSION_MINOR, PALMIRO_VERSION_PATCH);
        QCOMPARE(showAbout(false),
                 Strings({"modal", font, font, font, designed, version, "unloaded"}));
        // The close box unloads it as OK does.
        QCOMPARE(showAbout(true),
                 Strings({"modal", designed, designed, designed, designed, version, "unloaded"}));
        QCOMPARE(showAbout(false).value(1), designed);
    }
};

QTEST_MAIN(TestShellWindows)
#include "test_shell_windows.moc"
