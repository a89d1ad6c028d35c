// Shows where in the image the selected entry is used.
#include "palette_window/frmPallet.h"

void frmPallet::cmdSerch_Click() {}
