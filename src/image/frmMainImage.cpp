// The image commands of the main window: PCX open, zoom, adjust.
#include "shell/frmMain.h"

void frmMain::cmdPcxOpen_Click() {}
void frmMain::sldZoom_Change() {}
void frmMain::txtZoom_LostFocus() {}
void frmMain::cmdAdjustMinas_Click()
{
    PcxAdjust(-1);
}
void frmMain::cmdAdjustPlus_Click()
{
    PcxAdjust(1);
}
void frmMain::PcxAdjust(qint32) {}
