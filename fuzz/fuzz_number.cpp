// The numeric-text rule and the rounding against strtod, nearbyint and 128-bit arithmetic.

#include "Require.h"
#include "base/Numbers.h"

#include <QString>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

static void CheckText(const QString &text, int lo, int hi)
{
    const std::optional<double> value = ReadNumericText(text);
    qsizetype b = 0, e = text.size();
    while (b < e && (text[b] == u' ' || text[b] == u'\t'))
        ++b;
    while (e > b && (text[e - 1] == u' ' || text[e - 1] == u'\t'))
        --e;
    // Within this alphabet the syntax is exactly what strtod consumes whole.
    const std::string s = text.mid(b, e - b).toStdString();
    if (!s.empty() && s.find_first_not_of("0123456789+-.eE") == std::string::npos) {
        char *end = nullptr;
        const double expected = std::strtod(s.c_str(), &end);
        Require(value.has_value() == (end == s.c_str() + s.size()));
        Require(!value || *value == expected);
    }
    if (value && std::isfinite(*value))
        Require(RoundHalfEven(*value) == std::nearbyint(*value));
    const std::optional<int> whole = ReadWholeInRange(text, lo, hi);
    if (whole)
        Require(value && *whole >= lo && *whole <= hi && *whole == std::nearbyint(*value));
    else if (value && std::isfinite(*value))
        Require(std::nearbyint(*value) < lo || std::nearbyint(*value) > hi);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto *chars = reinterpret_cast<const char *>(data);
    const auto a = size >= 4 ? qint16(data[0] | data[1] << 8) : -32768;
    const auto b = size >= 4 ? qint16(data[2] | data[3] << 8) : 32767;
    for (const QString &text :
         {QString::fromLatin1(chars, qsizetype(size)), QString::fromUtf8(chars, qsizetype(size))})
        for (auto [lo, hi] : {std::pair(0, 255), {100, 400}, {qMin(a, b), qMax(a, b)}})
            CheckText(text, lo, hi);
    double x;
    if (size >= sizeof x && (std::memcpy(&x, data, sizeof x), std::isfinite(x)))
        Require(RoundHalfEven(x) == std::nearbyint(x));
    if (size >= 16) {
        long long n, d;
        std::memcpy(&n, data, sizeof n);
        std::memcpy(&d, data + 8, sizeof d);
        // The remainder left is within half of d, a half only beside an even quotient.
        const long long q = d > 0 ? DivRoundHalfEven(n, d) : 0;
        const __int128 r = __int128(n) - __int128(q) * d, twice = 2 * r;
        const bool half = twice == d || twice == -__int128(d);
        Require(d <= 0 || (twice <= d && twice >= -__int128(d) && (!half || q % 2 == 0)));
    }
    return 0;
}
