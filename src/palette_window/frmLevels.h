#pragma once

#include "palette/Levels.h"

#include <QDialog>

#include <array>

class QComboBox;
class QDialogButtonBox;
class QSpinBox;

// Chooses the levels per channel: a preset, or three counts of one's own.
// A preset fills the counts; counts that match none leave the preset empty.
class frmLevels : public QDialog {
    Q_OBJECT
public:
    frmLevels(const Levels &current, QWidget *parent);

    QComboBox *cboPreset;
    std::array<QSpinBox *, 3> spnCount{};
    QDialogButtonBox *buttons;

    Levels chosen() const;

private:
    void presetChosen(int index);
    void countChanged();
};
