#include "model/History.h"

#include <algorithm>

namespace {

bool SameEntry(const PalletEntry &a, const PalletEntry &b)
{
    return a.R == b.R && a.G == b.G && a.B == b.B && a.Color == b.Color;
}

class PalletStep : public QUndoCommand {
public:
    PalletStep(PalletHistory &history, EntryChanges changes, int gesture,
               PalletHistory::Alongside alongside)
        : history(history), changes(std::move(changes)), gesture(gesture)
    {
        if (alongside)
            this->alongside = std::make_unique<PalletHistory::Alongside>(std::move(alongside));
    }

    void undo() override { history.replay(changes, PalletHistory::Side::Before, alongside.get()); }
    void redo() override
    {
        // The push of a step recorded after the fact must not write it again.
        if (recorded) {
            recorded = false;
            return;
        }
        history.replay(changes, PalletHistory::Side::After, alongside.get());
    }
    int id() const override { return gesture != 0 ? 1 : -1; }
    bool mergeWith(const QUndoCommand *other) override
    {
        const auto *next = static_cast<const PalletStep *>(other);
        if (next->gesture != gesture || next->alongside || alongside)
            return false;
        for (const EntryChange &change : next->changes) {
            auto same = std::find_if(changes.begin(), changes.end(),
                                     [&](const EntryChange &c) { return c.index == change.index; });
            if (same == changes.end())
                changes.push_back(change);
            else
                same->after = change.after;
        }
        changes.erase(
            std::remove_if(changes.begin(), changes.end(),
                           [](const EntryChange &c) { return SameEntry(c.before, c.after); }),
            changes.end());
        // A drag that ends where it began leaves no step.
        setObsolete(changes.empty());
        return true;
    }

private:
    PalletHistory &history;
    EntryChanges changes;
    // Only the rare tool step pays for one.
    std::unique_ptr<PalletHistory::Alongside> alongside;
    int gesture;
    bool recorded = true;
};

} // namespace

EntryChanges DiffPallets(const PalletArray &before, const PalletArray &after)
{
    EntryChanges changes;
    for (int i = 0; i < kPalletEntries; ++i) {
        if (!SameEntry(before[std::size_t(i)], after[std::size_t(i)]))
            changes.push_back({before[std::size_t(i)], after[std::size_t(i)], quint8(i)});
    }
    return changes;
}

PalletHistory::PalletHistory(Writer write) : write(std::move(write)) {}

void PalletHistory::record(EntryChanges changes, int gesture, Alongside alongside)
{
    if (replaying || (changes.empty() && !alongside))
        return;
    changes.shrink_to_fit();
    undoStack.push(new PalletStep(*this, std::move(changes), gesture, std::move(alongside)));
}

void PalletHistory::replay(const EntryChanges &changes, Side side, const Alongside *alongside)
{
    const bool outer = replaying;
    replaying = true;
    if (alongside)
        (*alongside)(side);
    write(changes, side, alongside != nullptr);
    replaying = outer;
}
