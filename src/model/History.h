#pragma once

#include "model/PalletEntry.h"

#include <QUndoStack>

#include <functional>
#include <memory>
#include <vector>

// One entry as a step found it and as it left it.
struct EntryChange {
    PalletEntry before;
    PalletEntry after;
    quint8 index = 0;
};
using EntryChanges = std::vector<EntryChange>;

// The entries 0 to 255 that differ. An empty Color differs from a written 0,
// so that undo can give an entry back its never-written state.
EntryChanges DiffPallets(const PalletArray &before, const PalletArray &after);

// The palette's history for the whole run: one step per change, each keeping
// only the entries it changed. Undo and redo hand a step's entries to the
// writer, which shows them as any other change.
class PalletHistory {
public:
    enum class Side { Before, After };
    // pictureToo: the step's alongside ran first and may have put another picture in place,
    // which the writer draws once the entries are written.
    using Writer = std::function<void(const EntryChanges &, Side, bool pictureToo)>;
    // What a step changes besides the palette, done again or undone with it, before the
    // entries are written.
    using Alongside = std::function<void(Side)>;

    explicit PalletHistory(Writer write);
    PalletHistory(const PalletHistory &) = delete;
    PalletHistory &operator=(const PalletHistory &) = delete;

    // Records a step already carried out. A step that changed nothing, or
    // one that undo or redo is writing, is not recorded. Steps with the same
    // gesture number (not 0) merge into one, as the moves of one slider drag.
    void record(EntryChanges changes, int gesture = 0, Alongside alongside = {});
    // A number for one press-to-release gesture.
    int newGesture() { return ++lastGesture; }

    QUndoStack &stack() { return undoStack; }
    void replay(const EntryChanges &changes, Side side, const Alongside *alongside);

private:
    QUndoStack undoStack;
    Writer write;
    bool replaying = false;
    int lastGesture = 0;
};
