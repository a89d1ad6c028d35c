// The "Act File" commands of the main window.
#include "shell/frmMain.h"

void frmMain::cmdActNew_Click() {}
void frmMain::cmdActOpen_Click() {}
void frmMain::cmdActSave_Click() {}
