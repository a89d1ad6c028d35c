#pragma once

class frmPallet;
class frmClip;

// The palette window and its clipboard dialog, one instance each, created
// when first referenced (windows/Forms).
frmPallet &FrmPallet();
frmClip &FrmClip();
