#include "windows/palette/PoorShadeMarks.h"

#include "app/Document.h"
#include "app/mdlGlobal.h"
#include "windows/kit/WindowKit.h"
#include "windows/palette/CellMarks.h"
#include "windows/palette/frmPallet.h"

#include <QPainter>

#include <bitset>
#include <memory>

using namespace mdlGlobal;

QWidget *AddPoorShadeMarks(frmPallet &pallet)
{
    auto poor = std::make_shared<std::bitset<256>>();
    // A bar along the cell's top, short of the off-levels corner: the padlock and the reserved
    // corner take the foot.
    auto *marks = new CellMarks(&pallet, [poor](QPainter &p, int i, const QRect &cell) {
        if ((*poor)[std::size_t(i)])
            p.fillRect(cell.left() + 1, cell.top() + 1, cell.width() * 2 / 3 - 2, 3,
                       PackedToQColor(Pallet[i].complement()));
    });
    marks->setObjectName(QStringLiteral("poorShadeMarks"));
    marks->hide();
    const auto follow = [marks, poor] {
        LightView &light = TheDocument().Light();
        poor->reset();
        if (light.InUse())
            for (const auto &[entry, error] : light.PoorEntries(Pallet))
                poor->set(std::size_t(entry));
        marks->setVisible(light.InUse());
        marks->raise();
        marks->update();
    };
    Document &document = TheDocument();
    QObject::connect(&document.Light(), &LightView::changed, marks, follow);
    QObject::connect(&document, &Document::palletChanged, marks, follow);
    QObject::connect(&document, &Document::coloursPreviewed, marks, follow);
    return marks;
}
