// frmMain's Qt events: its state, moves that carry the companions along,
// closing, and the frame it draws itself.
#include "windows/main/frmMain.h"

#include "app/mdlGlobal.h"
#include "windows/kit/WindowKit.h"
#include "windows/main/MainForms.h"
#include "windows/palette/frmPallet.h"
#include "windows/screen/frmPCX.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMoveEvent>
#include <QPainter>
#include <qdrawutil.h>

using namespace mdlGlobal;

void frmMain::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::ActivationChange) {
        if (isActiveWindow())
            Form_Activate();
        else
            Form_Deactivate();
    } else if (event->type() == QEvent::WindowStateChange && firstShown) {
        Form_Resize();
    }
    QWidget::changeEvent(event);
}

void frmMain::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!firstShown) {
        firstShown = true;
        Form_Resize();
    }
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

void frmMain::closeEvent(QCloseEvent *event)
{
    if (Form_QueryUnload()) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
    Form_Unload();
}

void frmMain::mousePressEvent(QMouseEvent *event)
{
    Form_MouseDown(event->buttons());
    QWidget::mousePressEvent(event);
}

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == client && event->type() == QEvent::MouseButtonPress) {
        // Presses that controls let pass (labels, frames) are no drag.
        const auto *press = static_cast<QMouseEvent *>(event);
        if (client->childAt(press->position().toPoint()))
            return true;
        Form_MouseDown(press->buttons());
        return true;
    }
    for (QWidget *&slot : unframed) {
        QWidget *window = slot;
        if (watched != window || !window ||
            (event->type() != QEvent::Move && event->type() != QEvent::Resize))
            continue;
        // Until the window manager has framed it, the frame's width is a guess.
        if (window->frameGeometry().size() != window->size()) {
            window->removeEventFilter(this);
            slot = nullptr;
        }
        placeCompanion(window);
    }
    return QWidget::eventFilter(watched, event);
}

void frmMain::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    qDrawWinPanel(&p, rect(), palette(), false);
}
