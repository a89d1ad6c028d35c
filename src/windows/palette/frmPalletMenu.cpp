// The palette window's context menu: ramps, swap and reverse, the colour
// chooser, hex lines, and how much of the image each entry draws.
#include "app/Placement.h"
#include "app/mdlGlobal.h"
#include "formats/ClipText.h"
#include "model/PaletteOps.h"
#include "platform/Platform.h"
#include "windows/kit/Companions.h"
#include "windows/kit/WindowKit.h"
#include "windows/palette/CellMarks.h"
#include "windows/palette/frmCycling.h"
#include "windows/palette/frmFromPictures.h"
#include "windows/palette/frmPallet.h"

#include <QHelpEvent>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QToolTip>

using namespace mdlGlobal;

namespace {

// Tooltips read when shown, so they always name the current colour.
class CellTips : public QObject {
public:
    explicit CellTips(frmPallet *pallet) : QObject(pallet), pallet(pallet) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::ToolTip)
            return false;
        const auto &cells = pallet->lblColor;
        const int i = int(std::find(cells.begin(), cells.end(), watched) - cells.begin());
        QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), pallet->UsageTip(i),
                           cells[i]);
        return true;
    }

private:
    frmPallet *pallet;
};

// Every entry stays drawn in its colour, wherever it moved to. The image is
// a view of the decoded stream, so both show the renumbered buffer.
bool RemapImage(const EntryMap &map)
{
    ::PcxImage &image = mdlGlobal::PcxImage;
    const bool shared = image.pixels.data() == PcxDecodedBytes.data();
    const ValueMap values = StoredValueMap(map);
    auto stream = RemapStored(PcxDecodedBytes, values);
    auto shown = shared ? stream : RemapStored(image.pixels, values);
    if (!stream || !shown)
        return false;
    PcxDecodedBytes = std::move(*stream);
    image.pixels = std::move(*shown);
    return true;
}

} // namespace

QString Named(QString text, int s, int t)
{
    return text.replace(QStringLiteral("%1"), QString::number(s))
        .replace(QStringLiteral("%2"), QString::number(t));
}

void frmPallet::SetUpTools()
{
    // Hatches the cells of entries no pixel uses.
    unusedMarks = new CellMarks(this, [this](QPainter &p, int i, const QRect &cell) {
        if (usage[i] == 0)
            p.fillRect(cell.adjusted(2, 2, -2, -2),
                       QBrush(PackedToQColor(Pallet[i].complement()), Qt::BDiagPattern));
    });
    unusedMarks->hide();
    auto *tips = new CellTips(this);
    // A dialog closed leaves the main window active: the cells still answer a hover.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    for (int i = 0; i < kPalletEntries; ++i) {
        ClickLabel *cell = lblColor[i];
        cell->installEventFilter(tips);
        cell->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(cell, &QWidget::customContextMenuRequested, this, [this, i, cell](const QPoint &p) {
            lblColor_ContextMenu(i, cell->mapToGlobal(p));
        });
    }
    setUpCellDrag();
    setUpEntryMarks();
}

QString frmPallet::UsageTip(int i) const
{
    const PalletEntry &e = Pallet[i];
    const QString tip = Catalog.TipUsage.arg(i).arg(e.R).arg(e.G).arg(e.B).arg(usage[i]);
    return OnGrid(levels(), e) ? tip : tip + QLatin1Char('\n') + Catalog.TipOffLevels;
}

void frmPallet::RecountUsage()
{
    const ::PcxImage &image = mdlGlobal::PcxImage;
    usage = image.isLoaded() ? CountUsage(image) : UsageCounts{};
    showUnusedMarks();
}

// The counts are kept current, so showing the marks needs no recount.
void frmPallet::SetMarkUnused(bool on)
{
    markUnused = on;
    showUnusedMarks();
}

void frmPallet::showUnusedMarks()
{
    unusedMarks->setVisible(markUnused && mdlGlobal::PcxImage.isLoaded());
    unusedMarks->update();
}

void frmPallet::lblColor_ContextMenu(int t, const QPoint &globalPos)
{
    const int s = SelectedPalletID;
    QMenu menu(this);
    auto item = [&](const QString &text, Tool tool, bool enabled) {
        QAction *a = menu.addAction(Named(text, s, t), this, [=] { RunTool(tool, t); });
        a->setEnabled(enabled);
    };
    const bool range = std::abs(s - t) >= 2, pair = s != t;
    item(Catalog.MenuRampRgb, Tool::RampRgb, range);
    item(Catalog.MenuRampHsv, Tool::RampHsv, range);
    menu.addSeparator();
    item(Catalog.MenuSwap, Tool::Swap, pair);
    item(Catalog.MenuSwapRemap, Tool::SwapRemap, pair);
    item(Catalog.MenuReverse, Tool::Reverse, pair);
    item(Catalog.MenuReverseRemap, Tool::ReverseRemap, pair);
    menu.addSeparator();
    item(Catalog.MenuEditColour, Tool::EditColour, true);
    item(Catalog.MenuCopyHex, Tool::CopyHex, true);
    item(Catalog.MenuPasteHex, Tool::PasteHex,
         ParseHexText(ThePlatform().clipboardText()).has_value());
    menu.addSeparator();
    QAction *mark = menu.addAction(Catalog.MenuMarkUnused, this, &frmPallet::SetMarkUnused);
    mark->setCheckable(true);
    mark->setChecked(markUnused);
    menu.addSeparator();
    item(Catalog.MenuLevels, Tool::Levels, true);
    item(Catalog.MenuSnapLevels, Tool::SnapLevels, levels().any());
    menu.addAction(Named(Catalog.MenuCycle, std::min(s, t), std::max(s, t)), this,
                   [s, t] { FrmCycling().ShowFor(s, t); });
    addMarkItems(menu, t);
    menu.addAction(Catalog.MenuFromPictures, this, [this] { PaletteFromPictures(this); });
    addTidyItems(menu, t);
    menu.exec(globalPos);
}

void frmPallet::RunTool(Tool tool, int t)
{
    const int s = SelectedPalletID;
    auto move = [&](const EntryMap &map, bool remap) {
        PalletHistory::Alongside alongside;
        if (remap) {
            // Swap and reverse are their own inverse: one map serves both ways.
            // Another picture opened since has its own values, left alone.
            alongside = [this, map, picture = PcxImagesDecoded](PalletHistory::Side) {
                if (picture == PcxImagesDecoded && RemapImage(map))
                    RecountUsage();
            };
            // Out of memory: better no step than a picture that changed.
            if (!RemapImage(map))
                return;
            RecountUsage();
        }
        ChangePallet(MoveEntries(Pallet, map),
                     {PalletFollow::How::Reselect, 0, -1, true, 0, std::move(alongside)});
    };
    switch (tool) {
    case Tool::RampRgb:
        return ChangePallet(RampRgb(Pallet, s, t));
    case Tool::RampHsv:
        return ChangePallet(RampHsv(Pallet, s, t));
    case Tool::Swap:
    case Tool::SwapRemap:
        return move(SwapMap(s, t), tool == Tool::SwapRemap);
    case Tool::Reverse:
    case Tool::ReverseRemap:
        return move(ReverseMap(s, t), tool == Tool::ReverseRemap);
    case Tool::EditColour:
        return editColour();
    case Tool::CopyHex:
        ThePlatform().setClipboardText(BuildHexText(Pallet, std::min(s, t), std::max(s, t)));
        // Hex lines are no clipboard palette text.
        return Form_Activate();
    case Tool::PasteHex:
        return pasteHex();
    case Tool::Levels:
        return chooseLevels();
    case Tool::SnapLevels:
        return ChangePallet(SnapRange(levels(), Pallet, s, t));
    case Tool::MergeDuplicates:
    case Tool::MergeSimilar:
    case Tool::UnusedToEnd:
    case Tool::SortHue:
    case Tool::SortLightness:
    case Tool::SortChroma:
    case Tool::SortUsage:
    case Tool::Reduce:
        return runTidy(tool, t);
    case Tool::Lock:
    case Tool::Reserve:
    case Tool::ClearMarks:
        return markEntries(tool, t);
    }
}

void frmPallet::editColour()
{
    const int s = SelectedPalletID;
    const PalletEntry before = Pallet[s];
    auto preview = [this, s](const QColor &c) {
        if (!c.isValid())
            return;
        Pallet[s].set(quint8(c.red()), quint8(c.green()), quint8(c.blue()));
        Pallet[s] = SnapEntry(levels(), Pallet[s]);
        showSelectedColour();
        redrawIfImage();
    };
    const auto chosen =
        ThePlatform().pickColor(this, WithoutAccelerator(Named(Catalog.MenuEditColour, s, s)),
                                PackedToQColor(before.color()), preview,
                                [this](const QSize &size) { return PlaceBesideWindows(size); });
    // What the preview showed leaves no trace; an answer is one step from the
    // colour before the chooser opened.
    Pallet[s] = before;
    if (!chosen || !chosen->isValid()) {
        showSelectedColour();
        redrawIfImage();
        return;
    }
    PalletArray after = Pallet;
    after[s].set(quint8(chosen->red()), quint8(chosen->green()), quint8(chosen->blue()));
    ChangePallet(after);
}

void frmPallet::pasteHex()
{
    const auto entries = ParseHexText(ThePlatform().clipboardText());
    if (!entries)
        return;
    const int first = SelectedPalletID;
    // Entries that would land beyond 255 are dropped.
    const int last = std::min(first + int(entries->size()) - 1, kPalletEntries - 1);
    if (ThePlatform().messageBox(this, PastePrompt(Catalog, first, last),
                                 Platform::Buttons::OkCancel) == Platform::Answer::Cancel)
        return;
    PalletArray after = Pallet;
    std::copy_n(entries->begin(), last - first + 1, after.begin() + first);
    ChangePallet(after);
}
