#include "palette/frmInitPallet.h"

#include "platform/Platform.h"
#include "shell/Forms.h"
#include "shell/Numbers.h"
#include "shell/TextCommit.h"
#include "shell/WindowKit.h"
#include "shell/mdlGlobal.h"

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

    auto label = [this](const QString &text, int l, int t, int w, int h) {
        auto *lbl = new QLabel(text, this);
        PlaceTwips(lbl, l, t, w, h);
        SetDesignedFont(lbl);
        return lbl;
    };
    lblMSG = label(QString(), 240, 120, 4620, 300);
    lblSelectColor = label(QString(), 60, 540, 915, 975);
    lblSelectColor->setFrameStyle(QFrame::Box | QFrame::Plain);
    SetBackground(lblSelectColor, Qt::black);
    Label1 = label(QStringLiteral("R :"), 1080, 540, 210, 180);
    Label2 = label(QStringLiteral("G :"), 1080, 900, 210, 180);
    Label3 = label(QStringLiteral("B :"), 1080, 1260, 210, 180);

    for (int k = 0; k < 3; ++k) {
        auto *box = new QLineEdit(QStringLiteral("0"), this);
        PlaceTwips(box, 1440, 540 + 360 * k, 495, 270);
        SetDesignedFont(box);
        txtColor[k] = box;
        auto *slider = new QSlider(Qt::Horizontal, this);
        PlaceTwips(slider, 2040, 540 + 360 * k, 2775, 255);
        slider->setRange(0, 255);
        slider->setSingleStep(1);
        slider->setPageStep(5);
        slider->setTickPosition(QSlider::NoTicks);
        connect(slider, &QSlider::valueChanged, this, [this, k] { sldColBar_Change(k); });
        sldColBar[k] = slider;
    }

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    PlaceTwips(cmdOK, 2100, 1740, 1215, 255);
    SetDesignedFont(cmdOK);
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    PlaceTwips(cmdCancel, 3600, 1740, 1155, 255);
    SetDesignedFont(cmdCancel);

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
    SetBackground(lblSelectColor, PackedToQColor(PackColor(
                                      channelOf(txtColor[0]), channelOf(txtColor[1]),
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
