// The palette window's tidying: menu items that merge, move and sort entries
// with the picture renumbered to match, and cells swapped by dragging.
#include "app/mdlGlobal.h"
#include "model/PaletteTidy.h"
#include "windows/kit/WindowKit.h"
#include "windows/palette/frmPallet.h"

#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include <numeric>
#include <tuple>

using namespace mdlGlobal;

namespace {

// A number asked in a small dialog; whole when `decimals` is 0.
std::optional<double> AskNumber(QWidget *parent, const QString &title, const QString &prompt,
                                double value, double lo, double hi, int decimals)
{
    QInputDialog dialog(parent);
    dialog.setWindowTitle(WithoutAccelerator(title).remove(QStringLiteral("...")).remove(u'…'));
    dialog.setLabelText(prompt);
    // A hint under the prompt wraps to the prompt's width rather than
    // stretching the dialog across the screen.
    if (auto *label = dialog.findChild<QLabel *>()) {
        label->setWordWrap(true);
        // Fallback fonts of other scripts measure a little short.
        const QFontMetrics m = label->fontMetrics();
        label->setMinimumWidth(m.horizontalAdvance(prompt.section(u'\n', 0, 0)) + 2 * m.height());
    }
    if (decimals == 0) {
        dialog.setInputMode(QInputDialog::IntInput);
        dialog.setIntRange(int(lo), int(hi));
        dialog.setIntValue(int(value));
    } else {
        dialog.setInputMode(QInputDialog::DoubleInput);
        dialog.setDoubleDecimals(decimals);
        dialog.setDoubleRange(lo, hi);
        dialog.setDoubleValue(value);
    }
    WidenForTitle(&dialog);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return decimals == 0 ? double(dialog.intValue()) : dialog.doubleValue();
}

// What a step did to the picture's values, to be taken back. The image may
// show the stream itself or a buffer of its own.
struct PictureRemap {
    quint64 picture = 0;
    EntryMap to{};
    ValueMap values{};
    RemapUndo stream, shown;
    const quint8 *shownAfter = nullptr;
    // The counts before, good while the picture keeps its layout: neither
    // way needs a count of its own.
    UsageCounts before{};
    std::tuple<int, int, std::size_t> layout;
};

std::tuple<int, int, std::size_t> LayoutNow()
{
    const ::PcxImage &image = mdlGlobal::PcxImage;
    return {image.UB1, image.UB2, image.stride};
}

bool Remap(PictureRemap &r)
{
    ::PcxImage &image = mdlGlobal::PcxImage;
    const bool shared = image.pixels.data() == PcxDecodedBytes.data();
    auto stream = RemapKeeping(PcxDecodedBytes, r.values, r.stream);
    auto shown = shared ? stream : RemapKeeping(image.pixels, r.values, r.shown);
    if (!stream || !shown)
        return false;
    PcxDecodedBytes = std::move(*stream);
    image.pixels = std::move(*shown);
    r.shownAfter = shared ? nullptr : image.pixels.data();
    return true;
}

bool RemapBack(const PictureRemap &r)
{
    ::PcxImage &image = mdlGlobal::PcxImage;
    const bool shared = image.pixels.data() == PcxDecodedBytes.data();
    auto stream = RemapBack(PcxDecodedBytes, r.stream);
    // A layout made since is a view of the stream again.
    auto shown = shared                                ? stream
                 : image.pixels.data() == r.shownAfter ? RemapBack(image.pixels, r.shown)
                                                       : std::optional(image.pixels);
    if (!stream || !shown)
        return false;
    PcxDecodedBytes = std::move(*stream);
    image.pixels = std::move(*shown);
    return true;
}

// A swap that takes no colour into or out of a cycling range, so that each
// range keeps turning its own colours.
bool KeepsRanges(int a, int b)
{
    return std::all_of(Cycles.begin(), Cycles.end(), [&](const CycleRange &r) {
        return (a >= r.first && a <= r.last) == (b >= r.first && b <= r.last);
    });
}

// The frame around the cell a dragged one would land on.
class DropFrame : public QWidget {
public:
    explicit DropFrame(QWidget *parent) : QWidget(parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        hide();
    }
    void showOn(const QRect &cell)
    {
        setGeometry(cell.adjusted(-2, -2, 2, 2));
        raise();
        show();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        // Black and white together show on any colour.
        QPainter p(this);
        p.setPen(QPen(Qt::black, 2));
        p.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
        p.setPen(QPen(Qt::white, 1));
        p.drawRect(QRectF(rect()).adjusted(2.5, 2.5, -2.5, -2.5));
    }
};

// A cell dragged onto another swaps them; with Shift the picture keeps its
// look, as the menu's swap with remap.
class CellDrag : public QObject {
public:
    explicit CellDrag(frmPallet *pallet)
        : QObject(pallet), pallet(pallet), frame(new DropFrame(pallet))
    {
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const auto type = event->type();
        if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove &&
            type != QEvent::MouseButtonRelease)
            return false;
        const auto *e = static_cast<QMouseEvent *>(event);
        const QPoint at = e->globalPosition().toPoint();
        if (type == QEvent::MouseButtonPress) {
            const auto &cells = pallet->lblColor;
            from = e->button() == Qt::LeftButton
                       ? int(std::find(cells.begin(), cells.end(), watched) - cells.begin())
                       : -1;
            start = at;
            dragging = false;
            return false;
        }
        if (from < 0 || from >= kPalletEntries)
            return false;
        if (type == QEvent::MouseMove) {
            dragging =
                dragging || (at - start).manhattanLength() >= QApplication::startDragDistance();
            const int to = dragging ? cellAt(at) : -1;
            if (to >= 0 && to != from && KeepsRanges(from, to))
                frame->showOn(pallet->lblColor[to]->geometry());
            else
                frame->hide();
            return dragging;
        }
        frame->hide();
        const int a = std::exchange(from, -1), b = cellAt(at);
        if (!dragging || b < 0 || b == a)
            return false;
        if (!KeepsRanges(a, b))
            return true;
        pallet->lblColor_UserClick(qint16(a));
        if (SelectedPalletID == a)
            pallet->RunTool(e->modifiers() & Qt::ShiftModifier ? frmPallet::Tool::SwapRemap
                                                               : frmPallet::Tool::Swap,
                            b);
        return true;
    }

private:
    int cellAt(const QPoint &global) const
    {
        const QPoint p = pallet->mapFromGlobal(global);
        for (int i = 0; i < kPalletEntries; ++i)
            if (pallet->lblColor[i]->geometry().contains(p))
                return i;
        return -1;
    }

    frmPallet *pallet;
    DropFrame *frame;
    int from = -1;
    QPoint start;
    bool dragging = false;
};

} // namespace

void frmPallet::setUpCellDrag()
{
    auto *drag = new CellDrag(this);
    for (ClickLabel *cell : lblColor)
        cell->installEventFilter(drag);
}

void frmPallet::addTidyItems(QMenu &menu, int t)
{
    const int s = SelectedPalletID;
    const int lo = s == t ? 0 : std::min(s, t), hi = s == t ? kPalletEntries - 1 : std::max(s, t);
    auto item = [&](QMenu &to, const QString &text, Tool tool) {
        to.addAction(Named(text, lo, hi), this, [=] { RunTool(tool, t); });
    };
    menu.addSeparator();
    item(menu, Catalog.MenuTidyMergeDuplicates, Tool::MergeDuplicates);
    item(menu, Catalog.MenuTidyMergeSimilar, Tool::MergeSimilar);
    item(menu, Catalog.MenuTidyUnusedToEnd, Tool::UnusedToEnd);
    QMenu *sort = menu.addMenu(Named(Catalog.MenuTidySort, lo, hi));
    item(*sort, Catalog.MenuTidySortHue, Tool::SortHue);
    item(*sort, Catalog.MenuTidySortLightness, Tool::SortLightness);
    item(*sort, Catalog.MenuTidySortChroma, Tool::SortChroma);
    item(*sort, Catalog.MenuTidySortUsage, Tool::SortUsage);
    item(menu, Catalog.MenuTidyReduce, Tool::Reduce);
}

void frmPallet::runTidy(Tool tool, int t)
{
    const int s = SelectedPalletID;
    const int lo = s == t ? 0 : std::min(s, t), hi = s == t ? kPalletEntries - 1 : std::max(s, t);
    switch (tool) {
    case Tool::MergeDuplicates:
        return applyTidied(MergeDuplicates(Pallet, s, t, Cycles));
    case Tool::MergeSimilar:
        if (const auto d = AskNumber(
                this, Named(Catalog.MenuTidyMergeSimilar, lo, hi),
                Catalog.PromptTidyDistance + u'\n' + Catalog.PromptTidyDistanceHint, 2, 0, 100, 2))
            applyTidied(MergeSimilar(Pallet, usage, s, t, *d, Cycles));
        return;
    case Tool::UnusedToEnd:
        return applyTidied(UnusedToEnd(Pallet, usage, s, t, Cycles));
    case Tool::SortHue:
    case Tool::SortLightness:
    case Tool::SortChroma:
    case Tool::SortUsage:
        return applyTidied(
            SortEntries(Pallet, usage, s, t, TidyKey(int(tool) - int(Tool::SortHue)), Cycles));
    case Tool::Reduce: {
        const auto used = std::count_if(usage.begin() + lo, usage.begin() + hi + 1,
                                        [](qint64 n) { return n != 0; });
        if (const auto n =
                AskNumber(this, Named(Catalog.MenuTidyReduce, lo, hi), Catalog.PromptTidyColours,
                          double(std::max<qint64>(1, used / 2)), 1, kPalletEntries, 0))
            applyTidied(ReduceEntries(Pallet, usage, s, t, int(*n), Cycles));
        return;
    }
    default:
        return;
    }
}

void frmPallet::applyTidied(const Tidied &tidied)
{
    EntryMap same;
    std::iota(same.begin(), same.end(), 0);
    if (tidied.to == same)
        return ChangePallet(tidied.pallet);
    auto remap = std::make_shared<PictureRemap>();
    remap->picture = PcxImagesDecoded;
    remap->to = tidied.to;
    remap->values = StoredValueMap(tidied.to);
    remap->before = usage;
    remap->layout = LayoutNow();
    // Out of memory: better no step than a picture that changed.
    if (!Remap(*remap))
        return;
    usage = MovedUsage(usage, tidied.to);
    showUnusedMarks();
    // Another picture opened since has its own values, left alone.
    auto alongside = [this, remap](PalletHistory::Side side) {
        const bool back = side == PalletHistory::Side::Before;
        if (remap->picture != PcxImagesDecoded || !(back ? RemapBack(*remap) : Remap(*remap)))
            return;
        if (remap->layout != LayoutNow())
            return RecountUsage();
        usage = back ? remap->before : MovedUsage(remap->before, remap->to);
        showUnusedMarks();
    };
    ChangePallet(tidied.pallet,
                 {PalletFollow::How::Reselect, 0, -1, true, 0, std::move(alongside)});
}
