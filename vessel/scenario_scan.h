// Reads the numbers of a scenario line the way the C library's formatted
// scan reads "%d" and "%lf" in the "C" locale, without its locale, its
// undefined behaviour or its non-finite numbers.
//
// Each reader skips white space, then converts one field starting at `cursor`.
// On success it stores the number, moves `cursor` past the field and answers
// true; otherwise it leaves both the number and `cursor` alone and answers
// false, which ends the scan of the line.
#pragma once

#include <cstdint>

// An optional sign and decimal digits, stopping at the first non-digit
// ("3.5" gives 3 and leaves ".5"). A number outside the 32-bit range does
// not convert.
bool scan_int(const char*& cursor, std::int32_t& value);

// An optional sign, then a decimal number with an optional exponent
// ("1", "-.5", "2.5E-3") or a hexadecimal one ("0x1.8p1"). An exponent
// letter with no digits after it is passed over, as the C library does
// ("1e" reads as 1). Infinity, NaN and a number too large for a double
// (which the C library would turn into infinity) do not convert; one too
// small gives the correctly rounded result, zero or subnormal.
bool scan_double(const char*& cursor, double& value);

// Compares the first n characters of text with key, ASCII letters in either
// case; a text shorter than n never matches.
bool starts_with_key(const char* text, const char* key, int n);
