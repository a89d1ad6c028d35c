// Copy and paste of palette ranges through the clipboard.
#include "palette_window/frmPallet.h"

void frmPallet::Form_Activate() {}
void frmPallet::cmdCopy_Click() {}
void frmPallet::cmdPaste_Click() {}
