#pragma once

// True when the clipboard holds palette text; ClipPallet then holds its
// entries.
bool GetClipPallet();
