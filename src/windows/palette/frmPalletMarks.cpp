// The palette window's locked and reserved entries: their marks on the
// cells and the menu items that set them on S..T.
#include "app/mdlGlobal.h"
#include "windows/palette/CellMarks.h"
#include "windows/palette/frmPallet.h"

#include <QMenu>
#include <QPainter>
#include <QPainterPath>

using namespace mdlGlobal;

namespace {

// White outlined in black reads on any colour, and neither corner is one the
// unused or off-levels marks take.
void DrawPadlock(QPainter &p, const QRect &cell)
{
    const int w = std::max(5, cell.width() * 2 / 5), h = std::max(4, w * 4 / 5);
    const QRect body(cell.left() + 1, cell.bottom() - h, w, h);
    QPainterPath shackle;
    const QRectF loop(body.left() + w / 4.0, body.top() - h * 0.7, w / 2.0, h * 1.2);
    shackle.arcMoveTo(loop, 180);
    shackle.arcTo(loop, 180, -180);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::black, 3));
    p.drawPath(shackle);
    p.setPen(QPen(Qt::white, 1));
    p.drawPath(shackle);
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawRect(body);
}

void DrawReservedCorner(QPainter &p, const QRect &cell)
{
    const int side = cell.width() / 2;
    const QPolygon corner({cell.bottomRight() + QPoint(1, 1), cell.bottomRight() - QPoint(side, -1),
                           cell.bottomRight() - QPoint(-1, side)});
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawPolygon(corner);
    p.setBrush(QBrush(Qt::black, Qt::BDiagPattern));
    p.drawPolygon(corner);
}

} // namespace

void frmPallet::setUpEntryMarks()
{
    entryMarks = new CellMarks(this, [](QPainter &p, int i, const QRect &cell) {
        const EntryMarks &marks = TheDocument().Marks();
        if (marks.locked[std::size_t(i)])
            DrawPadlock(p, cell);
        if (marks.reserved[std::size_t(i)])
            DrawReservedCorner(p, cell);
    });
    entryMarks->show();
    connect(&TheDocument(), &Document::marksChanged, entryMarks, qOverload<>(&QWidget::update));
}

void frmPallet::addMarkItems(QMenu &menu, int t)
{
    const int lo = std::min<int>(SelectedPalletID, t), hi = std::max<int>(SelectedPalletID, t);
    const EntryMarks &marks = TheDocument().Marks();
    bool marked = false;
    for (int i = lo; i <= hi; ++i)
        marked = marked || marks.locked[std::size_t(i)] || marks.reserved[std::size_t(i)];
    menu.addSeparator();
    auto item = [&](const QString &text, Tool tool) {
        return menu.addAction(Named(text, lo, hi), this, [=] { RunTool(tool, t); });
    };
    item(Catalog.MenuLockEntries, Tool::Lock);
    item(Catalog.MenuReserveEntries, Tool::Reserve);
    item(Catalog.MenuClearMarks, Tool::ClearMarks)->setEnabled(marked);
}

void frmPallet::markEntries(Tool tool, int t)
{
    const EntryMark mark = tool == Tool::Lock      ? EntryMark::Locked
                           : tool == Tool::Reserve ? EntryMark::Reserved
                                                   : EntryMark::None;
    TheDocument().ChangeMarks(WithMark(TheDocument().Marks(), std::min<int>(SelectedPalletID, t),
                                       std::max<int>(SelectedPalletID, t), mark));
}
