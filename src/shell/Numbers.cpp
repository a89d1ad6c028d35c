#include "shell/Numbers.h"

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
    const long long twice = 2 * r;
    if (twice > b || (twice == b && (q % 2 != 0)))
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
    while (i < end && isDigit(text[i])) {
        ascii += static_cast<char>(text[i++].unicode());
        ++mantissaDigits;
    }
    if (i < end && text[i] == u'.') {
        ascii += '.';
        ++i;
        while (i < end && isDigit(text[i])) {
            ascii += static_cast<char>(text[i++].unicode());
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0)
        return std::nullopt;
    if (i < end && (text[i] == u'e' || text[i] == u'E')) {
        ascii += 'e';
        ++i;
        if (i < end && (text[i] == u'+' || text[i] == u'-'))
            ascii += static_cast<char>(text[i++].unicode());
        int exponentDigits = 0;
        while (i < end && isDigit(text[i])) {
            ascii += static_cast<char>(text[i++].unicode());
            ++exponentDigits;
        }
        if (exponentDigits == 0)
            return std::nullopt;
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
        // Too large or too small for a double: the sign tells which way.
        const bool negative = ascii[0] == '-';
        const bool tiny = ascii.find("e-") != std::string::npos;
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
