#include "windows/main/frmAbout.h"

#include "app/mdlGlobal.h"
#include "windows/kit/WindowKit.h"
#include "windows/main/MainForms.h"
#include "windows/main/frmMain.h"

#include <QIcon>
#include <QLabel>
#include <QPushButton>

QString VersionText(int major, int minor, int revision)
{
    return QStringLiteral("Version %1.%2%3β").arg(major).arg(minor).arg(revision);
}

// A child of the main window, so that it stays over it while open.
frmAbout::frmAbout() : QDialog(&FrmMain())
{
    setWindowTitle(mdlGlobal::Catalog.TitleAbout);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setWindowIcon(AppIcon());
    setFixedSize(TwipsToPixels(5910), TwipsToPixels(1215));
    setModal(true);
    SetDesignedFont(this);

    Picture1 = new QLabel(this);
    PlaceTwips(Picture1, 240, 240, 240, 240);
    Picture1->setPixmap(AppIcon().pixmap(Picture1->size()));

    Label1 = new QLabel(QStringLiteral("Palmiro"), this);
    PlaceTwips(Label1, 960, 240, 3255, 240);
    lblVer = new QLabel(this);
    PlaceTwips(lblVer, 4320, 240, 1335, 240);
    Label2 = new QLabel(QStringLiteral("A palette editor for pixel artists."), this);
    PlaceTwips(Label2, 960, 600, 2895, 240);
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    PlaceTwips(cmdOK, 4560, 720, 1095, 375);
    cmdOK->setDefault(true);
    for (QWidget *w : {static_cast<QWidget *>(Label1), static_cast<QWidget *>(lblVer),
                       static_cast<QWidget *>(Label2), static_cast<QWidget *>(cmdOK)})
        SetDesignedFont(w);

    create();
    OfferNoMinimise(this);
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    Form_Load();
}

void frmAbout::Form_Load()
{
    lblVer->setText(
        VersionText(PALMIRO_VERSION_MAJOR, PALMIRO_VERSION_MINOR, PALMIRO_VERSION_PATCH));
}

void frmAbout::cmdOK_Click()
{
    // The caller unloads the window once its modal loop has returned.
    accept();
}
