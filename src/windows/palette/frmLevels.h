#pragma once

#include "model/Levels.h"

#include <QDialog>

#include <array>

class QComboBox;
class QDialogButtonBox;
class QSpinBox;

// Chooses the levels per channel: a preset, or three counts of one's own.
// A preset fills the counts; counts that match none leave the preset empty.
// Presets of the same counts (Amiga OCS and Atari STE) stay as chosen.
class frmLevels : public QDialog {
    Q_OBJECT
public:
    frmLevels(const Levels &current, int preset, QWidget *parent);

    QComboBox *cboPreset;
    std::array<QSpinBox *, 3> spnCount{};
    QDialogButtonBox *buttons;

    Levels chosen() const;

private:
    void presetChosen(int index);
    void countChanged();
};
