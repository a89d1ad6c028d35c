#include "windows/main/frmInitPallet.h"

#include "app/mdlGlobal.h"
#include "base/Numbers.h"
#include "platform/Platform.h"
#include "windows/kit/TextCommit.h"
#include "windows/kit/WindowKit.h"
#include "windows/main/MainForms.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>

using namespace mdlGlobal;

namespace {

// A box's text as a byte; the texts have passed their check by the time
// they are read, anything else reads as 0.
int channelOf(const QLineEdit *box)
{
    return ReadWholeInRange(box->text(), 0, 255).value_or(0);
}

} // namespace

frmInitPallet::frmInitPallet()
{
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::CustomizeWindowHint);
    setModal(true);
    setFixedSize(TwipsToPixels(4965), TwipsToPixels(2085));
    SetDesignedFont(this);

    lblMSG = NewLabel(this, QString(), 240, 120, 4620, 300);
    lblSelectColor = NewLabel(this, QString(), 60, 540, 915, 975);
    lblSelectColor->setFrameStyle(QFrame::Box | QFrame::Plain);
    SetBackground(lblSelectColor, Qt::black);
    Label1 = NewLabel(this, QStringLiteral("R :"), 1080, 540, 210, 180);
    Label2 = NewLabel(this, QStringLiteral("G :"), 1080, 900, 210, 180);
    Label3 = NewLabel(this, QStringLiteral("B :"), 1080, 1260, 210, 180);

    for (int k = 0; k < 3; ++k) {
        txtColor[k] = NewTextBox(this, QStringLiteral("0"), 1440, 540 + 360 * k, 495, 270);
        sldColBar[k] = NewChannelSlider(this, 2040, 540 + 360 * k, 2775, 255);
        connect(sldColBar[k], &QSlider::valueChanged, this, [this, k] { sldColBar_Change(k); });
    }

    cmdOK = NewButton(this, QStringLiteral("OK"), 2100, 1740, 1215, 255);
    cmdOK->setDefault(true);
    cmdCancel = NewButton(this, QStringLiteral("Cancel"), 3600, 1740, 1155, 255);

    textCommit = new TextCommit(this, {txtColor.begin(), txtColor.end()},
                                [this](int k) { return txtColor_LostFocus(k); });
    connect(cmdOK, &QPushButton::clicked, this, &frmInitPallet::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmInitPallet::cmdCancel_Click);
    Form_Load();
}

void frmInitPallet::Form_Load()
{
    const QString &font = Catalog.UiFontName;
    for (QWidget *w : std::initializer_list<QWidget *>{this, lblMSG, lblSelectColor, txtColor[0],
                                                       txtColor[1], txtColor[2], cmdOK, cmdCancel})
        ApplyFontName(w, font);
    lblMSG->setText(Catalog.MsgInitPallet);
}

void frmInitPallet::showSwatch()
{
    SetBackground(lblSelectColor,
                  PackedToQColor(PackColor(channelOf(txtColor[0]), channelOf(txtColor[1]),
                                           channelOf(txtColor[2]))));
}

void frmInitPallet::sldColBar_Change(int k)
{
    txtColor[k]->setText(QString::number(sldColBar[k]->value()));
    showSwatch();
}

bool frmInitPallet::txtColor_LostFocus(int k)
{
    const auto value = ReadWholeInRange(txtColor[k]->text(), 0, 255);
    if (!value) {
        ThePlatform().messageBox(this, Catalog.MsgOver255, Platform::Buttons::Ok);
        txtColor[k]->setFocus(Qt::OtherFocusReason);
        return false;
    }
    {
        const QSignalBlocker quiet(sldColBar[k]);
        sldColBar[k]->setValue(*value);
    }
    showSwatch();
    return true;
}

void frmInitPallet::cmdOK_Click()
{
    // Enter reaches OK without the focused box losing the focus first: check
    // it now, as leaving it would, and never hand New an unchecked value.
    for (int k = 0; k < 3; ++k) {
        if (!txtColor_LostFocus(k))
            return;
    }
    InitColorR = static_cast<quint8>(channelOf(txtColor[0]));
    InitColorG = static_cast<quint8>(channelOf(txtColor[1]));
    InitColorB = static_cast<quint8>(channelOf(txtColor[2]));
    InitCancel = kFalse;
    accept();
}

void frmInitPallet::cmdCancel_Click()
{
    InitCancel = kTrue;
    QDialog::reject();
}

void frmInitPallet::reject()
{
    // Esc is Cancel.
    cmdCancel_Click();
}

frmInitPallet::~frmInitPallet()
{
    delete textCommit;
}
