#pragma once

// Redraws the whole visible part of the image in the screen window.
void DrawPcxImage();
