#pragma once

// Redraws the whole visible part of the image in the screen window.
void DrawPcxImage();

// The zoom percentage, held as the text of the main window's zoom box.
int CurrentZoomPercent();
