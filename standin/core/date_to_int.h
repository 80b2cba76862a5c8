// The host's conversion of a date in the compiler's form to a number.
#pragma once

namespace standin {

// "Aug 28 2016" -> 20160828 (yyyymmdd). The month is one of the twelve
// three-letter English names, the day 1 to 31 (one or two digits, blank
// padded as the compiler writes it), the year four digits; anything else,
// or trailing text, gives 0.
int date_to_int(const char* date);

}  // namespace standin
