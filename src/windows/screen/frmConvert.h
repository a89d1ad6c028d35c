#pragma once

#include "convert/ConvertPicture.h"
#include "model/Cycling.h"
#include "model/PalletEntry.h"
#include "model/PcxImage.h"

#include <QDialog>
#include <QImage>
#include <QTimer>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QSpinBox;

// Settings for turning an RGBA picture into entries of the working palette.
// While it is open the screen window shows the result; OK keeps it as one
// step of the palette's history, Cancel puts the picture and view back.
class frmConvert : public QDialog {
    Q_OBJECT
public:
    // fresh: the picture comes from the file at path and replaces the one shown, whose
    // cycling ranges (left) the caller has set aside: an undo gives them back.
    frmConvert(QImage rgba, bool fresh, QWidget *parent, QString path = {}, CycleRanges left = {});

    QComboBox *cboTarget;
    QSpinBox *spnCount;
    QSpinBox *spnFirst;
    QSpinBox *spnLast;
    QComboBox *cboDistance;
    QComboBox *cboDither;
    QSpinBox *spnStrength;
    QCheckBox *chkSerpentine;
    QCheckBox *chkRefine;
    // -1 when transparent pixels are laid over black.
    QSpinBox *spnTransparent;
    QCheckBox *chkKeepCycles;
    QDialogButtonBox *buttons;

    ConvertTarget target() const;
    RemapOptions options() const;

    // Converts with the settings as they are and shows the result; a change
    // of settings brings one on its own once events run.
    void preview();
    // Pictures of more pixels than this show the visible part of a change
    // first, and the whole once the settings rest.
    int quickAbove = 1 << 21;
    void accept() override;
    void reject() override;

private:
    void settingsChanged();
    void makeTarget();
    void previewVisible();
    void showPicture(const ::PcxImage &image, const PalletArray &pallet);
    void keepChoices() const;

    QImage rgba;
    bool fresh;
    CycleRanges leftCycles;
    QString path;
    // As they were when the dialog opened.
    ::PcxImage startImage;
    PalletArray startPallet;
    int startH = 0;
    int startV = 0;
    // The target last made: a new palette is made again only when its settings change.
    ConvertTarget madeFor;
    TargetPalette made;
    bool madeOnce = false;
    int madeTransparent = -1;
    ConvertedPicture result;
    bool current = false;
    QTimer later;
    QTimer whole;
};

// Opens the dialog on the picture; true when its result was kept.
bool ConvertToPalette(const QImage &picture, bool fresh, const QString &path = {},
                      const CycleRanges &left = {});
