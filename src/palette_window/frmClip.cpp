#include "palette_window/frmClip.h"

frmClip::frmClip() = default;
