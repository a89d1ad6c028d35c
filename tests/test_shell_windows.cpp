#include "support/WindowSteps.h"

#include "platform/QtPlatform.h"
#include "windows/main/frmAbout.h"

#include <QStringEncoder>

// Where the main window is ("!" unless the others are beside it), the others shown, its
// caption, its inactive title strip shown, drags started, messages, ends. Closing it asks the
// Exit question only with palette edits unsaved since the last open, save or New.
QString Shell()
{
    const QRect a = M().frameGeometry(), b = P().frameGeometry(), c = S().frameGeometry();
    const bool beside =
        b.right() + 1 == a.x() && c.x() == a.right() + 1 && b.y() == a.y() && c.y() == a.y();
    return Join(notes.join(' '), a.x(), a.y(), beside ? "" : "!",
                QString::number(P().isVisible()) + QString::number(S().isVisible()),
                M().windowTitle(), M().lblTitle[1]->isVisible(), platform->systemMoves, Msgs(),
                platform->endProcessCalls);
}
const Table kShell = {
    {[] { platform->answers = {Platform::Answer::Cancel}, Click(M().cmdExit); },
     " 266 37  11  false 0 exit? 0"},
    {[] { Click(M().cmdExit); }, " 266 37  11  false 0 exit? 1"},
    {[] { M().close(); }, " 266 37  11  false 0  1"},
    {[] {
         Rgb(P(), 9, 0, 0), platform->answers = {Platform::Answer::Cancel}, M().close(),
                            Note(Join(M().isVisible()));
     },
     "true 266 37  11  false 0 exit? 0"},
    {[] { Rgb(P(), 9, 0, 0), M().close(); }, " 266 37  11  false 0 exit? 1"},
    {[] { Rgb(P(), 9, 0, 0), Open(M().cmdActOpen, {}), M().close(); },
     " 266 37  11  false 0 exit? 1"},
    {[] { Rgb(P(), 9, 0, 0), Act(768), M().close(); }, " 266 37  11  false 0  1"},
    {[] { Rgb(P(), 9, 0, 0), Open(M().cmdActSave, dir->filePath("o")), M().close(); },
     " 266 37  11  false 0  1"},
    {[] { Rgb(P(), 9, 0, 0), OpenPcx("small"), M().close(); }, " 266 37  11  false 0  1"},
    {[] { Rgb(P(), 9, 0, 0), Modal(M().cmdActNew, [] { Click(I().cmdOK); }), M().close(); },
     " 266 37  11  false 0  1"},
    {[] { Act(768), P().sldColBar[0]->setValue(9), P().History().stack().undo(), M().close(); },
     " 266 37  11  false 0  1"},
    {[] { Click(M().cmdMin), Note(Shell()); },
     " 266 37  00 Palmiro false 0  0 266 37  00 Palmiro false 0  0"},
    {[] { M().move(M().pos() + QPoint(30, 20)), Click(M().cmdMin), M().showNormal(); },
     " 296 57  11  true 0  0"}, // as in a title drag
    {[] {
         QTest::mouseClick(M().lblTitle[0], Qt::RightButton), Click(M().lblTitle[0]), Click(&M());
     },
     " 266 37  11  false 2  0"},
    {[] { Activate(&P()), Note(Shell()), Activate(&M()); },
     " 266 37  11  true 0  0 266 37  11  false 0  0"},
    {[] { QtPlatform(); }, " 266 37  11  false 0  0"}, // no X here: nothing of X is asked
};

// A settings file renames the captions and sets the font; the about window, shown twice
// (OK, then its close box), has the font the first time only (F: named; D: as designed).
// Then the Japanese texts on screen, the Qt dialogs' Cancel, and how many child widgets
// became windows of their own.
QString Font(QWidget *w)
{
    return w->font().family() == DesignedFont().family() ? "D" : "F";
}
QString Japanese(QWidget *window, QStringList texts = {})
{
    texts << window->windowTitle();
    for (QWidget *w : window->findChildren<QWidget *>())
        texts << w->property("text").toString() << w->property("title").toString();
    return texts.filter(QRegularExpression("[\\x{3000}-\\x{9fff}\\x{ff00}-\\x{ffef}]")).join('|');
}
void SeenAbout()
{
    const frmAbout &a = FrmAbout();
    Note((a.isModal() ? "modal " : "") + Font(a.Label1) + Font(a.Label2) + Font(a.cmdOK) +
         Font(a.lblVer) + Japanese(&FrmAbout()));
}
// The copy, New and file dialogs too.
void Dialogs()
{
    Modal(P().cmdCopy, [] { Note(Japanese(&C())); });
    Modal(M().cmdActNew, [] { Note(Japanese(&I())); });
    Click(M().cmdActOpen), Click(M().cmdActSave), Click(M().cmdPcxOpen);
    QStringList titles;
    for (const auto &d : platform->dialogs)
        titles << d.title;
    Note(QString::number(titles.size()) + Japanese(&M(), titles) + Japanese(&P()) + Japanese(&S()));
}
void Settings(const QString &text, void (*more)() = nullptr, const QString &where = {})
{
    EndApplication();
    WriteFile(where.isEmpty() ? QCoreApplication::applicationFilePath() + ".ini" : where,
              QStringEncoder("cp932").encode(text));
    QVERIFY(StartApplication(platform));
    Modal(M().cmdAbout, [] { SeenAbout(), Click(FrmAbout().cmdOK); });
    Modal(M().cmdAbout, [] { SeenAbout(), FrmAbout().close(); });
    if (more)
        more();
    Click(M().cmdMin);
}
QString Renamed()
{
    int natives = 0;
    for (QWidget *w : QApplication::allWidgets())
        natives += !w->isWindow() && w->testAttribute(Qt::WA_NativeWindow);
    return QStringList{
        M().windowTitle(),       M().lblTitle[0]->text() + M().lblTitle[1]->text(),
        P().windowTitle(),       S().windowTitle(),
        P().fraClip->title(),    P().cmdCopy->text(),
        P().cmdPaste->text(),    Font(P().lblColor[0]) + Font(P().cmdSerch),
        notes.join(' '),         VersionText(0, 1, 10),
        VersionText(1, 0, 2),    QCoreApplication::translate("QPlatformTheme", "Cancel"),
        QString::number(natives)}
        .join(',');
}
const Table kSettings = {
    {[] {
         Settings("[TITLE]\nFRM_MAIN=メイン窓\nFRM_PALLET=色板\nFRM_PCX=画面\nFRM_PALLET_FRA_CLIP="
                  "クリップ\nFRM_PALLET_CMD_COPY=写す\nFRM_PALLET_CMD_PASTE=貼る");
     },
     "メイン窓,メイン窓メイン窓,色板,画面,クリップ,写す,貼る,DD,modal DDDDPalmiro のﾊﾞｰｼﾞｮﾝ情報 "
     "modal DDDDPalmiro のﾊﾞｰｼﾞｮﾝ情報,Version 0.110β,Version 1.02β,キャンセル,0"},
    {[] { Settings("[CONFIG]\r\nFONTS=DejaVu Sans"); },
     "Palmiro,PalmiroPalmiro,Palmiro - パレット,Palmiro - "
     "スクリーン,クリップボード,コピー,貼り付け,FD,modal FFFDPalmiro のﾊﾞｰｼﾞｮﾝ情報 modal "
     "DDDDPalmiro のﾊﾞｰｼﾞｮﾝ情報,Version 0.110β,Version 1.02β,キャンセル,0"},
    {[] {
         QFile en(QFINDTESTDATA("../samples/palmiro-en.ini"));
         Settings(en.open(QIODevice::ReadOnly) ? QString::fromUtf8(en.readAll()) : "", Dialogs);
     },
     "Palmiro,PalmiroPalmiro,Palmiro - Palette,Palmiro - Screen,Clipboard,Copy,Paste,FD,modal "
     "FFFD modal DDDD  open  open 3,Version 0.110β,Version 1.02β,Cancel,0"},
    // The user's file, read only when there is none beside the executable.
    {[] { Settings("[TITLE]\nFRM_MAIN=私の", nullptr, dir->filePath("palmiro/palmiro.ini")); },
     "私の,私の私の,Palmiro - パレット,Palmiro - スクリーン,クリップボード,コピー,貼り付け,DD,"
     "modal DDDDPalmiro のﾊﾞｰｼﾞｮﾝ情報 modal DDDDPalmiro のﾊﾞｰｼﾞｮﾝ情報,Version 0.110β,Version "
     "1.02β,キャンセル,0"},
    {[] {
         WriteFile(dir->filePath("palmiro/palmiro.ini"), "[TITLE]\nFRM_MAIN=mine");
         Settings("[CONFIG]\r\nFONTS=DejaVu Sans");
     },
     "Palmiro,PalmiroPalmiro,Palmiro - パレット,Palmiro - "
     "スクリーン,クリップボード,コピー,貼り付け,FD,modal FFFDPalmiro のﾊﾞｰｼﾞｮﾝ情報 modal "
     "DDDDPalmiro のﾊﾞｰｼﾞｮﾝ情報,Version 0.110β,Version 1.02β,キャンセル,0"},
};

// At start-up: the selection, zoom text and slider, Paste, the name, entries changed.
QString Start()
{
    return Join(Selected(), M().txtZoom->text(), M().sldZoom->value(), P().cmdPaste->isEnabled(),
                Name(), Changed(), Shell());
}
const Table kStart = {{[] {}, "0 0,0,0 100 100 false <No File> 0-255  266 37  11  false 0  0"}};

class TestShellWindows : public QObject {
    Q_OBJECT
private slots:
    void startUp_data() { Rows(kStart); }
    void startUp() { Check(kStart, Start, false); }
    void mainWindow_data() { Rows(kShell); }
    void mainWindow() { Check(kShell, Shell, false); }
    void settings_data() { Rows(kSettings); }
    void settings() { Check(kSettings, Renamed, false); }

    // The desktop's dialog offers the leading filters first and opens on the first of them.
    void dialogFilters()
    {
        QtPlatform qt;
        QStringList seen;
        QTimer::singleShot(0, [&] {
            auto *d = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            seen << d->nameFilters() << d->selectedNameFilter(), d->reject();
        });
        qt.openFileDialog(nullptr, {"t", "A (*.a)|*.a|", "", false, "C (*)|*|", 0, "B|*.a *.b|"});
        QCOMPARE(seen.join(';'), "B (*.a *.b);A (*.a);C (*);B (*.a *.b)");
    }
};

QTEST_MAIN(TestShellWindows)
#include "test_shell_windows.moc"
