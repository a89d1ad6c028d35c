#pragma once

class frmPCX;

// The screen window, created when first referenced (windows/Forms).
frmPCX &FrmPCX();
