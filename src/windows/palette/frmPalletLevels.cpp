// Hardware levels in the palette window: the choice, its name in the title,
// and a mark on each entry off the levels.
#include "app/mdlGlobal.h"
#include "windows/kit/Companions.h"
#include "windows/kit/WindowKit.h"
#include "windows/palette/CellMarks.h"
#include "windows/palette/frmLevels.h"
#include "windows/palette/frmPallet.h"

#include <QComboBox>
#include <QLabel>
#include <QPainter>
#include <QSlider>

using namespace mdlGlobal;

void frmPallet::showLevelsChosen()
{
    for (int k = 0; k < 3; ++k) {
        const QSignalBlocker quiet(sldColBar[k]);
        sldColBar[k]->setRange(0, levels().count[k] - 1);
        // A page key or a wheel notch would cross several of a few levels.
        sldColBar[k]->setPageStep(levels().count[k] < kMaxLevels ? 1 : kChannelPageStep);
    }
    lblColor_Click(SelectedPalletID);
    showLevels();
}

void frmPallet::showLevels()
{
    if (!offLevelMarks)
        // A corner cut off each cell whose entry is off the levels: unlike
        // the unused hatching it leaves the colour readable.
        offLevelMarks = new CellMarks(this, [this](QPainter &p, int i, const QRect &cell) {
            if (OnGrid(levels(), Pallet[i]))
                return;
            const int side = cell.width() / 3;
            p.setPen(Qt::NoPen);
            p.setBrush(PackedToQColor(Pallet[i].complement()));
            p.drawPolygon(QPolygon({cell.topRight(), cell.topRight() - QPoint(side, 0),
                                    cell.topRight() + QPoint(0, side)}));
        });
    offLevelMarks->setVisible(levels().any());
    offLevelMarks->update();
    const QString counts = QStringLiteral("%1-%2-%3")
                               .arg(levels().count[0])
                               .arg(levels().count[1])
                               .arg(levels().count[2]);
    const QString name = Catalog.LevelsPresetNames.split(QLatin1Char('|'))
                             .value(TheDocument().LevelsPreset(), counts);
    const QString shown = Catalog.LevelsShown.arg(name),
                  whole = Catalog.TitlePallet + QStringLiteral("  ") + shown;
    // The window is as wide as its cells: the levels go before the program's name, and their
    // caption before their name.
    setWindowTitle(!levels().any()          ? Catalog.TitlePallet
                   : TitleFits(this, whole) ? whole
                   : TitleFits(this, shown) ? shown
                                            : name);
}

void frmPallet::chooseLevels()
{
    frmLevels dialog(levels(), TheDocument().LevelsPreset(), this);
    // Beside the windows, so that the cells it marks stay in sight.
    MoveBesideWindows(&dialog);
    if (dialog.exec() == QDialog::Accepted)
        SetLevels(dialog.chosen(), dialog.cboPreset->currentIndex());
}
