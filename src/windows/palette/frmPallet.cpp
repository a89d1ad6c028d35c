#include "windows/palette/frmPallet.h"

#include "app/CyclePlayer.h"
#include "app/mdlGlobal.h"
#include "base/Numbers.h"
#include "base/TextHelpers.h"
#include "model/ActApply.h"
#include "platform/Platform.h"
#include "windows/kit/HistoryKeys.h"
#include "windows/kit/TextCommit.h"
#include "windows/kit/WindowKit.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>

using namespace mdlGlobal;

frmPallet::frmPallet()
{
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
    setWindowIcon(AppIcon());
    SetDesignedFont(this);
    setFixedSize(TwipsToPixels(3855), TwipsToPixels(5880));

    lblFName = NewLabel(this, kNoFile, 0, 0, 3765, 210);
    lblFName->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    for (int i = 0; i < 256; ++i) {
        auto *cell = new ClickLabel(this);
        PlaceTwips(cell, 240 * (i % 16), 240 + 240 * (i / 16), 255, 255);
        SetDesignedFont(cell);
        SetBackground(cell, Qt::black);
        SetCellLook(cell, CellLook::Flat);
        connect(cell, &ClickLabel::clicked, this, [this, i] { lblColor_UserClick(qint16(i)); });
        lblColor[i] = cell;
    }

    lblSelectColor = NewLabel(this, QString(), 120, 4200, 495, 495);
    lblSelectColor->setFrameStyle(QFrame::Box | QFrame::Plain);
    SetBackground(lblSelectColor, Qt::black);
    // Wider to the left than designed, up to the swatch, so the caption is not
    // cut in a font wider than the one it was laid out for.
    Label4 = NewLabel(this, QStringLiteral("Pallet ID :"), 630, 4200, 960, 180);
    Label4->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblPalID = NewLabel(this, QStringLiteral("0"), 840, 4380, 615, 255);
    lblPalID->setFrameStyle(QFrame::Box | QFrame::Plain);
    lblPalID->setAlignment(Qt::AlignCenter);

    cmdSerch = NewButton(this, QStringLiteral("!"), 1560, 4320, 255, 255);

    fraClip = new QGroupBox(this);
    PlaceTwips(fraClip, 1920, 4140, 1875, 495);
    SetDesignedFont(fraClip);
    cmdCopy = NewButton(fraClip, QString(), 60, 180, 855, 255);
    cmdPaste = NewButton(fraClip, QString(), 960, 180, 855, 255);
    cmdPaste->setEnabled(false);

    Label1 = NewLabel(this, QStringLiteral("R :"), 120, 4800, 210, 180);
    Label2 = NewLabel(this, QStringLiteral("G :"), 120, 5160, 210, 180);
    Label3 = NewLabel(this, QStringLiteral("B :"), 120, 5520, 210, 180);

    for (int k = 0; k < 3; ++k) {
        txtColor[k] = NewTextBox(this, QStringLiteral("0"), 480, 4800 + 360 * k, 495, 270);
        sldColBar[k] = NewChannelSlider(this, 1080, 4800 + 360 * k, 2775, 255);
        // Positions the window sets itself are written with signals blocked.
        connect(sldColBar[k], &QSlider::valueChanged, this, [this, k] { sldColBar_Change(k); });
        sldColBar[k]->installEventFilter(this);
    }
    Document &document = TheDocument();
    connect(&document, &Document::palletChanged, this, &frmPallet::followChange);
    connect(&document, &Document::nameChanged, lblFName, &QLabel::setText);
    connect(&document, &Document::coloursPreviewed, this, &frmPallet::ShowColours);
    connect(&document, &Document::levelsChanged, this, &frmPallet::showLevelsChosen);
    connect(&document, &Document::pictureChanged, this, &frmPallet::RecountUsage);
    connect(&ThePlayer(), &CyclePlayer::coloursShown, this, &frmPallet::paintShown);
    connect(&ThePlayer(), &CyclePlayer::playingChanged, this, [this](bool playing) {
        if (playing) {
            lastPallet = Pallet;
            painted.fill(-1);
        }
    });

    textCommit = new TextCommit(
        this, {txtColor.begin(), txtColor.end()}, [this](int k) { return txtColor_LostFocus(k); },
        [this](int k) { txtColor_GotFocus(k); });

    connect(cmdSerch, &QPushButton::clicked, this, &frmPallet::cmdSerch_Click);
    connect(cmdCopy, &QPushButton::clicked, this, &frmPallet::cmdCopy_Click);
    connect(cmdPaste, &QPushButton::clicked, this, &frmPallet::cmdPaste_Click);
    AddHistoryKeys(this);
    SetUpTools();
}

void frmPallet::ApplyUiFont(const QString &family)
{
    ApplyFontName(this, family);
    for (QWidget *w : std::initializer_list<QWidget *>{Label1, Label2, Label3, Label4})
        ApplyFontName(w, family);
    for (ClickLabel *cell : lblColor)
        ApplyFontName(cell, family);
    for (QWidget *w : std::initializer_list<QWidget *>{lblFName, lblPalID, lblSelectColor})
        ApplyFontName(w, family);
    for (QLineEdit *box : txtColor)
        ApplyFontName(box, family);
    for (QWidget *w : std::initializer_list<QWidget *>{fraClip, cmdCopy, cmdPaste})
        ApplyFontName(w, family);
}

void frmPallet::ApplyClipCaptions(const QString &frame, const QString &copy, const QString &paste)
{
    fraClip->setTitle(frame);
    cmdCopy->setText(copy);
    cmdPaste->setText(paste);
}

void frmPallet::showCell(int index)
{
    SetBackground(lblColor[index], PackedToQColor(Pallet[index].color()));
}

void frmPallet::showSelectedColour()
{
    const QColor colour = PackedToQColor(Pallet[SelectedPalletID].color());
    SetBackground(lblColor[SelectedPalletID], colour);
    SetBackground(lblSelectColor, colour);
}

// With levels set, a slider's positions are the levels, not the values.
void frmPallet::setSliderQuietly(int k, int value)
{
    const QSignalBlocker quiet(sldColBar[k]);
    sldColBar[k]->setValue(LevelOf(levels().count[k], value));
}

void frmPallet::redrawIfImage()
{
    if (mdlGlobal::PcxImage.isLoaded())
        TheDocument().Redraw();
}

void frmPallet::followChange(const EntryChanges &changes, const PalletFollow &follow)
{
    const int k = follow.k;
    switch (follow.how) {
    case PalletFollow::How::Slider:
        showSelectedColour();
        txtColor[k]->setText(QString::number(Pallet[SelectedPalletID].channel(k)));
        break;
    case PalletFollow::How::Text:
        // The box keeps the text as typed, unless it was snapped to a level.
        if (levels().count[k] < kMaxLevels)
            txtColor[k]->setText(QString::number(Pallet[SelectedPalletID].channel(k)));
        setSliderQuietly(k, Pallet[SelectedPalletID].channel(k));
        showSelectedColour();
        break;
    case PalletFollow::How::Reselect:
        for (const EntryChange &change : changes)
            showCell(change.index);
        lblColor_Click(follow.select >= 0 ? follow.select : SelectedPalletID);
        break;
    }
    // Snapping may have moved the selected entry's other channels too.
    for (int j = 0; j < 3 && follow.how != PalletFollow::How::Reselect && levels().any(); ++j) {
        if (j == k)
            continue;
        txtColor[j]->setText(QString::number(Pallet[SelectedPalletID].channel(j)));
        setSliderQuietly(j, Pallet[SelectedPalletID].channel(j));
    }
    if (levels().any())
        offLevelMarks->update();
}

void frmPallet::PalletSet()
{
    PalletArray after = Pallet;
    ApplyActBytes(after, ActFileBytes, ActFileLen);
    // The callers draw: the old picture in the new colours, or the new one.
    ChangePallet(after, {PalletFollow::How::Reselect, 0, -1, false, 0, {}, true});
}

void frmPallet::ShowColours()
{
    for (int i = 0; i < kPalletEntries; ++i)
        showCell(i);
    lblColor_Click(SelectedPalletID);
    if (levels().any())
        offLevelMarks->update();
}

void frmPallet::initPallet(quint8 r, quint8 g, quint8 b)
{
    PalletArray after = Pallet;
    for (int i = 0; i < kPalletEntries; ++i)
        after[i].set(r, g, b);
    TheDocument().ShowName(QString());
    // A new palette holds nothing fast.
    TheDocument().TakeMarks({});
    ChangePallet(after);
}

void frmPallet::lblColor_Click(qint16 index)
{
    if (index < 0 || index > 255)
        return;
    // The background stays through the change of border style.
    ClickLabel *old = lblColor[SelectedPalletID];
    const QColor oldBack = Background(old);
    SetCellLook(old, CellLook::Flat);
    SetBackground(old, oldBack);
    ClickLabel *cell = lblColor[index];
    const QColor back = Background(cell);
    SetCellLook(cell, CellLook::Raised);
    SetBackground(cell, back);

    SelectedPalletID = index;
    SetBackground(lblSelectColor, back);
    lblPalID->setText(QString::number(index));
    const PalletEntry &entry = Pallet[index];
    for (int k = 0; k < 3; ++k)
        txtColor[k]->setText(QString::number(entry.channel(k)));
    for (int k = 0; k < 3; ++k)
        setSliderQuietly(k, txtColor[k]->text().toInt());
}

void frmPallet::lblColor_UserClick(qint16 index)
{
    // A cell takes no focus, so a value typed and not yet applied would be
    // overwritten unread: it goes to the entry it was typed for first. One
    // that cannot be applied was refused already; the click replaces it.
    for (int k = 0; k < 3; ++k) {
        if (txtColor[k]->isModified() && typedValue(k))
            textCommit->commit(k);
    }
    lblColor_Click(index);
}

void frmPallet::sldColBar_Change(int k)
{
    PalletArray after = Pallet;
    after[SelectedPalletID].setChannel(
        k, static_cast<quint8>(LevelValue(levels().count[k], sldColBar[k]->value())));
    ChangePallet(after, {PalletFollow::How::Slider, k, -1, true, sliderGesture});
}

// Only cells whose colour changed are given one. An edit shows its entry's
// own colour in the cell, which is taken into account here.
void frmPallet::paintShown(const PalletArray &colours)
{
    for (std::size_t i = 0; i < kPalletEntries; ++i) {
        if (Pallet[i] != lastPallet[i])
            painted[i] = -1;
        const qint64 now = painted[i] >= 0 ? painted[i] : Pallet[i].color();
        const qint64 want = colours[i].color();
        if (want == now)
            continue;
        SetBackground(lblColor[i], PackedToQColor(qint32(want)));
        painted[i] = want;
    }
    lastPallet = Pallet;
}

void frmPallet::txtColor_GotFocus(int k)
{
    SelectWholeText(txtColor[k], AnsiByteLen(txtColor[k]->text()).toInt());
}

std::optional<int> frmPallet::typedValue(int k) const
{
    const QString text = txtColor[k]->text();
    return ReadWholeInRange(text.isEmpty() ? QStringLiteral("0") : text, 0, 255);
}

bool frmPallet::txtColor_LostFocus(int k)
{
    QLineEdit *box = txtColor[k];
    if (box->text().isEmpty())
        box->setText(QStringLiteral("0"));
    const auto value = typedValue(k);
    if (!value) {
        ThePlatform().messageBox(this, Catalog.MsgOver255, Platform::Buttons::Ok);
        box->setFocus(Qt::OtherFocusReason);
        return false;
    }
    PalletArray after = Pallet;
    after[SelectedPalletID].setChannel(k, static_cast<quint8>(*value));
    ChangePallet(after, {PalletFollow::How::Text, k});
    return true;
}

void frmPallet::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        Form_Activate();
    QWidget::changeEvent(event);
}

bool frmPallet::eventFilter(QObject *watched, QEvent *event)
{
    // A drag of the thumb, or a press held on the groove, is one step from
    // press to release; a key or wheel step is one step each.
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)
        sliderGesture = TheDocument().History().newGesture();
    else if (event->type() == QEvent::MouseButtonRelease)
        sliderGesture = 0;
    return QWidget::eventFilter(watched, event);
}

void frmPallet::closeEvent(QCloseEvent *event)
{
    // The window lives as long as the program.
    event->ignore();
}

frmPallet::~frmPallet()
{
    delete textCommit;
}
