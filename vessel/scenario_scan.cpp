#include "vessel/scenario_scan.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace {

// The white space of the "C" locale.
bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

bool is_hex_digit(char c) {
    return is_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

const char* skip_space(const char* p) {
    while (is_space(*p)) ++p;
    return p;
}

// The digits and point of a mantissa from p; counts the digits on each side.
struct Mantissa {
    const char* end;
    int before_point;
    int after_point;
};

Mantissa read_mantissa(const char* p, bool hex) {
    auto digit = hex ? is_hex_digit : is_digit;
    Mantissa m{p, 0, 0};
    while (digit(*m.end)) ++m.end, ++m.before_point;
    if (*m.end == '.') {
        ++m.end;
        while (digit(*m.end)) ++m.end, ++m.after_point;
    }
    return m;
}

// An exponent part at p, if one is there: its letter, an optional sign and
// at least one digit. Sets `number_end` past the digits. A letter (and sign)
// with no digit is passed over but is no part of the number.
const char* read_exponent(const char* p, char letter, const char*& number_end) {
    number_end = p;
    if (lower(*p) != letter) return p;
    const char* q = p + 1;
    if (*q == '+' || *q == '-') ++q;
    if (!is_digit(*q)) return q;
    while (is_digit(*q)) ++q;
    number_end = q;
    return q;
}

// Tells a number too small for a double from one too large: only called
// when the conversion fell out of range, which a non-zero mantissa does only
// far beyond either end, so the sign of a rough power of the radix decides.
bool too_small(const char* mantissa, const char* number_end, bool hex) {
    auto digit = hex ? is_hex_digit : is_digit;
    long power = 0;  // of the radix, for the first significant digit
    const char* p = mantissa;
    bool seen = false;
    while (digit(*p)) {
        if (*p != '0' || seen) {
            if (seen) ++power;
            seen = true;
        }
        ++p;
    }
    if (*p == '.') {
        ++p;
        long zeros = 0;
        while (digit(*p)) {
            if (!seen) {
                if (*p == '0')
                    ++zeros;
                else {
                    seen = true;
                    power = -(zeros + 1);
                }
            }
            ++p;
        }
    }
    long exponent = 0;
    const char* e = p;
    if (e < number_end) {
        ++e;  // the letter
        const bool negative = *e == '-';
        if (*e == '+' || *e == '-') ++e;
        for (; e < number_end; ++e)
            if (exponent < 1000000) exponent = exponent * 10 + (*e - '0');
        if (negative) exponent = -exponent;
    }
    // A hexadecimal exponent counts powers of two, four to a digit.
    const long total = hex ? exponent + 4 * power : exponent + power;
    return total < 0;
}

}  // namespace

bool scan_int(const char*& cursor, std::int32_t& value) {
    const char* p = skip_space(cursor);
    const bool negative = *p == '-';
    if (*p == '+' || *p == '-') ++p;
    if (!is_digit(*p)) return false;
    // Accumulate the magnitude toward the negative end, which holds one more.
    constexpr std::int64_t kLimit =
        -static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::min());
    std::int64_t magnitude = 0;
    for (; is_digit(*p); ++p) {
        magnitude = magnitude * 10 + (*p - '0');
        if (magnitude > kLimit) return false;
    }
    if (!negative && magnitude == kLimit) return false;
    value = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
    cursor = p;
    return true;
}

bool scan_double(const char*& cursor, double& value) {
    const char* p = skip_space(cursor);
    const bool negative = *p == '-';
    if (*p == '+' || *p == '-') ++p;

    const bool hex = p[0] == '0' && lower(p[1]) == 'x';
    const char* const mantissa = hex ? p + 2 : p;
    const Mantissa m = read_mantissa(mantissa, hex);
    // At least one digit, and nothing but digits, a point and an exponent:
    // this also keeps "inf" and "nan" out.
    if (m.before_point + m.after_point == 0) return false;

    const char* number_end = nullptr;
    const char* const field_end = read_exponent(m.end, hex ? 'p' : 'e', number_end);

    double magnitude = 0.0;
    const auto r = std::from_chars(mantissa, number_end, magnitude,
                                   hex ? std::chars_format::hex : std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range) {
        if (!too_small(mantissa, number_end, hex)) return false;
        magnitude = 0.0;
    } else if (r.ec != std::errc() || r.ptr != number_end) {
        return false;
    }
    if (!std::isfinite(magnitude)) return false;

    value = negative ? -magnitude : magnitude;
    cursor = field_end;
    return true;
}

bool starts_with_key(const char* text, const char* key, int n) {
    for (int i = 0; i < n; ++i) {
        if (text[i] == '\0' || lower(text[i]) != lower(key[i])) return false;
    }
    return true;
}
