#include "windows/main/frmMain.h"

#include "app/ProgramInfo.h"
#include "app/mdlGlobal.h"
#include "platform/Platform.h"
#include "windows/kit/BackgroundWork.h"
#include "windows/kit/HistoryKeys.h"
#include "windows/kit/TextCommit.h"
#include "windows/kit/WindowKit.h"
#include "windows/main/MainForms.h"
#include "windows/main/frmAbout.h"
#include "windows/palette/frmPallet.h"
#include "windows/screen/frmPCX.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTimer>

#include <climits>

using namespace mdlGlobal;

namespace {

constexpr int kStartLeft = 3985;
constexpr int kStartTop = 550;
constexpr int kShownWidth = 1860;
constexpr int kShownHeight = 6180;
// The fixed dialog frame drawn around the client area.
constexpr int kFramePixels = 3;

QPixmap minimiseGlyph()
{
    QPixmap glyph(14, 11);
    glyph.fill(QColor(0xf0, 0xf0, 0xf0));
    QPainter p(&glyph);
    p.setPen(QColor(0xa0, 0xa0, 0xa0));
    p.drawRect(0, 0, 13, 10);
    p.fillRect(3, 7, 6, 2, Qt::black);
    return glyph;
}

} // namespace

frmMain::frmMain()
{
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setWindowIcon(AppIcon());
    SetDesignedFont(this);
    setFixedSize(TwipsToPixels(kShownWidth), TwipsToPixels(kShownHeight));
    buildControls();
    // While a picture is read or converted: About, and moving or minimising the windows.
    for (QWidget *w : std::initializer_list<QWidget *>{this, client, cmdAbout, cmdMin, lblTitle[0],
                                                       lblTitle[1], Frame1, Frame2})
        AllowWhileBusy(w);
}

void frmMain::buildControls()
{
    client = new QWidget(this);
    client->move(kFramePixels, kFramePixels);
    client->resize(width() - 2 * kFramePixels, height() - 2 * kFramePixels);
    client->installEventFilter(this);

    for (int i = 0; i < 2; ++i) {
        auto *title = new ClickLabel(client);
        lblTitle[i] = title;
        PlaceTwips(title, 0, 0, 1755, 255);
        SetDesignedFont(title);
        title->setIndent(4);
        const QColor back = i == 0 ? QColor(0x0a, 0x24, 0x6a) : QColor(0x80, 0x80, 0x80);
        SetBackground(title, back);
        SetForeground(title, Qt::white);
        connect(title, &ClickLabel::pressed, this,
                [this, i](QMouseEvent *e) { lblTitle_MouseDown(i, e->buttons()); });
    }
    lblTitle[1]->hide();

    cmdMin = new QPushButton(client);
    PlaceTwips(cmdMin, 1500, 0, 255, 255);
    cmdMin->setIcon(minimiseGlyph());
    cmdMin->setIconSize(QSize(14, 11));
    cmdMin->setFocusPolicy(Qt::NoFocus);
    SetDesignedFont(cmdMin, DesignedArialFont());

    auto frame = [](QWidget *parent, const QString &text, int l, int t, int w, int h) {
        auto *f = new QGroupBox(text, parent);
        PlaceTwips(f, l, t, w, h);
        SetDesignedFont(f);
        return f;
    };

    cmdPcxOpen = NewButton(client, QStringLiteral("&PCX Open"), 120, 420, 1575, 255);

    Frame2 = frame(client, QStringLiteral("Zoom"), 120, 780, 1575, 975);
    txtZoom = NewTextBox(Frame2, QStringLiteral("100"), 180, 240, 495, 270);
    Label1 = NewLabel(Frame2, QStringLiteral("%"), 840, 240, 255, 255);
    sldZoom = new QSlider(Qt::Horizontal, client);
    PlaceTwips(sldZoom, 240, 1380, 1335, 255);
    sldZoom->setRange(100, 400);
    sldZoom->setSingleStep(100);
    sldZoom->setPageStep(100);
    sldZoom->setTickInterval(100);
    sldZoom->setTickPosition(QSlider::TicksBelow);

    fraPCXAdjust = frame(client, QStringLiteral("Adjust PCX"), 120, 1800, 1575, 735);
    cmdAdjustMinas = NewButton(fraPCXAdjust, QStringLiteral("-1"), 180, 300, 495, 375);
    cmdAdjustPlus = NewButton(fraPCXAdjust, QStringLiteral("+1"), 900, 300, 495, 375);
    SetDesignedFont(cmdAdjustMinas, DesignedArialFont());
    SetDesignedFont(cmdAdjustPlus, DesignedArialFont());

    lblInfo = new CompactLabel(client);
    PlaceTwips(lblInfo, 120, 2640, 1515, 915);
    lblInfo->setFrameStyle(QFrame::Box | QFrame::Plain);
    lblInfo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblInfo->setIndent(2);
    SetDesignedFont(lblInfo);

    Frame1 = frame(client, QStringLiteral("Act File"), 120, 3600, 1575, 1275);
    cmdActNew = NewButton(Frame1, QStringLiteral("&New"), 120, 180, 1335, 255);
    SetDesignedFont(cmdActNew, DesignedArialFont());
    cmdActOpen = NewButton(client, QStringLiteral("&Open"), 240, 4140, 1335, 255);
    cmdActSave = NewButton(client, QStringLiteral("&Save"), 240, 4500, 1335, 255);
    cmdAbout = NewButton(client, QStringLiteral("&About"), 240, 4980, 1335, 255);
    cmdExit = NewButton(client, QStringLiteral("&Exit"), 120, 5340, 1575, 375);

    textCommit = new TextCommit(this, {txtZoom}, [this](int) { return txtZoom_LostFocus(); });

    connect(cmdAbout, &QPushButton::clicked, this, &frmMain::cmdAbout_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmMain::cmdExit_Click);
    connect(cmdMin, &QPushButton::clicked, this, &frmMain::cmdMin_Click);
    connect(cmdActNew, &QPushButton::clicked, this, &frmMain::cmdActNew_Click);
    connect(cmdActOpen, &QPushButton::clicked, this, &frmMain::cmdActOpen_Click);
    connect(cmdActSave, &QPushButton::clicked, this, &frmMain::cmdActSave_Click);
    connect(cmdPcxOpen, &QPushButton::clicked, this, &frmMain::cmdPcxOpen_Click);
    connect(cmdAdjustMinas, &QPushButton::clicked, this, &frmMain::cmdAdjustMinas_Click);
    connect(cmdAdjustPlus, &QPushButton::clicked, this, &frmMain::cmdAdjustPlus_Click);
    // Values the window sets itself are written with the signals blocked.
    connect(sldZoom, &QSlider::valueChanged, this, &frmMain::sldZoom_Change);
    AddHistoryKeys(this);
}

void frmMain::Form_Load()
{
    // 1. Fixed dialog frame, no caption.
    setWindowTitle(QString());
    // 2.
    MainWindowLeft = kStartLeft;
    MainWindowTop = kStartTop;
    // 3.
    SettingsFilePath = ChooseSettingsFile(SettingsFileBesideExecutable());
    // 4. The file is read once; one that is refused is named once the
    // windows are up, in the catalogue's built-in words.
    if (!LoadSettingsFile())
        QTimer::singleShot(0, this, [this, path = SettingsFilePath] {
            ThePlatform().messageBox(this, Catalog.MsgSettingsIgnored.arg(path),
                                     Platform::Buttons::Ok);
        });
    Catalog = ReadCatalog(ReadSetting);
    InstallQtTranslation(Catalog.Language);
    // 5.
    SearchPalletID = -1;
    // 6.
    lblTitle[0]->setText(Catalog.TitleMain);
    lblTitle[1]->setText(Catalog.TitleMain);
    // 7. The screen window's own load gives PcxImage its single element.
    // Each is put in its step-9 place before it is shown, so that the window
    // manager frames it there.
    frmPallet &pallet = FrmPallet();
    placeCompanion(&pallet);
    pallet.show();
    frmPCX &pcx = FrmPCX();
    placeCompanion(&pcx);
    pcx.show();
    // 8.
    SelectedPalletID = 0;
    PcxFileBytes = QByteArray(1, '\0');
    ActFileBytes = QByteArray(768, '\0');
    // 9. Palette window ends where the main window begins; the screen window
    // begins where it ends; one top for all three.
    unframed = {&pallet, &pcx};
    for (QWidget *companion : unframed) {
        placeCompanion(companion);
        companion->installEventFilter(this);
    }
    // 10.
    commitZoom(100);
    {
        const QSignalBlocker quiet(sldZoom);
        sldZoom->setMaximum(400);
        sldZoom->setMinimum(100);
        sldZoom->setValue(100);
    }
    // 11.
    pallet.lblColor_Click(0);
    // 12.
    const QString &font = Catalog.UiFontName;
    for (QWidget *w : std::initializer_list<QWidget *>{this, cmdAbout, cmdActOpen, cmdActSave,
                                                       cmdExit, cmdPcxOpen, Label1, lblInfo, Frame1,
                                                       Frame2, lblTitle[0], lblTitle[1]})
        ApplyFontName(w, font);
    pallet.ApplyUiFont(font);
    ApplyFontName(&pcx, font);
    frmAbout &about = FrmAbout();
    for (QWidget *w :
         std::initializer_list<QWidget *>{&about, about.Label1, about.Label2, about.cmdOK})
        ApplyFontName(w, font);
    // 13.
    setWindowTitle(Catalog.TitleMain);
    pcx.setWindowTitle(Catalog.TitleScreen);
    pallet.setWindowTitle(Catalog.TitlePallet);
    pallet.ApplyClipCaptions(Catalog.CaptionClipFrame, Catalog.CaptionCopy, Catalog.CaptionPaste);
}

void frmMain::cmdAbout_Click()
{
    frmAbout &about = FrmAbout();
    // Over the command panel rather than wherever the desktop puts it.
    about.move(frameGeometry().center() - about.rect().center());
    about.exec();
    // OK and the close box both unload it; the next showing loads it afresh.
    UnloadFrmAbout();
}

void frmMain::cmdExit_Click()
{
    if (ThePlatform().messageBox(this, Catalog.MsgExitConfirm, Platform::Buttons::OkCancel) ==
        Platform::Answer::Cancel)
        return;
    endingProcess = true;
    ThePlatform().endProcess();
}

void frmMain::cmdMin_Click()
{
    MainWindowLeft = PixelsToTwips(pos().x());
    MainWindowTop = PixelsToTwips(pos().y());
    setWindowState((windowState() & ~Qt::WindowMaximized) | Qt::WindowMinimized);
}

void frmMain::Form_Activate()
{
    lblTitle[0]->show();
    lblTitle[1]->hide();
}

void frmMain::Form_Deactivate()
{
    lblTitle[1]->show();
    lblTitle[0]->hide();
}

void frmMain::Form_MouseDown(Qt::MouseButtons buttons)
{
    // The window manager drags the window; moveEvent carries the companions
    // by the same offset as it goes.
    if (buttons & Qt::LeftButton)
        ThePlatform().startSystemMove(this);
}

void frmMain::lblTitle_MouseDown(int, Qt::MouseButtons buttons)
{
    Form_MouseDown(buttons);
}

void frmMain::Form_Resize()
{
    if (windowState() & Qt::WindowMinimized) {
        FrmPallet().hide();
        FrmPCX().hide();
        setWindowTitle(Catalog.TitleMain);
        return;
    }
    FrmPallet().show();
    FrmPCX().show();
    if (!(windowState() & Qt::WindowMaximized))
        moveToTwips(MainWindowLeft, MainWindowTop);
    setWindowTitle(QString());
    resize(TwipsToPixels(kShownWidth), TwipsToPixels(kShownHeight));
}

bool frmMain::Form_QueryUnload()
{
    // Palette edits never saved are not thrown away without a word.
    return !endingProcess && FrmPallet().Unsaved() &&
           ThePlatform().messageBox(this, Catalog.MsgExitConfirm, Platform::Buttons::OkCancel) ==
               Platform::Answer::Cancel;
}

void frmMain::Form_Unload()
{
    if (!endingProcess) {
        endingProcess = true;
        ThePlatform().endProcess();
    }
}

frmMain::~frmMain()
{
    delete textCommit;
}
