#include "palette/frmInitPallet.h"

frmInitPallet::frmInitPallet() = default;
