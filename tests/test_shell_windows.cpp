#include "image/frmPCX.h"
#include "palette_window/frmPallet.h"
#include "shell/Forms.h"
#include "shell/WindowKit.h"
#include "shell/frmAbout.h"
#include "shell/frmMain.h"
#include "shell/mdlGlobal.h"
#include "support/ScriptedPlatform.h"
#include "support/TestFiles.h"

#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QStringEncoder>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace mdlGlobal;

namespace {

QString SettingsFileBesideTest()
{
    return QCoreApplication::applicationDirPath() + u'/' +
           QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() +
           QStringLiteral(".ini");
}

QByteArray Sjis(const QString &text)
{
    QStringEncoder encoder("cp932");
    return encoder.encode(text);
}

// Start-up position of the main window in pixels: (3985, 550) twips.
const QPoint kMainStart(266, 37);

} // namespace

class TestShellWindows : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void startUpState();
    void placement();
    void settingsFileBesideExecutable();

    void sliderEditsSelectedEntry();
    void textCommit_data();
    void textCommit();
    void cellClickSelects();
    void cellClickDropsUncommittedEdit();

    void exitAsks();
    void minimiseAndRestore();
    void dragCarriesCompanions();
    void titleStripPress();
    void titleStripLooks();

    void versionText_data();
    void versionText();
    void aboutFontsOnFirstShowingOnly();

private:
    void start(const QByteArray &settings = {});
    void selectEntry(int index);
    void activatePalette();
    void setEntryBySliders(int r, int g, int b);

    std::unique_ptr<ScriptedPlatform> platform;
};

void TestShellWindows::start(const QByteArray &settings)
{
    UnloadAllForms();
    ResetSharedState();
    QFile::remove(SettingsFileBesideTest());
    if (!settings.isEmpty())
        WriteFile(SettingsFileBesideTest(), settings);
    platform = std::make_unique<ScriptedPlatform>();
    SetPlatform(platform.get());
    FrmMain().Form_Load();
    FrmMain().show();
    QVERIFY(QTest::qWaitForWindowExposed(&FrmMain()));
}

void TestShellWindows::init()
{
    start();
}

void TestShellWindows::cleanup()
{
    UnloadAllForms();
    ResetSharedState();
    QFile::remove(SettingsFileBesideTest());
}

void TestShellWindows::activatePalette()
{
    FrmPallet().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&FrmPallet()));
}

void TestShellWindows::selectEntry(int index)
{
    QTest::mouseClick(FrmPallet().lblColor[index], Qt::LeftButton);
    QCOMPARE(SelectedPalletID, index);
}

// The positions a user would drag the sliders to; valueChanged is a user move.
void TestShellWindows::setEntryBySliders(int r, int g, int b)
{
    FrmPallet().sldColBar[0]->setValue(r);
    FrmPallet().sldColBar[1]->setValue(g);
    FrmPallet().sldColBar[2]->setValue(b);
}

void TestShellWindows::startUpState()
{
    frmPallet &pallet = FrmPallet();
    for (int i = 0; i < kPalletEntries; ++i) {
        QCOMPARE(Pallet[i], PalletEntry{});
        QCOMPARE(Background(pallet.lblColor[i]), QColor(Qt::black));
        QCOMPARE(CellLookOf(pallet.lblColor[i]), i == 0 ? CellLook::Raised : CellLook::Flat);
    }
    QCOMPARE(SelectedPalletID, 0);
    QCOMPARE(SearchPalletID, -1);
    QCOMPARE(QSize(mdlGlobal::PcxImage.width(), mdlGlobal::PcxImage.height()), QSize(1, 1));
    QCOMPARE(ActFileBytes, QByteArray(768, '\0'));
    QCOMPARE(PcxFileBytes, QByteArray(1, '\0'));
    const QSlider *zoom = FrmMain().sldZoom;
    QCOMPARE(QList<int>({zoom->minimum(), zoom->value(), zoom->maximum()}),
             QList<int>({100, 100, 400}));

    QVERIFY(FrmAboutLoaded());
    QVERIFY(!FrmAbout().isVisible());
    QCOMPARE(FrmAbout().lblVer->text(),
             VersionText(PALMIRO_VERSION_MAJOR, PALMIRO_VERSION_MINOR, PALMIRO_VERSION_PATCH));

    QCOMPARE(pallet.lblFName->text(), QStringLiteral("<No File>"));
    QCOMPARE(pallet.lblPalID->text(), QStringLiteral("0"));
    QVERIFY(!pallet.cmdPaste->isEnabled());
    for (int k = 0; k < 3; ++k) {
        QCOMPARE(pallet.txtColor[k]->text(), QStringLiteral("0"));
        QCOMPARE(pallet.sldColBar[k]->value(), 0);
    }

    const MessageCatalog defaults = DefaultCatalog();
    for (const CatalogEntry &e : CatalogEntries())
        QCOMPARE(Catalog.*e.member, defaults.*e.member);
    QCOMPARE(FrmMain().lblTitle[0]->text(), QStringLiteral("Palmiro"));
    QCOMPARE(FrmMain().lblTitle[1]->text(), QStringLiteral("Palmiro"));
    // Shown normally, the main window has no caption of its own.
    QCOMPARE(FrmMain().windowTitle(), QString());
    QCOMPARE(pallet.windowTitle(), u"Palmiro - パレット"_qs);
    QCOMPARE(FrmPCX().windowTitle(), u"Palmiro - スクリーン"_qs);
    QCOMPARE(pallet.fraClip->title(), u"クリップボード"_qs);
    QCOMPARE(pallet.cmdCopy->text(), u"コピー"_qs);
    QCOMPARE(pallet.cmdPaste->text(), u"貼り付け"_qs);
}

void TestShellWindows::placement()
{
    QVERIFY(FrmPallet().isVisible());
    QVERIFY(FrmPCX().isVisible());
    const QRect main = FrmMain().frameGeometry();
    QCOMPARE(main.topLeft(), kMainStart);
    QCOMPARE(main.size(), QSize(124, 412));
    QCOMPARE(MainWindowLeft, 3985);
    QCOMPARE(MainWindowTop, 550);

    const QRect pallet = FrmPallet().frameGeometry();
    const QRect screen = FrmPCX().frameGeometry();
    QCOMPARE(pallet.x() + pallet.width(), main.x());
    QCOMPARE(screen.x(), main.x() + main.width());
    QCOMPARE(pallet.y(), main.y());
    QCOMPARE(screen.y(), main.y());
}

void TestShellWindows::settingsFileBesideExecutable()
{
    start(Sjis(u"; written for the Windows reader\r\n"
               "[TITLE]\r\n"
               "FRM_MAIN=メイン窓\r\n"
               "FRM_PALLET=色板\r\n"
               "FRM_PCX=画面\r\n"
               "FRM_PALLET_FRA_CLIP=クリップ\r\n"
               "FRM_PALLET_CMD_COPY=写す\r\n"
               "FRM_PALLET_CMD_PASTE=貼る\r\n"
               "[MESSAGE]\r\n"
               "ERR_MSG_0=範囲外です\r\n"
               "MSG_0=終わる？\r\n"_qs));
    QCOMPARE(SettingsFilePath, SettingsFileBesideTest());

    QCOMPARE(FrmMain().lblTitle[0]->text(), u"メイン窓"_qs);
    QCOMPARE(FrmMain().lblTitle[1]->text(), u"メイン窓"_qs);
    QCOMPARE(FrmPallet().windowTitle(), u"色板"_qs);
    QCOMPARE(FrmPCX().windowTitle(), u"画面"_qs);
    QCOMPARE(FrmPallet().fraClip->title(), u"クリップ"_qs);
    QCOMPARE(FrmPallet().cmdCopy->text(), u"写す"_qs);
    QCOMPARE(FrmPallet().cmdPaste->text(), u"貼る"_qs);
    QCOMPARE(Catalog.MsgOver255, u"範囲外です"_qs);
    QCOMPARE(Catalog.MsgPcxUnsupported, u"範囲外です"_qs);
    QCOMPARE(Catalog.MsgEnterNumber, u"範囲外です"_qs);
    QCOMPARE(Catalog.MsgSearchShown, DefaultCatalog().MsgSearchShown);

    FrmMain().cmdMin_Click();
    QCOMPARE(FrmMain().windowTitle(), u"メイン窓"_qs);
    FrmMain().showNormal();

    platform->answers.push_back(Platform::Answer::Cancel);
    FrmMain().cmdExit_Click();
    QCOMPARE(platform->messageTexts(), QStringList{u"終わる？"_qs});
}

void TestShellWindows::sliderEditsSelectedEntry()
{
    frmPallet &pallet = FrmPallet();
    selectEntry(37);
    setEntryBySliders(10, 20, 30);
    QCOMPARE(Pallet[37].color(), PackColor(10, 20, 30));

    pallet.sldColBar[1]->setValue(200);
    QCOMPARE(Pallet[37].R, 10);
    QCOMPARE(Pallet[37].G, 200);
    QCOMPARE(Pallet[37].B, 30);
    QCOMPARE(Pallet[37].color(), 2017290);
    QCOMPARE(pallet.txtColor[1]->text(), QStringLiteral("200"));
    QCOMPARE(pallet.txtColor[0]->text(), QStringLiteral("10"));
    QCOMPARE(Background(pallet.lblColor[37]), QColor(10, 200, 30));
    QCOMPARE(Background(pallet.lblSelectColor), QColor(10, 200, 30));
    QCOMPARE(Background(pallet.lblColor[36]), QColor(Qt::black));
    QCOMPARE(Pallet[0], PalletEntry{});

    // Keyboard steps: 1 small, 5 large.
    QTest::keyClick(pallet.sldColBar[2], Qt::Key_Right);
    QTest::keyClick(pallet.sldColBar[2], Qt::Key_PageUp);
    QCOMPARE(Pallet[37].B, 36);
    QCOMPARE(pallet.txtColor[2]->text(), QStringLiteral("36"));
    QCOMPARE(Background(pallet.lblColor[37]), QColor(10, 200, 36));
}

void TestShellWindows::textCommit_data()
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
    QTest::newRow("012") << 0 << "012" << 12;
    QTest::newRow("255") << 1 << "255" << 255;
    QTest::newRow("1e2") << 2 << "1e2" << 100;
}

void TestShellWindows::textCommit()
{
    QFETCH(int, k);
    QFETCH(QString, typed);
    QFETCH(int, expected);

    frmPallet &pallet = FrmPallet();
    activatePalette();
    selectEntry(37);
    setEntryBySliders(10, 20, 30);
    const PalletEntry before = Pallet[37];

    QLineEdit *box = pallet.txtColor[k];
    QLineEdit *other = pallet.txtColor[(k + 1) % 3];
    box->setFocus(Qt::TabFocusReason);
    QVERIFY(box->hasFocus());
    // Entering the box selects its whole text, so typing replaces it.
    QTRY_COMPARE(box->selectedText(), box->text());
    if (typed.isEmpty())
        QTest::keyClick(box, Qt::Key_Delete);
    else
        QTest::keyClicks(box, typed);
    QCOMPARE(box->text(), typed);
    QCOMPARE(Pallet[37], before);

    other->setFocus(Qt::TabFocusReason);

    if (expected < 0) {
        QCOMPARE(platform->messageTexts(), QStringList{Catalog.MsgOver255});
        QCOMPARE(platform->messages[0].buttons, Platform::Buttons::Ok);
        QTRY_VERIFY(box->hasFocus());
        QCOMPARE(box->text(), typed);
        QCOMPARE(Pallet[37], before);
        QCOMPARE(pallet.sldColBar[k]->value(), int(before.channel(k)));
        return;
    }
    QVERIFY(platform->messages.isEmpty());
    QTRY_VERIFY(other->hasFocus());
    QCOMPARE(box->text(), typed.isEmpty() ? QStringLiteral("0") : typed);
    QCOMPARE(int(Pallet[37].channel(k)), expected);
    for (int j = 0; j < 3; ++j)
        if (j != k)
            QCOMPARE(Pallet[37].channel(j), before.channel(j));
    const QColor colour(Pallet[37].R, Pallet[37].G, Pallet[37].B);
    QCOMPARE(Pallet[37].color(), PackColor(colour.red(), colour.green(), colour.blue()));
    QCOMPARE(pallet.sldColBar[k]->value(), expected);
    QCOMPARE(Background(pallet.lblColor[37]), colour);
    QCOMPARE(Background(pallet.lblSelectColor), colour);
}

void TestShellWindows::cellClickSelects()
{
    frmPallet &pallet = FrmPallet();
    // Row 2, column 5.
    QCOMPARE(pallet.lblColor[37]->pos(), TwipsRect(240 * 5, 240 + 240 * 2, 0, 0).topLeft());
    selectEntry(37);
    QCOMPARE(CellLookOf(pallet.lblColor[37]), CellLook::Raised);
    QCOMPARE(CellLookOf(pallet.lblColor[0]), CellLook::Flat);
    QCOMPARE(pallet.lblPalID->text(), QStringLiteral("37"));
    setEntryBySliders(10, 20, 30);

    selectEntry(38);
    // The colour survives the change back to the flat look.
    QCOMPARE(CellLookOf(pallet.lblColor[37]), CellLook::Flat);
    QCOMPARE(Background(pallet.lblColor[37]), QColor(10, 20, 30));
    QCOMPARE(pallet.txtColor[0]->text(), QStringLiteral("0"));
    QCOMPARE(pallet.sldColBar[2]->value(), 0);
    QCOMPARE(Pallet[38], PalletEntry{});

    selectEntry(37);
    selectEntry(37);
    QCOMPARE(CellLookOf(pallet.lblColor[37]), CellLook::Raised);
    QCOMPARE(Background(pallet.lblColor[37]), QColor(10, 20, 30));
    QCOMPARE(Background(pallet.lblSelectColor), QColor(10, 20, 30));
    QCOMPARE(QStringList({pallet.txtColor[0]->text(), pallet.txtColor[1]->text(),
                          pallet.txtColor[2]->text()}),
             QStringList({"10", "20", "30"}));
    QCOMPARE(pallet.sldColBar[1]->value(), 20);
    int raised = 0;
    for (ClickLabel *cell : pallet.lblColor)
        raised += CellLookOf(cell) == CellLook::Raised;
    QCOMPARE(raised, 1);
}

void TestShellWindows::cellClickDropsUncommittedEdit()
{
    activatePalette();
    selectEntry(37);
    QLineEdit *red = FrmPallet().txtColor[0];
    red->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(red->selectedText(), red->text());
    QTest::keyClicks(red, "99");

    // The cell takes no focus: the edit is overwritten, never committed.
    selectEntry(38);
    QVERIFY(red->hasFocus());
    QCOMPARE(red->text(), QStringLiteral("0"));
    FrmPallet().txtColor[1]->setFocus(Qt::TabFocusReason);
    QCOMPARE(Pallet[37], PalletEntry{});
    QCOMPARE(Pallet[38].R, 0);
    QVERIFY(platform->messages.isEmpty());
}

void TestShellWindows::exitAsks()
{
    platform->answers.push_back(Platform::Answer::Cancel);
    FrmMain().cmdExit_Click();
    QCOMPARE(platform->messageTexts(), QStringList{Catalog.MsgExitConfirm});
    QCOMPARE(platform->messages[0].buttons, Platform::Buttons::OkCancel);
    QCOMPARE(platform->endProcessCalls, 0);
    QVERIFY(FrmMain().isVisible());

    platform->answers.push_back(Platform::Answer::Ok);
    FrmMain().cmdExit_Click();
    QCOMPARE(platform->endProcessCalls, 1);
    QCOMPARE(platform->messages.size(), 2);
}

void TestShellWindows::minimiseAndRestore()
{
    FrmMain().cmdMin_Click();
    QTRY_VERIFY(FrmMain().windowState() & Qt::WindowMinimized);
    QTRY_VERIFY(!FrmPallet().isVisible());
    QTRY_VERIFY(!FrmPCX().isVisible());
    QCOMPARE(FrmMain().windowTitle(), Catalog.TitleMain);

    FrmMain().showNormal();
    QTRY_VERIFY(FrmPallet().isVisible());
    QTRY_VERIFY(FrmPCX().isVisible());
    QTRY_COMPARE(FrmMain().frameGeometry().topLeft(), kMainStart);
    QCOMPARE(FrmMain().size(), QSize(124, 412));
    QCOMPARE(FrmMain().windowTitle(), QString());

    // Closing by any other way than Exit ends at once, without the question.
    FrmMain().close();
    QCOMPARE(platform->endProcessCalls, 1);
    QVERIFY(platform->messages.isEmpty());
}

void TestShellWindows::dragCarriesCompanions()
{
    const QPoint offset(30, 20);
    const QPoint main = FrmMain().pos();
    const QPoint pallet = FrmPallet().pos();
    const QPoint screen = FrmPCX().pos();

    // A move that the window manager makes, as in a title drag.
    FrmMain().move(main + offset);
    QTRY_COMPARE(FrmPallet().pos(), pallet + offset);
    QTRY_COMPARE(FrmPCX().pos(), screen + offset);
    QCOMPARE(FrmMain().pos(), main + offset);

    // A window-manager minimise, not the window's own button, then restore.
    FrmMain().setWindowState(Qt::WindowMinimized);
    QTRY_VERIFY(!FrmPallet().isVisible());
    FrmMain().setWindowState(Qt::WindowNoState);
    QTRY_VERIFY(FrmPallet().isVisible());
    QTRY_COMPARE(FrmMain().pos(), main + offset);
    QCOMPARE(FrmPallet().pos(), pallet + offset);
    QCOMPARE(FrmPCX().pos(), screen + offset);

    // And through the minimise button.
    FrmMain().cmdMin_Click();
    QTRY_VERIFY(!FrmPCX().isVisible());
    FrmMain().showNormal();
    QTRY_VERIFY(FrmPCX().isVisible());
    QTRY_COMPARE(FrmMain().pos(), main + offset);
    QCOMPARE(FrmPCX().pos(), screen + offset);
}

void TestShellWindows::titleStripPress()
{
    QLabel *title = FrmMain().lblTitle[0];
    QTest::mouseClick(title, Qt::RightButton);
    QCOMPARE(platform->systemMoves, 0);
    QTest::mouseClick(title, Qt::LeftButton);
    QCOMPARE(platform->systemMoves, 1);
    // The window's own surface, below the strip.
    QTest::mouseClick(&FrmMain(), Qt::LeftButton, {}, QPoint(4, 100));
    QCOMPARE(platform->systemMoves, 2);
}

void TestShellWindows::titleStripLooks()
{
    activatePalette();
    QTRY_VERIFY(FrmMain().lblTitle[1]->isVisible());
    QVERIFY(!FrmMain().lblTitle[0]->isVisible());
    FrmMain().activateWindow();
    QTRY_VERIFY(FrmMain().lblTitle[0]->isVisible());
    QVERIFY(!FrmMain().lblTitle[1]->isVisible());
}

void TestShellWindows::versionText_data()
{
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<int>("revision");
    QTest::addColumn<QString>("expected");
    QTest::newRow("0.7.8") << 0 << 7 << 8 << u"Version 0.78β"_qs;
    QTest::newRow("0.1.10") << 0 << 1 << 10 << u"Version 0.110β"_qs;
    QTest::newRow("1.0.2") << 1 << 0 << 2 << u"Version 1.02β"_qs;
    QTest::newRow("0.1.0") << 0 << 1 << 0 << u"Version 0.10β"_qs;
    QTest::newRow("65535.0.0") << 65535 << 0 << 0 << u"Version 65535.00β"_qs;
}

void TestShellWindows::versionText()
{
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(int, revision);
    QFETCH(QString, expected);
    QCOMPARE(VersionText(major, minor, revision), expected);
}

void TestShellWindows::aboutFontsOnFirstShowingOnly()
{
    const QString font = QStringLiteral("DejaVu Sans");
    start(Sjis(u"[CONFIG]\r\nFONTS="_qs + font + u"\r\n"_qs));
    const QString designed = DesignedFont().family();
    QVERIFY(designed != font);

    struct Seen {
        bool visible = false, modal = false;
        QString label1, label2, ok, version, versionText;
    };
    auto showAbout = [](bool closeBox) {
        Seen seen;
        QTimer::singleShot(0, [&seen, closeBox] {
            frmAbout &about = FrmAbout();
            seen = {about.isVisible(),
                    about.isModal(),
                    about.Label1->font().family(),
                    about.Label2->font().family(),
                    about.cmdOK->font().family(),
                    about.lblVer->font().family(),
                    about.lblVer->text()};
            if (closeBox)
                about.close();
            else
                about.cmdOK_Click();
        });
        FrmMain().cmdAbout_Click();
        return seen;
    };

    QCOMPARE(FrmPallet().lblColor[0]->font().family(), font);
    QCOMPARE(FrmPallet().cmdSerch->font().family(), designed);

    const Seen first = showAbout(false);
    QVERIFY(first.visible);
    QVERIFY(first.modal);
    QCOMPARE(first.label1, font);
    QCOMPARE(first.label2, font);
    QCOMPARE(first.ok, font);
    QCOMPARE(first.version, designed);
    QCOMPARE(first.versionText,
             VersionText(PALMIRO_VERSION_MAJOR, PALMIRO_VERSION_MINOR, PALMIRO_VERSION_PATCH));
    QVERIFY(!FrmAboutLoaded());

    // The close box unloads it as OK does.
    const Seen second = showAbout(true);
    QVERIFY(second.visible);
    QCOMPARE(second.label1, designed);
    QCOMPARE(second.label2, designed);
    QCOMPARE(second.ok, designed);
    QCOMPARE(second.versionText, first.versionText);
    QVERIFY(!FrmAboutLoaded());
    QCOMPARE(showAbout(false).label1, designed);
}

QTEST_MAIN(TestShellWindows)
#include "test_shell_windows.moc"
