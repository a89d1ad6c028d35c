#pragma once

class Platform;
class frmMain;
class frmPallet;
class frmPCX;
class frmAbout;
class frmClip;
class frmInitPallet;

// Every window class has one instance, created when it is first referenced.
Platform &ThePlatform();
void SetPlatform(Platform *platform);

frmMain &FrmMain();
frmPallet &FrmPallet();
frmPCX &FrmPCX();
frmAbout &FrmAbout();
frmClip &FrmClip();
frmInitPallet &FrmInitPallet();

bool FrmAboutLoaded();
// Closing the about window unloads it; the next reference loads it afresh.
void UnloadFrmAbout();

class QWidget;
// Moves a dialog not shown yet beside the three windows, so that what it
// changes can be seen; its frame is taken to be as thick as the main window's.
void MoveBesideWindows(QWidget *dialog);

// Destroys every window; used when the process ends and between tests.
void UnloadAllForms();
