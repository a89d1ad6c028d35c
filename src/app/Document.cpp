#include "app/Document.h"

#include "app/CyclePlayer.h"
#include "app/mdlGlobal.h"

#include <algorithm>

using namespace mdlGlobal;

Document::Document()
{
    Reset();
}

Document::~Document() = default;

Document &TheDocument()
{
    static Document document;
    return document;
}

void Document::Reset()
{
    history = std::make_unique<PalletHistory>(
        [this](const EntryChanges &changes, PalletHistory::Side side, bool pictureToo) {
            replay(changes, side, pictureToo);
        });
    levels = {};
    levelsPreset = 0;
    light.Reset();
    TakeMarks({});
}

void Document::ChangePallet(const PalletArray &after, const PalletFollow &follow)
{
    PalletArray legal = after;
    for (int i = 0; i < kPalletEntries && !follow.exact && levels.any(); ++i)
        if (after[i] != Pallet[i])
            legal[i] = SnapEntry(levels, after[i]);
    const EntryChanges changes = DiffPallets(Pallet, legal);
    history->record(changes, follow.gesture, follow.alongside);
    for (const EntryChange &change : changes)
        Pallet[change.index] = change.after;
    emit palletChanged(changes, follow);
}

void Document::replay(const EntryChanges &changes, PalletHistory::Side side, bool pictureToo)
{
    PalletArray after = Pallet;
    for (const EntryChange &change : changes)
        after[change.index] = side == PalletHistory::Side::Before ? change.before : change.after;
    PalletFollow follow;
    follow.exact = true;
    // A picture put back with the palette is drawn through it once it is written, the start
    // image too, which a change of the palette alone leaves as it was drawn.
    follow.redraw = !pictureToo;
    if (changes.size() == 1)
        follow.select = changes.front().index;
    ChangePallet(after, follow);
    if (pictureToo)
        Redraw();
}

void Document::SetLevels(const ::Levels &chosen, int preset)
{
    levels = chosen;
    levelsPreset = preset < 0 ? LevelsPresetOf(levels) : preset;
    emit levelsChanged();
}

void Document::ChangeCycles(const CycleRanges &after)
{
    const CycleRanges before = Cycles;
    if (before == after)
        return;
    Cycles = after;
    // Ranges belong to their picture: another opened since keeps its own.
    const quint64 picture = PcxImagesDecoded;
    history->record({}, 0, [this, before, after, picture](PalletHistory::Side side) {
        if (PcxImagesDecoded != picture)
            return;
        Cycles = side == PalletHistory::Side::Before ? before : after;
        CyclesWritten();
    });
    CyclesWritten();
}

void Document::TakeCycles(CycleRanges ranges)
{
    Cycles = std::move(ranges);
    CyclesWritten();
}

void Document::CyclesWritten()
{
    emit cyclesChanged();
    ThePlayer().rangesChanged();
}

void Document::ChangeMarks(const EntryMarks &after)
{
    const EntryMarks before = held.Marks;
    if (before == after)
        return;
    held.Marks = after;
    history->record({}, 0, [this, before, after, taken = marksTaken](PalletHistory::Side side) {
        if (marksTaken != taken)
            return;
        held.Marks = side == PalletHistory::Side::Before ? before : after;
        emit marksChanged();
    });
    emit marksChanged();
}

void Document::TakeMarks(const EntryMarks &marks)
{
    ++marksTaken;
    held.Marks = marks;
    emit marksChanged();
}

quint64 NewPictureNumber()
{
    static quint64 highest = 0;
    highest = std::max(highest, PcxImagesDecoded) + 1;
    return highest;
}
