#include "windows/palette/CellMarks.h"

#include "windows/kit/WindowKit.h"
#include "windows/palette/frmPallet.h"

#include <QLabel>
#include <QPainter>

CellMarks::CellMarks(frmPallet *pallet, Mark mark)
    : QWidget(pallet), pallet(pallet), mark(std::move(mark))
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setGeometry(pallet->lblColor[0]->geometry().united(pallet->lblColor[255]->geometry()));
}

void CellMarks::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    for (int i = 0; i < kPalletEntries; ++i)
        mark(p, i, pallet->lblColor[i]->geometry().translated(-pos()));
}
