#pragma once

#include "convert/Dither.h"
#include "convert/Histogram.h"
#include "convert/SharedPalette.h"
#include "windows/kit/BackgroundWork.h"

#include <QDialog>
#include <QImage>
#include <QStringList>

#include <memory>

class QComboBox;
class QDialogButtonBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QSpinBox;

// One palette of N colours for a whole set of pictures, around the entries
// the palette window has locked or reserved. It stays open beside the
// windows, so that entries can be marked there while it is: a change of the
// marks, the palette or the set makes the palette again, on another thread.
// OK makes it the working palette, as one step of the history; "Convert the
// set" writes every picture onto it into a folder.
class frmFromPictures : public QDialog {
    Q_OBJECT
public:
    explicit frmFromPictures(QWidget *parent);
    ~frmFromPictures() override;

    QListWidget *lstFiles;
    QPushButton *cmdAdd;
    QPushButton *cmdRemove;
    QSpinBox *spnCount;
    QComboBox *cboWeight;
    QComboBox *cboDither;
    QLabel *lblMarks;
    QLabel *lblSwatches;
    QLabel *lblPreview;
    QLabel *lblStatus;
    QProgressBar *barProgress;
    QPushButton *cmdConvertSet;
    QDialogButtonBox *buttons;

    // Files already in the list are not added twice.
    void addFiles(const QStringList &paths);
    QStringList files() const;
    // The palette made for the set and settings as they are now, once made.
    const SharedPalette *made() const { return current ? &palette : nullptr; }
    bool working() const { return work.running(); }
    // Writes every picture onto the palette made into `folder`, as PNG; the
    // lines of what failed, empty when all were written. Stopped when cancelled.
    QStringList convertSet(const QString &folder);
    void accept() override;

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    struct Job;
    void settingsChanged();
    void startWork();
    void workDone();
    void showMarks();
    void showPalette();
    void chooseFiles();
    void chooseFolder();
    RemapOptions remapOptions() const;

    BackgroundWork work;
    std::shared_ptr<Job> job;
    // The set's colours, counted again only when the files or the weighing change.
    std::shared_ptr<const ColourTally> tally;
    QStringList tallied;
    int talliedWeighing = -1;
    QStringList failed;
    SharedPalette palette;
    bool current = false;
    QImage preview;
};

// Opens the dialog beside the windows, or brings the one open to the front.
void PaletteFromPictures(QWidget *parent);
