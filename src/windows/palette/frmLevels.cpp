#include "windows/palette/frmLevels.h"

#include "app/MessageCatalog.h"
#include "app/mdlGlobal.h"
#include "windows/kit/WindowKit.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QSpinBox>

using namespace mdlGlobal;

frmLevels::frmLevels(const Levels &current, int preset, QWidget *parent) : QDialog(parent)
{
    setWindowTitle(Catalog.TitleLevels);
    SetDesignedFont(this);
    ApplyFontName(this, Catalog.UiFontName);
    cboPreset = new QComboBox;
    cboPreset->addItems(
        CatalogItems(Catalog, &MessageCatalog::LevelsPresetNames).mid(0, kLevelsPresets));
    cboPreset->setCurrentIndex(preset);
    auto *counts = new QHBoxLayout;
    for (int k = 0; k < 3; ++k) {
        spnCount[k] = new QSpinBox;
        spnCount[k]->setRange(kMinLevels, kMaxLevels);
        spnCount[k]->setValue(current.count[k]);
        counts->addWidget(spnCount[k]);
        connect(spnCount[k], &QSpinBox::valueChanged, this, &frmLevels::countChanged);
    }
    buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    auto *form = new QFormLayout(this);
    // Nothing in it grows, so neither does the dialog.
    form->setSizeConstraint(QLayout::SetFixedSize);
    form->addRow(Catalog.CaptionLevelsPreset, cboPreset);
    form->addRow(Catalog.CaptionLevelsCounts, counts);
    form->addRow(buttons);
    countChanged();
    connect(cboPreset, &QComboBox::currentIndexChanged, this, &frmLevels::presetChosen);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

Levels frmLevels::chosen() const
{
    Levels levels;
    for (int k = 0; k < 3; ++k)
        levels.count[k] = spnCount[k]->value();
    return levels;
}

void frmLevels::presetChosen(int index)
{
    if (index < 0)
        return;
    for (int k = 0; k < 3; ++k) {
        const QSignalBlocker quiet(spnCount[k]);
        spnCount[k]->setValue(LevelsPresets()[index].count[k]);
    }
}

void frmLevels::countChanged()
{
    const int shown = cboPreset->currentIndex();
    const QSignalBlocker quiet(cboPreset);
    if (shown < 0 || LevelsPresets()[shown] != chosen())
        cboPreset->setCurrentIndex(LevelsPresetOf(chosen()));
}
