#pragma once

#include "app/LightView.h"
#include "model/Cycling.h"
#include "model/EntryList.h"
#include "model/History.h"
#include "model/Levels.h"
#include "model/PcxImage.h"

#include <QObject>

#include <memory>

// How the selected entry's swatch, boxes and sliders follow a change.
struct PalletFollow {
    // Reselect: as a new selection does. Slider, Text: as the handler of
    // slider or box k does.
    enum class How { Reselect, Slider, Text } how = How::Reselect;
    int k = 0;
    // Reselect: the entry to select; -1 the selected one.
    qint16 select = -1;
    // False when the caller draws next (a new image follows its palette).
    bool redraw = true;
    // Moves of one slider drag share a number and make one step.
    int gesture = 0;
    PalletHistory::Alongside alongside = {};
    // Written as given, not snapped to the levels: opening, undo and redo.
    bool exact = false;
};

// The values the document holds, under the names the rest of the program
// shares them by (mdlGlobal).
struct DocumentValues {
    PalletArray Pallet{};
    qint16 SelectedPalletID = 0;
    // -1, or the entry whose pixels a running search shows.
    qint32 SearchPalletID = 0;
    // The decoded stream; PcxImage is a view of the same bytes.
    PixelBuffer PcxDecodedBytes;
    ::PcxImage PcxImage;
    CycleRanges Cycles;
    EntryMarks Marks;
};

// What the windows show: the palette with its history and levels, the
// selection, the picture and its cycling ranges. Every change that another
// window must show goes through here, and the windows redraw from what it
// says changed, never from each other.
class Document : public QObject {
    Q_OBJECT
public:
    Document();
    ~Document() override;

    // The one way the palette changes: snaps to the levels, records the
    // step, writes the entries and says which changed. Undo and redo come
    // through here too.
    void ChangePallet(const PalletArray &after, const PalletFollow &follow = {});
    PalletHistory &History() { return *history; }
    // Opening, saving and New: the palette as it is now loses nothing when
    // the program ends.
    void MarkSaved() { history->stack().setClean(); }
    bool Unsaved() const { return !history->stack().isClean(); }

    // The levels every change of an entry is snapped to, for the run; the
    // preset names them (-1: the one with these counts, if any).
    void SetLevels(const ::Levels &levels, int preset = -1);
    const ::Levels &CurrentLevels() const { return levels; }
    int LevelsPreset() const { return levelsPreset; }

    // The ranges become `after`, one step of the history.
    void ChangeCycles(const CycleRanges &after);
    // A picture's own ranges, or none, outside the history.
    void TakeCycles(CycleRanges ranges);
    // After the ranges were written in place.
    void CyclesWritten();

    // The locked and reserved entries become `after`, one step of the
    // history, as a change of the ranges is.
    void ChangeMarks(const EntryMarks &after);
    // A palette file's own marks, or none, outside the history.
    void TakeMarks(const EntryMarks &marks);
    const EntryMarks &Marks() const { return held.Marks; }

    // The palette file's name as the palette window shows it.
    void ShowName(const QString &name) { emit nameChanged(name); }

    // The picture, or its layout, is another: its usage and scrolling follow.
    void PictureChanged() { emit pictureChanged(); }
    // The entries were written outside the history, as a preview does.
    void ColoursPreviewed() { emit coloursPreviewed(); }
    // The picture is to be drawn again as it is shown now.
    void Redraw() { emit redrawNeeded(); }

    // Back to a fresh history and no levels, as at start-up.
    void Reset();

    DocumentValues &values() { return held; }
    // The light the picture is seen in; each window follows its changed().
    LightView &Light() { return light; }

signals:
    void palletChanged(const EntryChanges &changes, const PalletFollow &follow);
    void coloursPreviewed();
    void redrawNeeded();
    void pictureChanged();
    void levelsChanged();
    void cyclesChanged();
    void marksChanged();
    void nameChanged(const QString &name);

private:
    void replay(const EntryChanges &changes, PalletHistory::Side side, bool pictureToo);

    DocumentValues held;
    std::unique_ptr<PalletHistory> history;
    ::Levels levels;
    int levelsPreset = 0;
    LightView light;
    // Counts the palettes whose marks were taken, so that an undo leaves a
    // later one's marks alone.
    quint64 marksTaken = 0;
};

Document &TheDocument();

// A number for PcxImagesDecoded that no picture of this run had, even after
// an undo put an earlier picture's number back.
quint64 NewPictureNumber();
