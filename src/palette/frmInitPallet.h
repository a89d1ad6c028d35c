#pragma once

#include <QDialog>

// Asks for the one colour a new palette is filled with.
class frmInitPallet : public QDialog {
    Q_OBJECT
public:
    frmInitPallet();
};
