#pragma once

#include "windows/palette/PaletteForms.h"
#include "windows/screen/ScreenForm.h"

class frmMain;
class frmAbout;
class frmInitPallet;

// The command panel and its dialogs, one instance each, created when first
// referenced (windows/Forms).
frmMain &FrmMain();
frmAbout &FrmAbout();
frmInitPallet &FrmInitPallet();

// Closing the about window unloads it; the next reference loads it afresh.
void UnloadFrmAbout();
