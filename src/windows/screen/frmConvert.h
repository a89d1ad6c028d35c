#pragma once

#include "convert/ConvertPicture.h"
#include "model/Cycling.h"
#include "model/PalletEntry.h"
#include "model/PcxImage.h"
#include "windows/kit/BackgroundWork.h"

#include <QDialog>
#include <QImage>
#include <QTimer>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QProgressBar;
class QSpinBox;

// Settings for turning an RGBA picture into entries of the working palette.
// While it is open the screen window shows the result; OK keeps it as one
// step of the palette's history, Cancel puts the picture and view back.
// A large picture is converted on another thread: a change shows the part
// in view at once, the whole follows, and OK waits for it.
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
    QProgressBar *barProgress;

    ConvertTarget target() const;
    RemapOptions options() const;

    // Converts with the settings as they are, here and now, and shows the
    // result; a change of settings brings one on its own once events run.
    void preview();
    // Pictures of more pixels than this are converted on another thread,
    // the part in view shown first.
    int quickAbove = 1 << 18;
    // OK was pressed before the whole result was ready: it follows.
    bool AcceptPending() const { return acceptWhenDone; }
    void accept() override;
    void reject() override;

private:
    struct Made;
    struct Job;
    void settingsChanged();
    void refresh();
    // Stops the work under way and forgets its result.
    void dropWork();
    // The target for the settings as they are; when `quick`, a new palette is
    // made from a reduced copy of the picture.
    const TargetPalette &targetFor(bool quick);
    void previewVisible();
    void startWork();
    void workDone();
    void showResult();
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
    // The targets last made, whole and quick: a new palette is made again only
    // when its settings change.
    struct Made {
        ConvertTarget target;
        int transparent = -1;
        bool keepCycles = false;
        bool valid = false;
        TargetPalette made;
        bool matches(const Made &o) const
        {
            return valid && o.target == target && o.transparent == transparent &&
                   o.keepCycles == keepCycles;
        }
    };
    Made settingsNow() const;
    Made made;
    Made quickMade;
    ConvertedPicture result;
    bool current = false;
    bool acceptWhenDone = false;
    QTimer later;
    BackgroundWork work;
    std::shared_ptr<Job> job;
    QTimer tick;
};

// Opens the dialog on the picture; true when its result was kept.
bool ConvertToPalette(const QImage &picture, bool fresh, const QString &path = {},
                      const CycleRanges &left = {});
