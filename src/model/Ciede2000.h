#pragma once

#include "model/Oklab.h"

// CIE L*a*b* (D65) and the CIEDE2000 difference (kL = kC = kH = 1), for
// measuring colours as colour science does; the converter itself uses OKLab.
struct Lab {
    double l = 0, a = 0, b = 0;
};

// From linear-light sRGB channels 0..1.
Lab LabOfLinear(double r, double g, double b);
Lab LabOf(Rgb8 c);
double Ciede2000(const Lab &one, const Lab &two);
