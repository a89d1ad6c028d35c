#pragma once

#include <QtGlobal>

// WCAG 2 contrast ratio of two packed colours (R + 256 G + 65536 B), 1 to 21.
double ContrastRatio(qint32 a, qint32 b);

// The colour to write on `background`: its complement, unless that reads
// worse than 3:1, then black or white, whichever reads better.
qint32 ReadableTextColor(qint32 background);
