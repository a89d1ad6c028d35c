#include "windows/palette/frmClip.h"

#include "app/mdlGlobal.h"
#include "formats/ClipText.h"
#include "platform/Platform.h"
#include "windows/kit/WindowKit.h"

#include <QLabel>
#include <QPushButton>

using namespace mdlGlobal;

namespace {

QFont arial9()
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(9);
    return font;
}

} // namespace

frmClip::frmClip()
{
    setWindowTitle(Catalog.TitleClip);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setModal(true);
    setFixedSize(TwipsToPixels(3555), TwipsToPixels(1935));

    for (int i = 0; i < 256; ++i) {
        auto *cell = new ClickLabel(this);
        PlaceTwips(cell, 120 * (i % 16), 120 * (i / 16), 135, 135);
        SetCellLook(cell, CellLook::Flat);
        connect(cell, &ClickLabel::clicked, this, [this, i] { lblColor_Click(qint16(i)); });
        lblColor[i] = cell;
    }
    auto label = [this](const QString &text, int l, int t, int w, int h) {
        auto *lbl = new QLabel(text, this);
        PlaceTwips(lbl, l, t, w, h);
        lbl->setFont(arial9());
        return lbl;
    };
    Label3 = label(Catalog.CaptionClipSelect, 2040, 0, 1395, 255);
    Label1 = label(QStringLiteral("From : "), 2040, 480, 615, 255);
    lblFrom = label(QString(), 2700, 480, 735, 255);
    Label2 = label(QStringLiteral("To      : "), 2040, 780, 615, 255);
    lblTo = label(QString(), 2700, 780, 735, 255);
    for (QLabel *bound : {lblFrom, lblTo}) {
        bound->setFrameStyle(QFrame::Box | QFrame::Plain);
        bound->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    cmdOK = new QPushButton(Catalog.CaptionClipCopy, this);
    PlaceTwips(cmdOK, 1980, 1620, 735, 315);
    cmdOK->setFont(arial9());
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    PlaceTwips(cmdCancel, 2760, 1620, 795, 315);
    cmdCancel->setFont(arial9());

    connect(cmdOK, &QPushButton::clicked, this, &frmClip::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmClip::cmdCancel_Click);
}

void frmClip::showAllFlat()
{
    for (int i = 0; i < 256; ++i) {
        SetCellLook(lblColor[i], CellLook::Flat);
        SetBackground(lblColor[i], PackedToQColor(Pallet[i].color()));
    }
}

void frmClip::Form_Activate()
{
    showAllFlat();
    SetCellLook(lblColor[SelectedPalletID], CellLook::Raised);
    lblFrom->setText(QString::number(SelectedPalletID));
    lblTo->setText(QString());
    cmdOK->setEnabled(false);
}

void frmClip::lblColor_Click(qint16 index)
{
    if (index < 0 || index > 255)
        return;
    showAllFlat();
    const int from = lblFrom->text().toInt();
    if (index < from) {
        lblTo->setText(QString::number(from));
        lblFrom->setText(QString::number(index));
    } else {
        lblTo->setText(QString::number(index));
    }
    for (int i = lblFrom->text().toInt(); i <= lblTo->text().toInt(); ++i)
        SetCellLook(lblColor[i], CellLook::Raised);
    cmdOK->setEnabled(true);
}

void frmClip::cmdOK_Click()
{
    const int from = lblFrom->text().toInt();
    const int to = lblTo->text().toInt();
    ThePlatform().setClipboardText(BuildClipText(Pallet, from, to));
    hide();
    accept();
}

void frmClip::cmdCancel_Click()
{
    reject();
}

void frmClip::showEvent(QShowEvent *event)
{
    // Every showing starts afresh; no range survives from one copy to the next.
    Form_Activate();
    QDialog::showEvent(event);
}
