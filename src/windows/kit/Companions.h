#pragma once

#include <QPoint>
#include <QSize>

#include <functional>

class QWidget;

// The three windows that stay on screen together, as the one place that
// creates them makes them known; a dialog keeps clear of them.
struct Companions {
    std::function<QWidget *()> pallet, main, screen;
};
void SetCompanions(Companions companions);

// Whether a top-level window is one of the three.
bool IsCompanion(const QWidget *window);

// The command panel, which owns the program's dialogs and messages.
QWidget *MainWindow();

// Where a dialog's frame of `frame` goes beside the three windows.
QPoint PlaceBesideWindows(const QSize &frame);
// Moves a dialog not shown yet beside the three windows, so that what it
// changes can be seen; its frame is taken to be as thick as the main window's.
void MoveBesideWindows(QWidget *dialog);
