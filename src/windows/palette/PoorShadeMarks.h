#pragma once

class QWidget;
class frmPallet;

// While the light or the shade table is in use, a bar over each entry whose
// dark shades fall far from the colour they stand for. The marks' widget.
QWidget *AddPoorShadeMarks(frmPallet &pallet);
