// frmMain's Qt events: its state, closing, and the frame it draws itself.
#include "windows/main/frmMain.h"

#include "app/mdlGlobal.h"
#include "windows/kit/WindowKit.h"

#include <QCloseEvent>
#include <QLabel>
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
