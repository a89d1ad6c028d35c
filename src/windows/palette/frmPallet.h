#pragma once

#include "app/Document.h"
#include "model/Levels.h"
#include "model/PaletteOps.h"

#include <QWidget>

#include <array>
#include <memory>
#include <optional>

class ClickLabel;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
struct Tidied;
class QPushButton;
class QSlider;
class TextCommit;

// The 16 x 16 grid of entries, the selected entry's swatch, and its red,
// green and blue as sliders and text boxes.
// %1 and %2 of a menu text as S and T. Not arg(): a text may name only one.
QString Named(QString text, int s, int t);

// The question before entries first..last are overwritten: "5 ～ 10 のパレット
// を書き換えます。", a carriage return, "よろしいですか？".
class MessageCatalog;
QString PastePrompt(const MessageCatalog &catalog, int first, int last);

class frmPallet : public QWidget {
    Q_OBJECT
public:
    frmPallet();
    ~frmPallet() override;

    // The one way the palette changes: records the step, writes the entries,
    // recolours their cells, brings the selected entry's display up to date
    // and redraws the picture once. Undo and redo come through here too.
    void ChangePallet(const PalletArray &after, const PalletFollow &follow = {})
    {
        TheDocument().ChangePallet(after, follow);
    }
    PalletHistory &History() { return TheDocument().History(); }
    // Opening, saving and New: the palette as it is now loses nothing when
    // the program ends.
    void MarkSaved() { TheDocument().MarkSaved(); }
    bool Unsaved() const { return TheDocument().Unsaved(); }

    // After ActFileBytes and ActFileLen were filled: apply them and show.
    void PalletSet();
    // Pallet as it is, outside the history: a preview that its dialog gives back.
    void ShowColours();
    void initPallet(quint8 r, quint8 g, quint8 b);
    void lblColor_Click(qint16 index);
    // A click on a cell: applies a value still typed in a box if it can be
    // applied, drops it otherwise, then selects.
    void lblColor_UserClick(qint16 index);

    void sldColBar_Change(int k);
    void txtColor_GotFocus(int k);
    // False when the text was refused and the focus sent back.
    bool txtColor_LostFocus(int k);
    void Form_Activate();
    void cmdSerch_Click();
    void cmdCopy_Click();
    void cmdPaste_Click();

    void ApplyUiFont(const QString &family);
    void ApplyClipCaptions(const QString &frame, const QString &copy, const QString &paste);

    QLabel *lblFName;
    std::array<ClickLabel *, 256> lblColor{};
    QLabel *lblSelectColor;
    QLabel *Label1;
    QLabel *Label2;
    QLabel *Label3;
    QLabel *Label4;
    QLabel *lblPalID;
    QPushButton *cmdSerch;
    QGroupBox *fraClip;
    QPushButton *cmdCopy;
    QPushButton *cmdPaste;
    std::array<QLineEdit *, 3> txtColor{};
    std::array<QSlider *, 3> sldColBar{};

    static inline const QString kNoFile = QStringLiteral("<No File>");

    // The cells' context menu, opened on cell t; S is the selected entry.
    enum class Tool {
        RampRgb,
        RampHsv,
        Swap,
        SwapRemap,
        Reverse,
        ReverseRemap,
        EditColour,
        CopyHex,
        PasteHex,
        Levels,
        SnapLevels,
        MergeDuplicates,
        MergeSimilar,
        UnusedToEnd,
        SortHue,
        SortLightness,
        SortChroma,
        SortUsage,
        Reduce,
        Lock,
        Reserve,
        ClearMarks
    };
    void lblColor_ContextMenu(int t, const QPoint &globalPos);
    void RunTool(Tool tool, int t);
    // Pixels drawn through each entry; recounted when the image or its
    // layout changes, not on palette edits.
    void RecountUsage();
    const UsageCounts &Usage() const { return usage; }
    QString UsageTip(int i) const;
    void SetMarkUnused(bool on);

    // The levels every change of an entry is snapped to, for the run; the
    // title names the preset (-1: the one with these counts, if any).
    void SetLevels(const ::Levels &chosen, int preset = -1)
    {
        TheDocument().SetLevels(chosen, preset);
    }
    const ::Levels &CurrentLevels() const { return TheDocument().CurrentLevels(); }

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Goes first when the window is destroyed, so that the focus leaving a
    // dying text box commits nothing.
    TextCommit *textCommit = nullptr;
    // The gesture of the pointer held on a slider, 0 when none is.
    int sliderGesture = 0;
    QMetaObject::Connection clipboardLink;
    // What the document says changed, shown.
    void followChange(const EntryChanges &changes, const PalletFollow &follow);
    void showLevelsChosen();
    // Cycling: the cells in the colours the picture shows now.
    void paintShown(const PalletArray &colours);
    PalletArray lastPallet{};
    // The colour each cell was last given by the cycling; -1 while it shows its entry.
    std::array<qint64, kPalletEntries> painted{};
    void showCell(int index);
    void showSelectedColour();
    void setSliderQuietly(int k, int value);
    // Box k's text as a channel value; none when it is refused.
    std::optional<int> typedValue(int k) const;
    void redrawIfImage();
    static const ::Levels &levels() { return TheDocument().CurrentLevels(); }

    void SetUpTools();
    void editColour();
    void pasteHex();
    void showUnusedMarks();
    UsageCounts usage{};
    bool markUnused = false;
    QWidget *unusedMarks = nullptr;

    void chooseLevels();
    void showLevels();
    QWidget *offLevelMarks = nullptr;
    // Tidying, in frmPalletTidy.cpp.
    void addTidyItems(QMenu &menu, int t);
    void runTidy(Tool tool, int t);
    void applyTidied(const Tidied &tidied);
    void setUpCellDrag();
    // Locked and reserved entries, in frmPalletMarks.cpp.
    void setUpEntryMarks();
    void addMarkItems(QMenu &menu, int t);
    void markEntries(Tool tool, int t);
    QWidget *entryMarks = nullptr;
};
