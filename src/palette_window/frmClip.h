#pragma once

#include <QDialog>

// Marks a range of entries to copy to the clipboard as palette text.
class frmClip : public QDialog {
    Q_OBJECT
public:
    frmClip();
};
