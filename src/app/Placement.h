#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// Where a dialog's frame of `size` goes so that it hides neither the palette
// nor the main window, and as little of the screen window (the picture) as
// `available` allows: beside the three on the side with more room, else at
// the edge of the screen over the far part of the picture. All rectangles
// are frames in screen pixels.
QPoint PlaceBesideWindows(const QRect &available, const QRect &pallet, const QRect &main,
                          const QRect &screen, const QSize &size);
