#pragma once

// Redraws the whole visible part of the image in the screen window.
void DrawPcxImage();

// The zoom percentage the main window last committed.
int CurrentZoomPercent();
