#pragma once

#include <QStringView>

#include <optional>

// The one rounding of the program: to the nearest whole number, a value
// exactly halfway going to the even neighbour (2.5 -> 2, 3.5 -> 4).
double RoundHalfEven(double value);

// Whole-number quotient a / b rounded half to even, exact for any int (no
// floating point), b > 0.
long long DivRoundHalfEven(long long a, long long b);

// A text reads as a number when, apart from blanks around it, it is an
// optional sign, digits with an optional decimal fraction, and an optional
// exponent. Nothing else (no hex, no thousands separators).
std::optional<double> ReadNumericText(QStringView text);

// A numeric text rounded half to even, when that whole number lies in lo..hi.
std::optional<int> ReadWholeInRange(QStringView text, int lo, int hi);
