#include "base/Numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

double RoundHalfEven(double value)
{
    if (!std::isfinite(value))
        return value;
    const double lower = std::floor(value);
    const double diff = value - lower;
    if (diff < 0.5)
        return lower;
    if (diff > 0.5)
        return lower + 1.0;
    return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1.0;
}

long long DivRoundHalfEven(long long a, long long b)
{
    long long q = a / b;
    long long r = a % b;
    if (r < 0) {
        r += b;
        --q;
    }
    // r against b - r, not 2r against b: 2r overflows for b above 2^62.
    const long long rest = b - r;
    if (r > rest || (r == rest && (q % 2 != 0)))
        ++q;
    return q;
}

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

std::optional<double> ReadNumericText(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;

    std::string ascii;
    qsizetype i = begin;
    if (i < end && (text[i] == u'+' || text[i] == u'-'))
        ascii += static_cast<char>(text[i++].unicode());
    int mantissaDigits = 0;
    // The power of ten of the leading non-zero digit, plus one, before the
    // exponent; tells an overflow from an underflow.
    long long magnitude = 0;
    bool leadingSeen = false;
    while (i < end && isDigit(text[i])) {
        leadingSeen = leadingSeen || text[i] != u'0';
        if (leadingSeen)
            ++magnitude;
        ascii += static_cast<char>(text[i++].unicode());
        ++mantissaDigits;
    }
    if (i < end && text[i] == u'.') {
        ascii += '.';
        ++i;
        while (i < end && isDigit(text[i])) {
            if (!leadingSeen && text[i] == u'0')
                --magnitude;
            leadingSeen = leadingSeen || text[i] != u'0';
            ascii += static_cast<char>(text[i++].unicode());
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0)
        return std::nullopt;
    long long exponent = 0;
    if (i < end && (text[i] == u'e' || text[i] == u'E')) {
        ascii += 'e';
        ++i;
        bool negativeExponent = false;
        if (i < end && (text[i] == u'+' || text[i] == u'-')) {
            negativeExponent = text[i] == u'-';
            ascii += static_cast<char>(text[i++].unicode());
        }
        int exponentDigits = 0;
        while (i < end && isDigit(text[i])) {
            // Far beyond any double; saturating keeps it from overflowing.
            exponent = std::min(exponent * 10 + (text[i].unicode() - u'0'), 1000000000LL);
            ascii += static_cast<char>(text[i++].unicode());
            ++exponentDigits;
        }
        if (exponentDigits == 0)
            return std::nullopt;
        if (negativeExponent)
            exponent = -exponent;
    }
    if (i != end)
        return std::nullopt;

    // from_chars takes no leading '+'.
    const char *first = ascii.data();
    if (*first == '+')
        ++first;
    double value = 0;
    const auto result = std::from_chars(first, ascii.data() + ascii.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        // Too large or too small for a double: the digits and the exponent
        // together tell which (a long mantissa can overflow with "e-").
        const bool negative = ascii[0] == '-';
        const bool tiny = magnitude + exponent <= 0;
        return tiny ? 0.0 : (negative ? -HUGE_VAL : HUGE_VAL);
    }
    if (result.ec != std::errc())
        return std::nullopt;
    return value;
}

std::optional<int> ReadWholeInRange(QStringView text, int lo, int hi)
{
    const auto value = ReadNumericText(text);
    if (!value)
        return std::nullopt;
    const double rounded = RoundHalfEven(*value);
    if (!(rounded >= lo && rounded <= hi))
        return std::nullopt;
    return static_cast<int>(rounded);
}
