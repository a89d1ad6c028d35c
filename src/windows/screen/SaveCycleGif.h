#pragma once

class QWidget;

// The screen window's "Save cycling as animated GIF": one period of the
// ranges that turn, over the picture as it stands.
void SaveCycleGif(QWidget *parent);
