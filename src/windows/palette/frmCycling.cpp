#include "windows/palette/frmCycling.h"

#include "app/CyclePlayer.h"
#include "app/Document.h"
#include "app/mdlGlobal.h"
#include "platform/Platform.h"
#include "windows/kit/Companions.h"
#include "windows/kit/HistoryKeys.h"
#include "windows/palette/PaletteForms.h"
#include "windows/palette/frmPallet.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>

#include <cmath>

using namespace mdlGlobal;

namespace {

// The slider moves in quarters of a step a second.
constexpr int kSliderSteps = 4;

QString RangeRow(const CycleRange &r)
{
    return QStringLiteral("%1 %2..%3  %4/s %5")
        .arg(r.on ? QChar(0x2713) : QChar(0x2013))
        .arg(r.first)
        .arg(r.last)
        .arg(r.rate, 0, 'g', 4)
        .arg(r.backward ? QChar(0x2190) : QChar(0x2192));
}

} // namespace

frmCycling::frmCycling(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(Catalog.TitleCycle);
    lstRanges = new QListWidget;
    lstRanges->setMaximumHeight(lstRanges->fontMetrics().height() * 8); // half the ranges
    spnFirst = new QSpinBox;
    spnLast = new QSpinBox;
    for (QSpinBox *box : {spnFirst, spnLast})
        box->setRange(0, kPalletEntries - 1);
    spnRate = new QDoubleSpinBox;
    spnRate->setRange(kMinCycleRate, kMaxCycleRate);
    spnRate->setDecimals(3); // rates read from a file keep theirs
    spnRate->setValue(10);
    sldRate = new QSlider(Qt::Horizontal);
    sldRate->setRange(int(kMinCycleRate * kSliderSteps), int(kMaxCycleRate * kSliderSteps));
    sldRate->setValue(int(spnRate->value() * kSliderSteps));
    chkBackward = new QCheckBox(Catalog.CaptionCycleBackward);
    chkOn = new QCheckBox(Catalog.CaptionCycleOn);
    chkOn->setChecked(true);
    cmdAdd = new QPushButton(Catalog.CaptionCycleAdd);
    cmdEdit = new QPushButton(Catalog.CaptionCycleEdit);
    cmdDelete = new QPushButton(Catalog.CaptionCycleDelete);
    cmdPlay = new QPushButton(Catalog.CaptionCyclePlay);

    auto *rate = new QHBoxLayout;
    rate->addWidget(spnRate);
    rate->addWidget(sldRate, 1);
    auto *form = new QFormLayout(this);
    form->addRow(lstRanges);
    form->addRow(Catalog.CaptionCycleFirst, spnFirst);
    form->addRow(Catalog.CaptionCycleLast, spnLast);
    form->addRow(Catalog.CaptionCycleRate, rate);
    form->addRow(chkBackward);
    form->addRow(chkOn);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {cmdAdd, cmdEdit, cmdDelete, cmdPlay})
        buttons->addWidget(b);
    form->addRow(buttons);

    connect(spnRate, &QDoubleSpinBox::valueChanged, this, [this](double v) {
        const QSignalBlocker quiet(sldRate);
        sldRate->setValue(int(std::lround(v * kSliderSteps)));
    });
    connect(sldRate, &QSlider::valueChanged, this, [this](int v) {
        const QSignalBlocker quiet(spnRate);
        spnRate->setValue(double(v) / kSliderSteps);
    });
    connect(lstRanges, &QListWidget::currentRowChanged, this, &frmCycling::rangeSelected);
    connect(cmdAdd, &QPushButton::clicked, this, &frmCycling::cmdAdd_Click);
    connect(cmdEdit, &QPushButton::clicked, this, &frmCycling::cmdEdit_Click);
    connect(cmdDelete, &QPushButton::clicked, this, &frmCycling::cmdDelete_Click);
    connect(cmdPlay, &QPushButton::clicked, &ThePlayer(), &CyclePlayer::toggle);
    connect(&ThePlayer(), &CyclePlayer::playingChanged, this, [this](bool playing) {
        cmdPlay->setText(playing ? Catalog.CaptionCycleStop : Catalog.CaptionCyclePlay);
    });
    connect(&TheDocument(), &Document::cyclesChanged, this,
            [this] { showRanges(lstRanges->currentRow()); });
    cmdPlay->setText(ThePlayer().playing() ? Catalog.CaptionCycleStop : Catalog.CaptionCyclePlay);
    AddPlayKey(this);
    showRanges(-1);
}

void frmCycling::ShowFor(int s, int t)
{
    const auto same = std::find_if(Cycles.begin(), Cycles.end(), [&](const CycleRange &r) {
        return r.first == std::min(s, t) && r.last == std::max(s, t);
    });
    showRanges(same == Cycles.end() ? -1 : int(same - Cycles.begin()));
    spnFirst->setValue(std::min(s, t));
    spnLast->setValue(std::max(s, t));
    // The list, given the focus, would make its first range current and
    // put it in the boxes in place of S..T.
    spnFirst->setFocus();
    // Beside the windows, so that the cells and the picture can be seen turning.
    if (!isVisible())
        MoveBesideWindows(this);
    show();
    raise();
    activateWindow();
}

CycleRange frmCycling::edited() const
{
    CycleRange r;
    r.first = quint8(std::min(spnFirst->value(), spnLast->value()));
    r.last = quint8(std::max(spnFirst->value(), spnLast->value()));
    r.rate = spnRate->value();
    r.backward = chkBackward->isChecked();
    r.on = chkOn->isChecked();
    return r;
}

void frmCycling::showRanges(int select)
{
    {
        const QSignalBlocker quiet(lstRanges);
        lstRanges->clear();
        for (const CycleRange &r : Cycles)
            lstRanges->addItem(RangeRow(r));
        lstRanges->setCurrentRow(select < lstRanges->count() ? select : -1);
    }
    rangeSelected(lstRanges->currentRow());
}

void frmCycling::rangeSelected(int row)
{
    cmdEdit->setEnabled(row >= 0);
    cmdDelete->setEnabled(row >= 0);
    if (row < 0 || row >= int(Cycles.size()))
        return;
    const CycleRange &r = Cycles[std::size_t(row)];
    spnFirst->setValue(r.first);
    spnLast->setValue(r.last);
    spnRate->setValue(r.rate);
    chkBackward->setChecked(r.backward);
    chkOn->setChecked(r.on);
}

void frmCycling::cmdAdd_Click()
{
    if (Cycles.size() >= std::size_t(kMaxCycleRanges)) {
        ThePlatform().messageBox(this, Catalog.MsgCycleFull, Platform::Buttons::Ok);
        return;
    }
    CycleRanges after = Cycles;
    after.push_back(edited());
    TheDocument().ChangeCycles(after);
    showRanges(int(after.size()) - 1);
}

void frmCycling::cmdEdit_Click()
{
    const int row = lstRanges->currentRow();
    if (row < 0 || row >= int(Cycles.size()))
        return;
    CycleRanges after = Cycles;
    after[std::size_t(row)] = edited();
    TheDocument().ChangeCycles(after);
}

void frmCycling::cmdDelete_Click()
{
    const int row = lstRanges->currentRow();
    if (row < 0 || row >= int(Cycles.size()))
        return;
    CycleRanges after = Cycles;
    after.erase(after.begin() + row);
    TheDocument().ChangeCycles(after);
    showRanges(std::min(row, int(after.size()) - 1));
}

frmCycling &FrmCycling()
{
    static QPointer<frmCycling> dialog;
    if (!dialog)
        dialog = new frmCycling(&FrmPallet());
    return *dialog;
}
