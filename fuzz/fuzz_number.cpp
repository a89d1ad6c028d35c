// Arbitrary text through the numeric-text rule and the rounding, checked
// against the C library: strtod for the value, nearbyint for the rounding.

#include "shell/Numbers.h"

#include <QString>

#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void Require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

// Within this alphabet the syntax is exactly what strtod consumes whole.
bool PlainNumberAlphabet(const std::string &s)
{
    return s.find_first_not_of("0123456789+-.eE") == std::string::npos;
}

std::string TrimBlanks(const QString &text)
{
    qsizetype b = 0, e = text.size();
    while (b < e && (text[b] == u' ' || text[b] == u'\t'))
        ++b;
    while (e > b && (text[e - 1] == u' ' || text[e - 1] == u'\t'))
        --e;
    return text.mid(b, e - b).toStdString();
}

void CheckRounding(double x)
{
    if (!std::isfinite(x))
        return;
    // The default floating-point environment rounds halves to even.
    Require(RoundHalfEven(x) == std::nearbyint(x));
}

void CheckText(const QString &text, int lo, int hi)
{
    const std::optional<double> value = ReadNumericText(text);
    const std::string trimmed = TrimBlanks(text);
    if (!trimmed.empty() && PlainNumberAlphabet(trimmed)) {
        char *end = nullptr;
        errno = 0;
        const double expected = std::strtod(trimmed.c_str(), &end);
        const bool whole = end == trimmed.c_str() + trimmed.size();
        Require(value.has_value() == whole);
        if (value)
            Require(*value == expected);
    }
    if (value) {
        Require(!std::isnan(*value));
        CheckRounding(*value);
    }

    const std::optional<int> whole = ReadWholeInRange(text, lo, hi);
    if (whole) {
        Require(value && std::isfinite(*value));
        Require(*whole >= lo && *whole <= hi);
        Require(double(*whole) == std::nearbyint(*value));
    } else if (value && std::isfinite(*value)) {
        const double r = std::nearbyint(*value);
        Require(r < lo || r > hi);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto *chars = reinterpret_cast<const char *>(data);
    // The ranges the program asks for, and one taken from the input.
    int lo = -32768, hi = 32767;
    if (size >= 4) {
        const auto a = qint16(data[0] | data[1] << 8), b = qint16(data[2] | data[3] << 8);
        lo = qMin(a, b);
        hi = qMax(a, b);
    }
    for (const QString &text : {QString::fromLatin1(chars, qsizetype(size)),
                                QString::fromUtf8(chars, qsizetype(size))}) {
        CheckText(text, 0, 255);
        CheckText(text, 100, 400);
        CheckText(text, lo, hi);
    }

    if (size >= sizeof(double)) {
        double x;
        std::memcpy(&x, data, sizeof x);
        CheckRounding(x);
    }
    if (size >= 16) {
        long long a, b;
        std::memcpy(&a, data, sizeof a);
        std::memcpy(&b, data + 8, sizeof b);
        if (b > 0) {
            const long long q = DivRoundHalfEven(a, b);
            // The remainder left is within half of b, a half only beside an even quotient.
            const __int128 r = __int128(a) - __int128(q) * b;
            Require(2 * r <= b && 2 * r >= -__int128(b));
            if (2 * r == b || 2 * r == -__int128(b))
                Require(q % 2 == 0);
        }
    }
    return 0;
}
