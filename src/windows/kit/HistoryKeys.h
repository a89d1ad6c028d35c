#pragma once

class QWidget;

// Ctrl+Z undoes the last palette step, Ctrl+Y and Ctrl+Shift+Z redo, while
// the window is active. A text box of the window that holds text not yet
// committed keeps these keys for its own undo.
void AddHistoryKeys(QWidget *window);

// F5 plays and stops the colour cycling in this window: no text box takes the key.
void AddPlayKey(QWidget *window);
