// Where the main window and its two companions go: placed together at
// start-up, carried along when the user moves the main window.
#include "windows/main/frmMain.h"

#include "app/mdlGlobal.h"
#include "windows/kit/WindowKit.h"
#include "windows/main/MainForms.h"
#include "windows/palette/frmPallet.h"
#include "windows/screen/frmPCX.h"

#include <QMoveEvent>

#include <climits>

using namespace mdlGlobal;

void frmMain::placeCompanion(QWidget *companion)
{
    const int left = TwipsToPixels(MainWindowLeft);
    const int top = TwipsToPixels(MainWindowTop);
    if (companion == unframed[0] || companion == &FrmPallet())
        PlaceFrameAt(companion, QPoint(left - companion->frameGeometry().width(), top));
    else
        PlaceFrameAt(companion, QPoint(left + frameGeometry().width(), top));
}

void frmMain::moveToTwips(qint32 left, qint32 top)
{
    const QPoint target(TwipsToPixels(left), TwipsToPixels(top));
    placedAt = target;
    lastPos = target;
    move(target);
}

void frmMain::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    // A maximised window is put where the window manager wants it; the
    // companions stay, and the return to normal brings it back.
    if (!isVisible() || (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized)))
        return;
    const QPoint now = pos();
    // The position this window asked for is no drag.
    if (now == placedAt) {
        lastPos = now;
        return;
    }
    const QPoint delta = now - lastPos;
    lastPos = now;
    if (!delta.isNull()) {
        // A user's move ends the start-up placing.
        for (QWidget *&window : unframed) {
            if (window)
                window->removeEventFilter(this);
            window = nullptr;
        }
        frmPallet &pallet = FrmPallet();
        frmPCX &pcx = FrmPCX();
        pallet.move(pallet.pos() + delta);
        pcx.move(pcx.pos() + delta);
    }
    // Remember where the window is, so that a restore brings it back here.
    MainWindowLeft = PixelsToTwips(now.x());
    MainWindowTop = PixelsToTwips(now.y());
    placedAt = QPoint(INT_MIN, INT_MIN);
}
