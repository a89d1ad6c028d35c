#pragma once

#include "model/Cycling.h"

#include <QDialog>

class QCheckBox;
class QDoubleSpinBox;
class QListWidget;
class QPushButton;
class QSlider;
class QSpinBox;

// The colour cycling ranges: a list to add to, change and delete from, each
// with its rate (a number and a slider), direction and switch; and play.
class frmCycling : public QDialog {
    Q_OBJECT
public:
    explicit frmCycling(QWidget *parent);

    // Opened from the palette menu on S..T: that range, selected when it is
    // one already.
    void ShowFor(int s, int t);

    void cmdAdd_Click();
    void cmdEdit_Click();
    void cmdDelete_Click();

    QListWidget *lstRanges;
    QSpinBox *spnFirst;
    QSpinBox *spnLast;
    QDoubleSpinBox *spnRate;
    QSlider *sldRate;
    QCheckBox *chkBackward;
    QCheckBox *chkOn;
    QPushButton *cmdAdd;
    QPushButton *cmdEdit;
    QPushButton *cmdDelete;
    QPushButton *cmdPlay;

private:
    CycleRange edited() const;
    void showRanges(int select);
    void rangeSelected(int row);
};

// The one dialog, made when first asked for.
frmCycling &FrmCycling();
