#pragma once

#include <QWidget>

#include <functional>

class frmPallet;
class QPainter;

// Marks laid over the palette cells: `mark` draws on the cells of the
// entries it chooses. Clicks and tooltips go through to the cells beneath.
class CellMarks : public QWidget {
public:
    using Mark = std::function<void(QPainter &, int entry, const QRect &cell)>;
    CellMarks(frmPallet *pallet, Mark mark);

protected:
    void paintEvent(QPaintEvent *) override;

private:
    frmPallet *pallet;
    Mark mark;
};
